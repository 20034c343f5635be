// The typed records one engine run yields: every deleted message and every deleted contact
// it could read back, with every column it carved, in UTF-8, and where each was found.
// The window, the boards and the exports read these fields; the run's text (RecoveredText)
// is only a serializer of them for the command-line tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// Where a recovered value was read.
enum class Origin : uint8_t {
  kTableLeaf,      // free space of a leaf page of the table's own tree
  kFreePage,       // a page on the database freelist
  kUnreachedPage,  // a page that no tree reaches
  kWalFrame,       // a page image in the write-ahead log
  kJournalPage,    // a page image in the rollback journal
  kIndex,          // an entry of an index that holds a copy of the value
  kFullText,       // the full-text copy of the messages or contacts
  kOtherTable,     // another table that holds a copy (a thread's snippet, phone_lookup, raw_contacts)
  kSupersededPage, // the main file's own image of a page that the log or a hot journal replaced
  kOtherTreePage,  // the free space of a page another table or index uses now
};

// A short English name of the origin ("table leaf", "write-ahead log", ...).
const char* originName(Origin origin);

// One deleted message of table "sms". A field the record did not hold (or that a copy in
// another structure does not carry) is empty; text is UTF-8.
struct RecoveredMessage {
  std::optional<int64_t> id;         // sms._id
  std::optional<int64_t> threadId;   // sms.thread_id
  std::optional<std::string> address;
  std::optional<int64_t> person;     // sms.person
  std::optional<int64_t> date;       // sms.date, milliseconds since 1970-01-01 UTC
  std::optional<int64_t> dateSent;   // sms.date_sent
  std::optional<int64_t> type;       // sms.type: 1 received, 2 sent, others as Android defines
  std::optional<int64_t> read;       // sms.read
  std::optional<std::string> subject;
  std::optional<std::string> body;
  // The name of the live contact whose number the address is; empty when none is known.
  std::string contactName;
  Origin origin = Origin::kTableLeaf;
};

// One value of a deleted contact: a row of table "data" (or a copy of its value found in
// another structure) other than the structured-name row.
struct RecoveredContactValue {
  std::optional<int64_t> dataId;    // data._id
  std::string mimetype;             // e.g. "vnd.android.cursor.item/phone_v2"; empty when unknown
  std::string value;                // data1: the number, the address, the company name, ...
  std::optional<int64_t> typeCode;  // data2 of phone and e-mail rows (1 home, 2 mobile/work, ...)
  std::string label;                // data3: the custom label of a type code 0 row
  Origin origin = Origin::kTableLeaf;
};

// One deleted contact: the carved rows of one raw contact, named from its structured-name
// row. A contact whose name row did not survive has an empty `name` (shown as "N/A").
struct RecoveredContact {
  std::optional<int64_t> rawContactId;
  std::string name;        // the structured name's display name (data1)
  std::string givenName;   // data2 of the name row, when carved
  std::string familyName;  // data3 of the name row, when carved
  std::vector<RecoveredContactValue> values;
};

// How a run went, besides what it found.
struct RunReport {
  // False when SQLite stopped reading the table's live rows with an error: the pages whose
  // live rows could not be read are not carved, since their rows could not be told apart
  // from deleted ones. The window warns.
  bool liveRowsComplete = true;
  // The run was asked to stop before its end; what it found so far is kept, and nothing
  // else is reported.
  bool cancelled = false;
  // What went wrong, in one English sentence naming the file; empty when nothing did.
  std::string problem;
};

}  // namespace engine
