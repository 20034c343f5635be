// Puts the deleted messages together from every structure that held a copy: rows of table
// "sms", bodies of the full-text table, thread snippets, and entries of the indexes on
// "sms". A copy is joined to a message of the same _id when there is one, is never a second
// copy of a message already recovered, never a copy of a live message, and a body whose
// length was only inferred is dropped when it is a prefix of a body known elsewhere.
// A body without its row gets the address its thread still names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "FlatSets.h"
#include "RecoveredRecords.h"

namespace engine {

// What the live rows say.
struct LiveMessages {
  KeySet rows;                              // keyOf(address, body) of every live message
  KeySet bodyKeys;                          // keyOf(body) of every live message
  std::vector<std::string> bodies;          // the bodies themselves, for the prefix test
  KeySet ids;                               // _id of every live message
  std::unordered_map<int64_t, std::string> threadRecipients;  // threads._id -> recipient_ids
  std::unordered_map<int64_t, std::string> addresses;         // canonical_addresses._id -> address
};

// A body of the full-text table, or an entry of an index on "sms".
struct MessageCopy {
  std::optional<int64_t> id;  // sms._id
  std::optional<int64_t> threadId, date, type;
  std::optional<std::string> address, body;
  bool lengthInferred = false;
  Origin origin = Origin::kFullText;
};

// A carved row of table "threads".
struct ThreadSnippet {
  std::optional<int64_t> threadId, date;
  std::string recipients;
  std::string body;
};

class MessageAssembly {
 public:
  explicit MessageAssembly(const LiveMessages& live) : live_(live) {}

  // Makes room for about `rows` carved rows at once: a large phone's tens of thousands of
  // messages then cost no copying and rehashing as they come.
  void expectRows(size_t rows) {
    messages_.reserve(rows);
    taken_.reserve(rows);
  }

  // A carved row of table "sms"; false when it repeats a live message or one taken before.
  bool addRow(RecoveredMessage message);
  // What an index entry without text says about a message: its thread, date and type.
  void addFacts(const MessageCopy& facts);
  void addCopy(MessageCopy copy);
  void addSnippet(ThreadSnippet snippet);

  // Joins the copies and snippets to the rows and returns every message, in the order found.
  std::vector<RecoveredMessage> finish();

 private:
  bool prefixOfKnown(const std::string& body);
  std::string addressOfThread(int64_t threadId) const;
  std::string addressOfRecipients(const std::string& recipients) const;
  void keep(RecoveredMessage message);
  // Makes the message at `message` known by its body and its _id.
  void index(size_t message);
  bool knownBody(const std::string& body) const;
  std::optional<size_t> messageWithId(int64_t id) const;
  void noteId(int64_t id, size_t message);

  const LiveMessages& live_;
  std::vector<RecoveredMessage> messages_;
  KeySet taken_;
  std::unordered_map<int64_t, MessageCopy> facts_;
  std::unordered_map<int64_t, std::string> snippetRecipients_;
  std::vector<MessageCopy> copies_;
  std::vector<ThreadSnippet> snippets_;
  KeyIndex bodies_;                          // fieldKey(body) -> message, of the messages kept
  std::vector<std::string> sortedBodies_;    // every body known, live or carved, sorted when needed
  bool sorted_ = false;
  KeyIndex byId_;                            // sms._id -> the first message kept with it
};

}  // namespace engine
