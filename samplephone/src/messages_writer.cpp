// mmssms.db: the messages of all conversations in the order they arrived, each thread
// created with its first message, as the telephony provider does. In WAL mode the newest
// messages arrive, and the deletions that touch them happen, after the switch to the log.

#include <algorithm>
#include <map>
#include <set>

#include "db.h"
#include "schema.h"
#include "writer.h"

namespace samplephone {

namespace {

const char* const kServiceCenter = "+8613800571500";
const int64_t kSubscription = 1;

struct Arrival {
  int64_t date;
  int conversation;
  int message;
};

// Messages of all conversations by date; equal dates keep conversation order.
std::vector<Arrival> arrivals(const Phone& phone) {
  std::vector<Arrival> all;
  for (std::size_t c = 0; c < phone.conversations.size(); ++c)
    for (std::size_t m = 0; m < phone.conversations[c].messages.size(); ++m)
      all.push_back({phone.conversations[c].messages[m].date, static_cast<int>(c), static_cast<int>(m)});
  std::stable_sort(all.begin(), all.end(), [](const Arrival& a, const Arrival& b) { return a.date < b.date; });
  return all;
}

// The bytes a record stores for a small integer: none for 0 and 1 in schema format 4
// (serial types 8 and 9), one byte otherwise.
std::string storedSmallInt(int64_t value, bool legacyFormat) {
  if (!legacyFormat && (value == 0 || value == 1)) return std::string();
  return std::string(1, static_cast<char>(static_cast<uint8_t>(value & 0xFF)));
}

// Reads the rows a DELETE with the same condition is about to remove, with the bytes their
// records store right after the body (service_center, locked, sub_id, error_code, creator):
// a short body alone is found by chance inside other rows' text.
void collect(Database& db, const std::string& where, bool legacyFormat, std::vector<DeletedMessage>& out) {
  Statement s(db.handle(), "SELECT _id, thread_id, type, address, person, body, service_center, locked, sub_id, "
                           "error_code, creator FROM sms WHERE " + where + " ORDER BY _id");
  while (s.step()) {
    DeletedMessage m;
    m.id = s.int64(0);
    m.threadId = s.int64(1);
    m.type = s.int64(2);
    m.address = s.text(3);
    m.personNull = s.isNull(4);
    m.person = s.int64(4);
    m.body = s.text(5);
    m.storedAfterBody = s.text(6) + storedSmallInt(s.int64(7), legacyFormat) +
                        storedSmallInt(s.int64(8), legacyFormat) + storedSmallInt(s.int64(9), legacyFormat) +
                        s.text(10);
    out.push_back(m);
  }
}

// What the provider recomputes after a change: count, newest date and snippet; a thread
// without messages is removed.
void refreshThreads(Database& db) {
  db.exec("DELETE FROM threads WHERE _id NOT IN (SELECT DISTINCT thread_id FROM sms)");
  db.exec("UPDATE threads SET message_count = (SELECT COUNT(*) FROM sms WHERE thread_id = threads._id), "
          "date = (SELECT MAX(date) FROM sms WHERE thread_id = threads._id), "
          "snippet = (SELECT body FROM sms WHERE thread_id = threads._id ORDER BY date DESC, _id DESC LIMIT 1)");
}

// Writes messages in order of arrival and deletes them as the provider does, keeping the
// thread and message ids it handed out so that later steps can refer to them.
class MessagesWriter {
 public:
  MessagesWriter(Database& db, bool legacyFormat, bool fullText)
      : db_(db),
        legacyFormat_(legacyFormat),
        fullText_(fullText),
        address_(db.handle(), "INSERT INTO canonical_addresses (address) VALUES (?)"),
        thread_(db.handle(),
                "INSERT INTO threads (date, message_count, recipient_ids, snippet, snippet_cs, read, archived, "
                "type, error, has_attachment) VALUES (?, 0, ?, NULL, 0, 1, 0, 0, 0, 0)"),
        sms_(db.handle(),
             "INSERT INTO sms (thread_id, address, person, date, date_sent, protocol, read, status, type, "
             "reply_path_present, subject, body, service_center, locked, sub_id, error_code, creator, seen) "
             "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 1, -1, ?7, ?8, NULL, ?9, ?10, 0, ?11, 0, ?12, 1)") {}

  // Messages all[from..to) and the threads they update, inside the caller's transaction.
  void insert(const Phone& phone, const std::vector<Arrival>& all, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) insertOne(phone, all[i]);
    refreshThreads(db_);
  }

  // Deleting as the provider does: a whole conversation by its thread, single messages by
  // their _id, in batches of a few hundred; one transaction.
  void remove(const Deletions& del, std::vector<DeletedMessage>& deleted) {
    db_.exec("BEGIN");
    for (int c : del.conversations) {
      auto t = threadOf_.find(c);
      if (t == threadOf_.end()) continue;  // a conversation without messages has no thread
      std::string where = "thread_id = " + std::to_string(t->second);
      collect(db_, where, legacyFormat_, deleted);
      db_.exec("DELETE FROM sms WHERE " + where);
    }
    const std::size_t kBatch = 400;
    for (std::size_t first = 0; first < del.messages.size(); first += kBatch) {
      std::string ids;
      for (std::size_t i = first; i < std::min(first + kBatch, del.messages.size()); ++i) {
        auto found = idOf_.find({del.messages[i].conversation, del.messages[i].message});
        if (found == idOf_.end()) continue;
        if (!ids.empty()) ids += ",";
        ids += std::to_string(found->second);
      }
      if (ids.empty()) continue;
      std::string where = "_id IN (" + ids + ")";
      collect(db_, where, legacyFormat_, deleted);
      db_.exec("DELETE FROM sms WHERE " + where);
    }
    refreshThreads(db_);
    db_.exec("COMMIT");
  }

 private:
  void insertOne(const Phone& phone, const Arrival& a) {
    const Conversation& conv = phone.conversations[static_cast<std::size_t>(a.conversation)];
    const Message& msg = conv.messages[static_cast<std::size_t>(a.message)];
    auto t = threadOf_.find(a.conversation);
    if (t == threadOf_.end()) {
      address_.bind(1, conv.address);
      address_.run();
      thread_.bind(1, a.date).bind(2, std::to_string(db_.lastInsertRowid()));
      thread_.run();
      t = threadOf_.emplace(a.conversation, db_.lastInsertRowid()).first;
    }
    bool received = msg.type == kReceived;
    sms_.bind(1, t->second).bind(2, conv.address);
    if (received && conv.contact >= 0) sms_.bind(3, static_cast<int64_t>(conv.contact) + 1);
    sms_.bind(4, msg.date);
    if (received) {
      // Sent by the other phone a few seconds before it arrived.
      sms_.bind(5, msg.date - 1000 * (3 + msg.date % 17)).bind(6, 0).bind(8, 0).bind(10, std::string(kServiceCenter));
    } else {
      sms_.bind(5, 0);
    }
    sms_.bind(7, msg.type).bind(9, msg.body).bind(11, kSubscription)
        .bind(12, std::string(received ? "com.android.phone" : "com.android.mms"));
    sms_.run();
    const int64_t id = db_.lastInsertRowid();
    idOf_[{a.conversation, a.message}] = id;
    if (fullText_) {
      // The provider copies every body into the full-text table itself, not by a trigger.
      Statement words(db_.handle(), "INSERT INTO words (_id, index_text, source_id, table_to_use) VALUES (?, ?, ?, 1)");
      words.bind(1, id).bind(2, msg.body).bind(3, id);
      words.run();
    }
  }

  Database& db_;
  bool legacyFormat_;
  bool fullText_;
  Statement address_, thread_, sms_;
  std::map<int, int64_t> threadOf_;                   // conversation index -> threads._id
  std::map<std::pair<int, int>, int64_t> idOf_;        // (conversation, message) -> sms._id
};

// Splits the deletions into those of older messages and those that touch a message of
// `newest`: a thread goes with the newest when any of its messages is one.
void splitDeletions(const Deletions& all, const std::set<std::pair<int, int>>& newest, Deletions& older,
                    Deletions& newer) {
  for (int c : all.conversations) {
    auto first = newest.lower_bound({c, 0});
    bool touchesNewest = first != newest.end() && first->first == c;
    (touchesNewest ? newer : older).conversations.push_back(c);
  }
  for (const MessageRef& m : all.messages)
    (newest.count({m.conversation, m.message}) ? newer : older).messages.push_back(m);
}

}  // namespace

MessagesResult writeMessages(const Phone& phone, const std::string& path, const WriteOptions& options) {
  MessagesResult result;
  {
    Database db(path);
    prepareFile(db, options, 64);
    const std::vector<Arrival> all = arrivals(phone);
    const std::size_t cut = firstNewest(all.size(), options);
    std::set<std::pair<int, int>> newest;
    for (std::size_t i = cut; i < all.size(); ++i) newest.insert({all[i].conversation, all[i].message});
    Deletions older, newer;
    splitDeletions(phone.deletions, newest, older, newer);

    db.exec("BEGIN");
    for (std::size_t i = 0; i < kMessagesSchemaCount; ++i) db.exec(kMessagesSchema[i]);
    if (options.fullText) {
      for (std::size_t i = 0; i < kMessagesFullTextCount; ++i) db.exec(kMessagesFullText[i]);
    }
    db.exec("INSERT INTO android_metadata (locale) VALUES ('en_US')");
    MessagesWriter writer(db, options.schemaFormat == 1, options.fullText);  // its statements need the tables
    writer.insert(phone, all, 0, cut);
    db.exec("COMMIT");
    writer.remove(older, result.deleted);
    if (options.wal) {
      enterWalMode(db);
      db.exec("BEGIN");
      writer.insert(phone, all, cut, all.size());
      db.exec("COMMIT");
      writer.remove(newer, result.deleted);
    }
    result.smsRootPage =
        static_cast<uint32_t>(db.queryInt("SELECT rootpage FROM sqlite_master WHERE name = 'sms'"));
    result.smsColumnCount = static_cast<int>(db.queryInt("SELECT COUNT(*) FROM pragma_table_info('sms')"));
  }
  if (options.wal) removeSharedMemoryFile(path);
  return result;
}

}  // namespace samplephone
