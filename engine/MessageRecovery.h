// The messages run: the deleted rows of table "sms" of mmssms.db as typed messages, each
// named after the live contact whose number sent or received it (when contacts2.db is at
// hand; without it the names stay empty and the messages are carved all the same).
#pragma once

#include <memory>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "RecoveredRecords.h"
#include "RecoveryRun.h"

namespace engine {

// The live contacts as the name lookup searches them: (raw_contact_id, data1) of every
// live row of table "data", in key order.
class ContactNames {
 public:
  using Row = std::pair<std::string, std::string>;
  explicit ContactNames(std::vector<Row> rows);
  // The name for an address: the address without its first "+86" is looked up among the
  // values; the name is the value of the first other row of that contact. Empty when
  // nothing matches.
  std::string nameFor(const std::string& address) const;

 private:
  std::vector<Row> rows_;  // never changed after construction: the views below stay valid
  // Each value's first row, and for each row the row that names it (kNoName when none).
  std::unordered_map<std::string_view, size_t> firstWithValue_;
  std::vector<size_t> namedBy_;
  static constexpr size_t kNoName = SIZE_MAX;
};

class MessageRecovery {
 public:
  explicit MessageRecovery(const RunLimits& limits) : limits_(limits) {}
  // `contacts` may be null: no names then.
  void run(std::unique_ptr<PageSource> messages, const std::string& messagesName,
           std::unique_ptr<PageSource> contacts, const std::string& contactsName);

  std::vector<RecoveredMessage>& messages() { return messages_; }
  RunReport& report() { return report_; }

 private:
  std::vector<ContactNames::Row> readContactRows(std::unique_ptr<PageSource> contacts, const std::string& name);

  const RunLimits& limits_;
  std::vector<RecoveredMessage> messages_;
  RunReport report_;
};

}  // namespace engine
