#include "RecoveredRecords.h"

namespace engine {

const char* originName(Origin origin) {
  switch (origin) {
    case Origin::kTableLeaf: return "table leaf";
    case Origin::kFreePage: return "free page";
    case Origin::kUnreachedPage: return "unreached page";
    case Origin::kWalFrame: return "write-ahead log";
    case Origin::kJournalPage: return "rollback journal";
    case Origin::kIndex: return "index";
    case Origin::kFullText: return "full-text copy";
    case Origin::kOtherTable: return "other table";
    case Origin::kSupersededPage: return "superseded page";
    case Origin::kOtherTreePage: return "page of another tree";
  }
  return "unknown";
}

}  // namespace engine
