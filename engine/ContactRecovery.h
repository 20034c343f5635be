// The contacts run: the deleted rows of table "data" of contacts2.db, grouped into deleted
// contacts. The rows of one raw contact are one contact, named from its structured-name
// row (found through table "mimetypes"); every other row is one of its values. A row that
// repeats a live row, or a contact whose every value is live (it was only renumbered), is
// left out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "RecoveredRecords.h"
#include "RecoveryRun.h"

namespace engine {

// One carved row of table "data", as the grouping needs it.
struct CarvedDataRow {
  std::string rawContactId;  // SQLite's text form
  std::string data1;
  std::string mimetype;      // the name, empty when unknown
  std::optional<int64_t> dataId;
  std::optional<int64_t> data2;  // as a type code
  std::string data2Text, data3;
  Origin origin = Origin::kTableLeaf;
};

// Groups rows (already freed of live copies) into contacts, in order of first appearance.
std::vector<RecoveredContact> groupContacts(const std::vector<CarvedDataRow>& rows);

class ContactRecovery {
 public:
  explicit ContactRecovery(const RunLimits& limits) : limits_(limits) {}
  void run(std::unique_ptr<PageSource> contacts, const std::string& contactsName);

  std::vector<RecoveredContact>& contacts() { return contacts_; }
  RunReport& report() { return report_; }

 private:
  const RunLimits& limits_;
  std::vector<RecoveredContact> contacts_;
  RunReport report_;
};

}  // namespace engine
