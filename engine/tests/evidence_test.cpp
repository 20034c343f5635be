// Evidence and honesty: copies and their side files are never changed, a rollback journal
// is read like a log, and a run says what it could not do instead of guessing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

#include "PhoneFixture.h"
#include "SqliteParse.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

std::vector<Message> messages(int first, int last) {
  std::vector<Message> list;
  for (int id = first; id <= last; ++id) list.push_back({id, "5550100", longBody(id)});
  return list;
}

std::map<std::string, std::vector<uint8_t>> folderContents(const std::string& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = readFile(entry.path().string());
  }
  return files;
}

std::set<std::string> lineSet(const std::string& text) {
  const std::vector<std::string> lines = linesOf(text);
  return std::set<std::string>(lines.begin(), lines.end());
}

}  // namespace

TEST(Evidence, CopiesWithAHotJournalOrALogStayByteIdentical) {
  TempDir phoneDir, copies;
  Phone phone(phoneDir);
  phone.addMessages(messages(1, 200));
  phone.addContactRows({{1, 1, "Alice"}, {2, 1, "5550100"}, {3, 2, "Bob"}});
  phone.deleteMessages("_id % 9 = 0");
  {
    // A deletion caught half-way: the cache spills changed pages into the file while the
    // journal holds their originals, and the copies are taken before the commit.
    Db db(phone.smsPath());
    db.exec("PRAGMA cache_size=1");
    db.exec("BEGIN");
    db.exec("DELETE FROM sms WHERE _id BETWEEN 20 AND 150");
    ASSERT_TRUE(fs::exists(phone.smsPath() + "-journal"));
    for (const char* name : {"mmssms.db", "mmssms.db-journal", "contacts2.db"}) {
      writeFile(copies.path(name), readFile(phoneDir.path(name)));
    }
    db.exec("ROLLBACK");
  }
  // The contacts copy in write-ahead-log mode, with a log never checkpointed.
  {
    Db db(copies.path("contacts2.db"));
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA wal_autocheckpoint=0");
    db.exec("INSERT INTO data (_id, mimetype_id, raw_contact_id, data1) VALUES (4, 7, 3, 'Carol')");
    db.exec("DELETE FROM data WHERE _id = 3");
    writeFile(copies.path("contacts2.db-wal.keep"), readFile(copies.path("contacts2.db-wal")));
    writeFile(copies.path("contacts2.db.keep"), readFile(copies.path("contacts2.db")));
  }
  fs::rename(copies.path("contacts2.db-wal.keep"), copies.path("contacts2.db-wal"));
  fs::rename(copies.path("contacts2.db.keep"), copies.path("contacts2.db"));
  fs::remove(copies.path("contacts2.db-shm"));

  const auto before = folderContents(copies.path(""));
  ASSERT_EQ(before.size(), 4u);
  for (const int type : {ePaserContacts, ePaserSms}) {
    SqliteParse parse(copies.path("contacts2.db"), copies.path("mmssms.db"));
    parse.startParse(static_cast<ePaserType>(type));
    EXPECT_EQ(parse.report().problem, "") << type;
  }
  EXPECT_TRUE(folderContents(copies.path("")) == before) << "a copy or a side file changed, or one was made";

  // The committed database is the one before the deletion that was caught: its messages
  // are live, and what the earlier deletion left in the files is what was deleted.
  SqliteParse parse(copies.path("contacts2.db"), copies.path("mmssms.db"));
  parse.startParse(ePaserSms);
  std::vector<uint8_t> files = readFile(copies.path("mmssms.db"));
  const std::vector<uint8_t> journal = readFile(copies.path("mmssms.db-journal"));
  files.insert(files.end(), journal.begin(), journal.end());
  std::set<std::string> expected;
  for (int id = 9; id <= 200; id += 9) {
    const std::string body = longBody(id);
    if (std::search(files.begin(), files.end(), body.begin(), body.end()) != files.end()) {
      expected.insert("Alice\t5550100\t" + body);
    }
  }
  EXPECT_GE(expected.size(), 15u);
  EXPECT_EQ(lineSet(parse.get_contacts_mem()), expected);
}

TEST(Evidence, PagesOfAPersistentJournalAreCarvedLikeLogFrames) {
  TempDir dir;
  Phone phone(dir);
  phone.addMessages(messages(1, 25));  // one page: no stale copies from a split
  ASSERT_EQ(leafPagesOf(phone.smsPath(), "sms").size(), 1u);
  {
    // Zeroed on delete in the file; the journal kept in PERSIST mode still holds the page
    // images from before the deletion, behind its zeroed header.
    Db db(phone.smsPath());
    db.exec("PRAGMA journal_mode=PERSIST");
    db.exec("PRAGMA secure_delete=ON");
    db.exec("DELETE FROM sms WHERE _id IN (7, 8, 20)");
  }
  ASSERT_TRUE(fs::exists(phone.smsPath() + "-journal"));
  SqliteParse parse(phone.contactsPath(), phone.smsPath());
  parse.startParse(ePaserSms);
  EXPECT_EQ(lineSet(parse.get_contacts_mem()),
            (std::set<std::string>{"N/A\t5550100\t" + longBody(7), "N/A\t5550100\t" + longBody(8),
                                   "N/A\t5550100\t" + longBody(20)}));
  for (const engine::RecoveredMessage& m : parse.messages()) EXPECT_EQ(m.origin, engine::Origin::kJournalPage);
}

TEST(Honesty, ADatabaseThatLivesOnlyInItsLog) {
  // Never checkpointed since it was made: the main file holds an empty schema, the log
  // every table, row and deletion.
  TempDir dir, copy;
  const std::string path = dir.path("mmssms.db");
  {
    Db db(path);
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA wal_autocheckpoint=0");
    db.exec(kSmsTableAndroid5);
    db.exec("BEGIN");
    for (int id = 1; id <= 59; ++id) {
      db.exec("INSERT INTO sms (_id, thread_id, address, date, body) VALUES (" + std::to_string(id) +
              ", 1, '5550100', 1, '" + longBody(id) + "')");
    }
    db.exec("COMMIT");
    db.exec("DELETE FROM sms WHERE _id % 2 = 0");
    writeFile(copy.path("mmssms.db"), readFile(path));
    writeFile(copy.path("mmssms.db-wal"), readFile(path + "-wal"));
  }
  SqliteParse parse(copy.path("contacts2.db"), copy.path("mmssms.db"));
  parse.startParse(ePaserSms);
  std::set<std::string> expected;
  for (int id = 2; id <= 59; id += 2) expected.insert("N/A\t5550100\t" + longBody(id));
  const std::set<std::string> lines = lineSet(parse.get_contacts_mem());
  for (const std::string& line : lines) EXPECT_EQ(expected.count(line), 1u) << line;
  EXPECT_GE(lines.size(), 25u);
}

TEST(Honesty, TablesThatAreViewsAreNotRead) {
  TempDir dir;
  const char* recursive = "AS WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r) SELECT i AS _id, "
                          "i AS address, i AS body, i AS raw_contact_id, i AS data1 FROM r";
  createDatabase(dir.path("contacts2.db"), {std::string("CREATE VIEW data ") + recursive});
  createDatabase(dir.path("mmssms.db"), {std::string("CREATE VIEW sms ") + recursive});
  for (const int type : {ePaserContacts, ePaserSms}) {
    const auto start = std::chrono::steady_clock::now();
    SqliteParse parse(dir.path("contacts2.db"), dir.path("mmssms.db"));
    parse.startParse(static_cast<ePaserType>(type));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(parse.get_contacts_mem(), "");
    EXPECT_NE(parse.report().problem.find(type == ePaserSms ? "no table sms" : "no table data"), std::string::npos);
  }
}

TEST(Honesty, ACancelledRunStopsAndSaysSo) {
  TempDir dir;
  Phone phone(dir);
  phone.addMessages(messages(1, 100));
  phone.deleteMessages("_id % 2 = 0");
  std::atomic<bool> cancel{true};
  SqliteParse parse(phone.contactsPath(), phone.smsPath());
  parse.setCancelFlag(&cancel);
  parse.startParse(ePaserSms);
  EXPECT_TRUE(parse.report().cancelled);
  EXPECT_TRUE(parse.messages().empty());
}
