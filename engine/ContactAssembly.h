// Puts the deleted contacts together from every structure that held a copy: rows of table
// "data" (grouped by raw contact, named from the structured-name row), entries of the
// indexes on "data", rows of "phone_lookup" and its indexes (a number with its raw
// contact), display names of "raw_contacts" and its sort-key indexes, and rows of the
// full-text table (name, e-mail addresses, company and numbers per contact). A value is
// never a copy of a live value or of a value already recovered for the same contact, and
// a value whose length was only inferred is dropped when it is part of one known elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ContactRecovery.h"
#include "FlatSets.h"
#include "PieceIndex.h"
#include "RecoveredRecords.h"

namespace engine {

struct LiveContacts {
  KeySet rows;                                 // keyOf(raw_contact_id, data1)
  TextSet values;                              // data1
  TextSet numbers;                             // numbers, as phoneKey()
  KeySet dataIds, rawIds, contactIds;
  std::unordered_map<int64_t, int64_t> rawOfContact;  // contacts._id -> raw_contacts._id
};

// A value found outside table "data".
struct ContactCopy {
  std::optional<int64_t> dataId, rawContactId, contactId;
  std::string mimetype;
  std::string value;
  bool isName = false;
  bool lengthInferred = false;
  Origin origin = Origin::kIndex;
};

// The digits of a number as the phone compares them: without "+", blanks, a leading 0 or
// the country code 86.
std::string phoneKey(std::string_view number);
bool looksLikeNumber(std::string_view value);

class ContactAssembly {
 public:
  explicit ContactAssembly(const LiveContacts& live) : live_(live) {}

  void addRow(CarvedDataRow row) { rows_.push_back(std::move(row)); }
  void addCopy(ContactCopy copy);
  // contacts._id -> raw_contacts._id, as a carved raw contact tells it.
  void linkContact(int64_t contactId, int64_t rawContactId) { rawOfContact_.emplace(contactId, rawContactId); }
  void linkData(int64_t dataId, int64_t rawContactId) { rawOfData_.emplace(dataId, rawContactId); }

  std::vector<RecoveredContact> finish();

 private:
  bool isLive(const ContactCopy& copy) const;
  bool partOfKnown(const std::string& value);
  void indexKnown();
  RecoveredContact* contactFor(const ContactCopy& copy);
  bool holds(const RecoveredContact& contact, const std::string& value) const;

  const LiveContacts& live_;
  std::vector<CarvedDataRow> rows_;
  std::vector<ContactCopy> copies_;
  std::unordered_map<int64_t, int64_t> rawOfContact_, rawOfData_;
  std::vector<RecoveredContact> contacts_;
  std::unordered_map<std::string, size_t> byKey_;
  std::unordered_set<std::string> recovered_;  // every value and name kept, line breaks as blanks
  // Every value known, live or carved, as the index of pieces sees them: the carved
  // contacts' values copied (they may still move), the others seen where they stand.
  std::vector<std::string> carvedKnown_;
  std::unique_ptr<PieceIndex> known_;
};

}  // namespace engine
