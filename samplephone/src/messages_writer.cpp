// mmssms.db: the messages of all conversations in the order they arrived, each thread
// created with its first message, as the telephony provider does.

#include <algorithm>
#include <map>

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

void collect(Database& db, const std::string& where, std::vector<DeletedMessage>& out) {
  Statement s(db.handle(), "SELECT _id, thread_id, type, address, person, body FROM sms WHERE " + where +
                               " ORDER BY _id");
  while (s.step()) {
    DeletedMessage m;
    m.id = s.int64(0);
    m.threadId = s.int64(1);
    m.type = s.int64(2);
    m.address = s.text(3);
    m.personNull = s.isNull(4);
    m.person = s.int64(4);
    m.body = s.text(5);
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

}  // namespace

MessagesResult writeMessages(const Phone& phone, const std::string& path, const WriteOptions& options) {
  Database db(path);
  prepareFile(db, options, 64);

  db.exec("BEGIN");
  for (std::size_t i = 0; i < kMessagesSchemaCount; ++i) db.exec(kMessagesSchema[i]);
  db.exec("INSERT INTO android_metadata (locale) VALUES ('en_US')");
  Statement address(db.handle(), "INSERT INTO canonical_addresses (address) VALUES (?)");
  Statement thread(db.handle(),
                   "INSERT INTO threads (date, message_count, recipient_ids, snippet, snippet_cs, read, archived, "
                   "type, error, has_attachment) VALUES (?, 0, ?, NULL, 0, 1, 0, 0, 0, 0)");
  Statement sms(db.handle(),
                "INSERT INTO sms (thread_id, address, person, date, date_sent, protocol, read, status, type, "
                "reply_path_present, subject, body, service_center, locked, sub_id, error_code, creator, seen) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 1, -1, ?7, ?8, NULL, ?9, ?10, 0, ?11, 0, ?12, 1)");

  std::map<int, int64_t> threadOf;  // conversation index -> threads._id
  std::map<std::pair<int, int>, int64_t> idOf;  // (conversation, message) -> sms._id
  for (const Arrival& a : arrivals(phone)) {
    const Conversation& conv = phone.conversations[static_cast<std::size_t>(a.conversation)];
    const Message& msg = conv.messages[static_cast<std::size_t>(a.message)];
    auto t = threadOf.find(a.conversation);
    if (t == threadOf.end()) {
      address.bind(1, conv.address);
      address.run();
      thread.bind(1, a.date).bind(2, std::to_string(db.lastInsertRowid()));
      thread.run();
      t = threadOf.emplace(a.conversation, db.lastInsertRowid()).first;
    }
    bool received = msg.type == kReceived;
    sms.bind(1, t->second).bind(2, conv.address);
    if (received && conv.contact >= 0) sms.bind(3, static_cast<int64_t>(conv.contact) + 1);
    sms.bind(4, msg.date);
    if (received) {
      // Sent by the other phone a few seconds before it arrived.
      sms.bind(5, msg.date - 1000 * (3 + msg.date % 17)).bind(6, 0).bind(8, 0).bind(10, std::string(kServiceCenter));
    } else {
      sms.bind(5, 0);
    }
    sms.bind(7, msg.type).bind(9, msg.body).bind(11, kSubscription)
        .bind(12, std::string(received ? "com.android.phone" : "com.android.mms"));
    sms.run();
    idOf[{a.conversation, a.message}] = db.lastInsertRowid();
  }
  refreshThreads(db);
  db.exec("COMMIT");

  // Deleting as the provider does: a whole conversation by its thread, single messages by
  // their _id, in batches of a few hundred.
  MessagesResult result;
  std::vector<DeletedMessage>& deleted = result.deleted;
  const Deletions& del = phone.deletions;
  db.exec("BEGIN");
  for (int c : del.conversations) {
    auto t = threadOf.find(c);
    if (t == threadOf.end()) continue;  // a conversation without messages has no thread
    std::string where = "thread_id = " + std::to_string(t->second);
    collect(db, where, deleted);
    db.exec("DELETE FROM sms WHERE " + where);
  }
  const std::size_t kBatch = 400;
  for (std::size_t first = 0; first < del.messages.size(); first += kBatch) {
    std::string ids;
    for (std::size_t i = first; i < std::min(first + kBatch, del.messages.size()); ++i) {
      auto found = idOf.find({del.messages[i].conversation, del.messages[i].message});
      if (found == idOf.end()) continue;
      if (!ids.empty()) ids += ",";
      ids += std::to_string(found->second);
    }
    if (ids.empty()) continue;
    std::string where = "_id IN (" + ids + ")";
    collect(db, where, deleted);
    db.exec("DELETE FROM sms WHERE " + where);
  }
  refreshThreads(db);
  db.exec("COMMIT");
  result.smsRootPage = static_cast<uint32_t>(db.queryInt("SELECT rootpage FROM sqlite_master WHERE name = 'sms'"));
  return result;
}

}  // namespace samplephone
