// Tests of recsift.dll through its ordinals, as the program calls it: listings compared field
// by field with what SQLite itself reads from the same database, on databases written here,
// on real phone databases and on the built-in sample phone.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "RecordModel.h"
#include "AndroidFixtures.h"
#include "WindowsTestFiles.h"

namespace {

using testfiles::Argument;
using testfiles::ReadFile;
using testfiles::TempFolder;

// Expected texts: UTF-8 from the database in the ANSI code page.
std::string Ansi(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
  n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string a(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &a[0], n, nullptr, nullptr);
  return a;
}

// Expected caption, computed by the C runtime rather than the library's own conversion. The
// runtime would read a Unix-style TZ variable its own way, so it is told to ask the system.
std::string LocalCaption(long long millis) {
  static const bool systemZone = [] {
    _putenv("TZ=");
    _tzset();
    return true;
  }();
  (void)systemZone;
  __time64_t secs = millis / 1000;
  struct tm* t = _localtime64(&secs);
  char buf[32];
  std::strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M:%S", t);
  return buf;
}

std::string Text(const char* p) { return p ? p : "<null>"; }

// One value of a row read by the test itself: text (Ansi) or null for NULL and blobs.
struct Value {
  bool present = false;
  std::string text;
  long long number = 0;
};

class Db {
 public:
  explicit Db(const std::string& path) {
    sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
  }
  ~Db() { sqlite3_close(db_); }
  bool hasTable(const std::string& t) {
    return !query("SELECT name FROM sqlite_master WHERE type='table' AND name='" + t + "'").empty();
  }
  std::vector<std::vector<Value>> query(const std::string& sql) {
    std::vector<std::vector<Value>> rows;
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db_);
    while (s && sqlite3_step(s) == SQLITE_ROW) {
      std::vector<Value> row;
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        Value v;
        const int type = sqlite3_column_type(s, i);
        v.present = type != SQLITE_NULL && type != SQLITE_BLOB;
        v.number = sqlite3_column_int64(s, i);
        if (v.present) v.text = Ansi(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
        row.push_back(v);
      }
      rows.push_back(row);
    }
    sqlite3_finalize(s);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

void ExpectText(const Value& v, const char* got, const std::string& what) {
  if (v.present) {
    EXPECT_EQ(Text(got), v.text) << what;
  } else {
    EXPECT_EQ(got, nullptr) << what << " holds " << Text(got);
  }
}

template <typename T>
std::vector<T*> Collect(T* head) {
  std::vector<T*> items;
  for (T* p = head; p != nullptr && items.size() < 1000000; p = p->next) items.push_back(p);
  return items;
}

class Recsift : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("recsift.dll");
    ASSERT_NE(module_, nullptr) << "recsift.dll not beside the test";
    listContacts_ = reinterpret_cast<RecsiftListContactsFn>(reinterpret_cast<void*>(
        GetProcAddress(module_, MAKEINTRESOURCEA(kRecsiftListContactsOrdinal))));
    listMessages_ = reinterpret_cast<RecsiftListMessagesFn>(reinterpret_cast<void*>(
        GetProcAddress(module_, MAKEINTRESOURCEA(kRecsiftListMessagesOrdinal))));
    ASSERT_NE(listContacts_, nullptr);
    ASSERT_NE(listMessages_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  struct Contacts {
    int result = -1;
    std::vector<ContactAux*> aux;
    std::vector<ContactRecord*> contacts;
    std::vector<ContactDataRow*> rows;
    std::vector<MimetypeEntry*> mimetypes;
  };
  struct Messages {
    int result = -1;
    std::vector<ConversationRecord*> conversations;
    std::vector<MessageRecord*> messages;
    std::vector<SmsAux*> aux;
  };

  // The heads start as garbage, as uninitialised members of a caller would.
  Contacts listContacts(const std::string& path) {
    ContactAux* aux = reinterpret_cast<ContactAux*>(1);
    ContactRecord* contacts = reinterpret_cast<ContactRecord*>(1);
    ContactDataRow* rows = reinterpret_cast<ContactDataRow*>(1);
    MimetypeEntry* mimetypes = reinterpret_cast<MimetypeEntry*>(1);
    Contacts out;
    out.result = listContacts_(path.c_str(), &aux, &contacts, &rows, &mimetypes);
    out.aux = Collect(aux);
    out.contacts = Collect(contacts);
    out.rows = Collect(rows);
    out.mimetypes = Collect(mimetypes);
    return out;
  }
  Messages listMessages(const std::string& path) {
    ConversationRecord* conversations = reinterpret_cast<ConversationRecord*>(1);
    MessageRecord* messages = reinterpret_cast<MessageRecord*>(1);
    SmsAux* aux = reinterpret_cast<SmsAux*>(1);
    Messages out;
    out.result = listMessages_(path.c_str(), &conversations, &messages, &aux);
    out.conversations = Collect(conversations);
    out.messages = Collect(messages);
    out.aux = Collect(aux);
    return out;
  }

  // Every raw contact, data row and mimetype of the database, in _id order, field by field.
  void expectContactsMatchDatabase(const std::string& path, const Contacts& got) {
    Db db(path);
    if (db.hasTable("raw_contacts")) {
      auto raw = db.query("SELECT _id, contact_id, display_name, display_name_source FROM raw_contacts ORDER BY _id");
      ASSERT_EQ(got.contacts.size(), raw.size()) << path;
      for (size_t i = 0; i < raw.size(); ++i) {
        const ContactRecord* c = got.contacts[i];
        EXPECT_EQ(c->contactKey, raw[i][0].number);
        EXPECT_EQ(c->personKey, raw[i][0].number) << "sms.person holds the raw contact id";
        EXPECT_EQ(c->aggregateId, raw[i][1].number);
        ExpectText(raw[i][2], c->displayName, "display name");
        EXPECT_EQ(c->nameSource, raw[i][3].number);
        EXPECT_EQ(c->deleted, 0u);
        EXPECT_EQ(c->checked, 0u);
      }
    }
    if (db.hasTable("data")) {
      std::string sql = "SELECT _id, mimetype_id, raw_contact_id, is_primary, is_super_primary";
      for (int i = 1; i <= 15; ++i) sql += ", data" + std::to_string(i);
      auto data = db.query(sql + " FROM data ORDER BY _id");
      ASSERT_EQ(got.rows.size(), data.size()) << path;
      for (size_t i = 0; i < data.size(); ++i) {
        const ContactDataRow* r = got.rows[i];
        EXPECT_EQ(r->rowId, data[i][0].number);
        EXPECT_EQ(r->mimetypeKey, data[i][1].number);
        EXPECT_EQ(r->contactKey, data[i][2].number);
        EXPECT_EQ(r->isPrimary, data[i][3].number);
        EXPECT_EQ(r->isSuperPrimary, data[i][4].number);
        const char* const texts[] = {r->data1,  r->data2,  r->data3,  r->data4,  r->data5,
                                     r->data6,  r->data7,  r->data8,  r->data9,  r->data10,
                                     r->data11, r->data12, r->data13, r->data14, r->data15};
        for (int k = 0; k < 15; ++k) {
          ExpectText(data[i][5 + k], texts[k], "data row " + std::to_string(r->rowId) + " data" + std::to_string(k + 1));
        }
      }
    } else {
      EXPECT_TRUE(got.rows.empty());
    }
    if (db.hasTable("mimetypes")) {
      auto mime = db.query("SELECT _id, mimetype FROM mimetypes ORDER BY _id");
      ASSERT_EQ(got.mimetypes.size(), mime.size());
      for (size_t i = 0; i < mime.size(); ++i) {
        EXPECT_EQ(got.mimetypes[i]->key, mime[i][0].number);
        ExpectText(mime[i][1], got.mimetypes[i]->name, "mimetype");
      }
    }
  }

  // Every SMS, oldest first, and one conversation per thread that holds SMS.
  void expectMessagesMatchDatabase(const std::string& path, const Messages& got) {
    Db db(path);
    if (!db.hasTable("sms")) {
      EXPECT_TRUE(got.messages.empty());
      EXPECT_TRUE(got.conversations.empty());
      return;
    }
    auto sms = db.query("SELECT _id, thread_id, address, person, date, type, body FROM sms ORDER BY date, _id");
    ASSERT_EQ(got.messages.size(), sms.size()) << path;
    std::map<long long, int> perThread;
    for (size_t i = 0; i < sms.size(); ++i) {
      const MessageRecord* m = got.messages[i];
      EXPECT_EQ(m->messageKey, sms[i][0].number);
      EXPECT_EQ(m->threadKey, sms[i][1].number);
      ExpectText(sms[i][2], m->address, "address");
      EXPECT_EQ(m->personKey, sms[i][3].number);
      if (sms[i][4].present && sms[i][4].number > 0) {
        EXPECT_EQ(Text(m->caption), LocalCaption(sms[i][4].number)) << "sms " << m->messageKey;
      }
      EXPECT_EQ(m->type, sms[i][5].number);
      ExpectText(sms[i][6], m->body, "body");
      ++perThread[sms[i][1].number];
    }
    ASSERT_EQ(got.conversations.size(), perThread.size());
    std::set<long long> seen;
    for (const ConversationRecord* c : got.conversations) {
      EXPECT_TRUE(seen.insert(c->threadKey).second) << "thread " << c->threadKey << " twice";
      ASSERT_TRUE(perThread.count(c->threadKey)) << "thread " << c->threadKey << " has no SMS";
      EXPECT_EQ(c->messageCount, perThread[c->threadKey]);
      EXPECT_EQ(c->deleted, 0u);
      EXPECT_EQ(c->deletedText, nullptr);
      EXPECT_EQ(c->checked, 0u);
    }
  }

  HMODULE module_ = nullptr;
  RecsiftListContactsFn listContacts_ = nullptr;
  RecsiftListMessagesFn listMessages_ = nullptr;
};

TEST_F(Recsift, ContactsOfAnAndroid6DatabaseComeOutComplete) {
  TempFolder dir;
  const std::string path = dir.file("contacts2.db");
  fixtures::WriteContactsDb(path);
  const Contacts got = listContacts(path);
  EXPECT_EQ(got.result, 1);
  expectContactsMatchDatabase(path, got);

  // The fields the window and the boards read, spelled out.
  ASSERT_EQ(got.contacts.size(), 4u);
  EXPECT_EQ(Text(got.contacts[0]->displayName), "Alice Archer");
  EXPECT_EQ(got.contacts[0]->nameSource, kNameSourceStructuredName);
  EXPECT_EQ(got.contacts[1]->nameSource, kNameSourcePhone);
  EXPECT_EQ(Text(got.contacts[2]->displayName), Ansi("Zo\xC3\xAB \xC3\x9Cnal"));
  EXPECT_EQ(got.contacts[3]->contactKey, 5);
  EXPECT_EQ(got.contacts[3]->displayName, nullptr);

  ASSERT_EQ(got.rows.size(), 8u);
  EXPECT_EQ(Text(got.rows[1]->data1), "+1 555 0101");
  EXPECT_EQ(Text(got.rows[1]->data2), "2") << "integer type code as decimal text";
  EXPECT_EQ(Text(got.rows[4]->data2), "7") << "text type code kept";
  EXPECT_EQ(Text(got.rows[3]->data1), "Archer & Co");
  EXPECT_EQ(Text(got.rows[3]->data5), "R&D");
  EXPECT_EQ(Text(got.rows[3]->data6), "Builds bridges");
  EXPECT_EQ(got.rows[7]->data15, nullptr) << "a photo blob is no text";

  std::map<int, std::string> mime;
  for (const MimetypeEntry* m : got.mimetypes) mime[m->key] = Text(m->name);
  EXPECT_EQ(mime[got.rows[1]->mimetypeKey], "vnd.android.cursor.item/phone_v2");
  EXPECT_EQ(mime[got.rows[2]->mimetypeKey], "vnd.android.cursor.item/email_v2");
  EXPECT_EQ(mime[got.rows[3]->mimetypeKey], "vnd.android.cursor.item/organization");

  ASSERT_EQ(got.aux.size(), 4u);
  EXPECT_EQ(got.aux[0]->contactId, 1);
  EXPECT_EQ(got.aux[0]->nameRawContactId, 1);
  EXPECT_EQ(got.aux[0]->starred, 1);
  EXPECT_EQ(Text(got.aux[0]->lookupKey), "0r1-A");
  EXPECT_EQ(got.aux[0]->checked, 0);
}

TEST_F(Recsift, CaptionsAreLocalTime) {
  // The test runs in a zone away from UTC (see CMakeLists.txt), so a UTC caption shows.
  TIME_ZONE_INFORMATION tz;
  GetTimeZoneInformation(&tz);
  if (tz.Bias == 0) GTEST_SKIP() << "the system's time zone is UTC";
  TempFolder dir;
  const std::string path = dir.file("mmssms.db");
  fixtures::WriteSmsDb(path);
  const Messages got = listMessages(path);
  ASSERT_EQ(got.messages.size(), 5u);
  EXPECT_NE(Text(got.messages[2]->caption), "2023-11-14 21:56:40") << "caption in UTC";
  EXPECT_EQ(Text(got.messages[2]->caption), LocalCaption(1699999000000LL));
}

TEST_F(Recsift, ConversationsAndMessagesOfAnAndroid6Database) {
  TempFolder dir;
  const std::string path = dir.file("mmssms.db");
  fixtures::WriteSmsDb(path);
  const Messages got = listMessages(path);
  EXPECT_EQ(got.result, 1);
  expectMessagesMatchDatabase(path, got);

  // Newest thread first; the MMS-only thread 3 is left out; thread 9 of an SMS whose thread
  // row is missing comes last.
  ASSERT_EQ(got.conversations.size(), 3u);
  EXPECT_EQ(got.conversations[0]->threadKey, 2);
  EXPECT_EQ(got.conversations[1]->threadKey, 1);
  EXPECT_EQ(got.conversations[2]->threadKey, 9);
  EXPECT_EQ(Text(got.conversations[1]->recipientIds), "1");
  EXPECT_EQ(Text(got.conversations[1]->dateText), LocalCaption(1700000000000LL));

  // Oldest first; the message without date sorts first and has no caption.
  ASSERT_EQ(got.messages.size(), 5u);
  EXPECT_EQ(got.messages[0]->messageKey, 5);
  EXPECT_EQ(got.messages[0]->caption, nullptr);
  EXPECT_EQ(got.messages[0]->body, nullptr);
  const MessageRecord* hi = got.messages[2];
  EXPECT_EQ(hi->messageKey, 1);
  EXPECT_EQ(Text(hi->address), "+15550101");
  EXPECT_EQ(hi->personKey, 1);
  EXPECT_EQ(hi->type, 1);
  EXPECT_EQ(Text(hi->body), "Hi, Alice here");
  EXPECT_EQ(Text(hi->caption), LocalCaption(1699999000000LL));
  EXPECT_EQ(Text(hi->serviceCenter), "+15550000");
  EXPECT_EQ(Text(got.messages[4]->body), Ansi("Zo\xC3\xAB says \xC3\xBCn\xC3\xAF" "code"));

  ASSERT_EQ(got.aux.size(), 2u);
  EXPECT_EQ(Text(got.aux[1]->address), "+15550100");
}

TEST_F(Recsift, MissingTablesAndColumnsGiveEmptyListsOrFields) {
  TempFolder dir;
  // No raw_contacts: the contacts are the owners of data rows, named by their structured name.
  const std::string contacts = dir.file("contacts2.db");
  fixtures::WriteContactsDbWithoutRawContacts(contacts);
  Contacts c = listContacts(contacts);
  EXPECT_EQ(c.result, 1);
  EXPECT_TRUE(c.aux.empty());
  EXPECT_EQ(c.rows.size(), 8u);
  ASSERT_EQ(c.contacts.size(), 3u);
  EXPECT_EQ(c.contacts[0]->contactKey, 1);
  EXPECT_EQ(Text(c.contacts[0]->displayName), "Alice Archer");
  EXPECT_EQ(c.contacts[0]->nameSource, kNameSourceStructuredName);
  EXPECT_EQ(c.contacts[1]->displayName, nullptr);
  EXPECT_EQ(c.contacts[1]->nameSource, kNameSourceUndefined);

  // An old sms table (no "seen") and no threads: conversations from the SMS, newest first.
  const std::string sms = dir.file("mmssms.db");
  fixtures::WriteOldSmsDbWithoutThreads(sms);
  Messages m = listMessages(sms);
  EXPECT_EQ(m.result, 1);
  expectMessagesMatchDatabase(sms, m);
  ASSERT_EQ(m.conversations.size(), 2u);
  EXPECT_EQ(m.conversations[0]->threadKey, 4);
  EXPECT_EQ(m.conversations[0]->messageCount, 2);
  EXPECT_EQ(Text(m.conversations[0]->dateText), LocalCaption(1262306000000LL));
  EXPECT_EQ(m.messages[0]->seen, 0);
  EXPECT_TRUE(m.aux.empty());

  // A database of the other kind: every list empty, no crash.
  Contacts wrong = listContacts(sms);
  EXPECT_EQ(wrong.result, 1);
  EXPECT_TRUE(wrong.contacts.empty() && wrong.rows.empty() && wrong.mimetypes.empty() && wrong.aux.empty());
  Messages wrong2 = listMessages(contacts);
  EXPECT_TRUE(wrong2.conversations.empty() && wrong2.messages.empty() && wrong2.aux.empty());
}

TEST_F(Recsift, UnreadableFilesGiveEmptyListsAndZero) {
  TempFolder dir;
  const std::string garbage = dir.file("garbage.db");
  std::ofstream(garbage, std::ios::binary) << std::string(5000, 'x');
  const std::string empty = dir.file("empty.db");
  std::ofstream(empty, std::ios::binary) << "";
  // A pull cut off early: the first page of a real database only.
  const std::string partial = dir.file("partial.db");
  fixtures::WriteSmsDb(dir.file("whole.db"));
  std::ofstream(partial, std::ios::binary) << ReadFile(dir.file("whole.db")).substr(0, 1500);
  for (const std::string& path : {garbage, dir.file("absent.db"), partial, std::string()}) {
    Contacts c = listContacts(path);
    EXPECT_TRUE(c.contacts.empty() && c.rows.empty() && c.mimetypes.empty() && c.aux.empty()) << path;
    Messages m = listMessages(path);
    EXPECT_TRUE(m.conversations.empty() && m.messages.empty() && m.aux.empty()) << path;
    if (path != partial) {
      EXPECT_EQ(c.result, 0) << path;
      EXPECT_EQ(m.result, 0) << path;
    }
  }
  // An empty file is an empty database to SQLite: nothing to list.
  EXPECT_TRUE(listContacts(empty).contacts.empty());
  EXPECT_TRUE(listMessages(empty).messages.empty());
  // Null head addresses are skipped.
  EXPECT_EQ(listContacts_(garbage.c_str(), nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(listMessages_(garbage.c_str(), nullptr, nullptr, nullptr), 0);
}

TEST_F(Recsift, ReadsWithoutChangingTheCopyIncludingWalMode) {
  TempFolder dir;
  const std::string path = dir.file("mmssms.db");
  fixtures::WriteDb(path, "PRAGMA journal_mode=WAL; CREATE TABLE sms (_id INTEGER PRIMARY KEY, thread_id INTEGER, body TEXT);"
                          "INSERT INTO sms VALUES (1, 1, 'in wal mode');");
  const std::string before = ReadFile(path);
  Messages m = listMessages(path);
  ASSERT_EQ(m.messages.size(), 1u);
  EXPECT_EQ(Text(m.messages[0]->body), "in wal mode");
  EXPECT_EQ(ReadFile(path), before);
  // Nothing is left beside it: no log, no log index.
  EXPECT_EQ(GetFileAttributesA((path + "-wal").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((path + "-shm").c_str()), INVALID_FILE_ATTRIBUTES);

  // A copy the library cannot write beside (read-only file) still lists.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  DeleteFileA((path + "-shm").c_str());
  DeleteFileA((path + "-wal").c_str());
  m = listMessages(path);
  ASSERT_EQ(m.messages.size(), 1u);
}

// A phone in WAL mode: the newest rows and deletions are only in the log beside the copy.
// They are listed as the phone shows them, and the copy and its log stay as they were, for
// the recovery engine that carves them.
TEST_F(Recsift, WalModeCopyListsTheRowsOfItsLogAndKeepsBothFiles) {
  TempFolder dir;
  const std::string path = dir.file("mmssms.db");
  fixtures::WriteWalModeSmsCopy(path);
  const std::string mainBefore = ReadFile(path);
  const std::string walBefore = ReadFile(path + "-wal");
  ASSERT_GT(walBefore.size(), 32u) << "the fixture's log is empty";
  for (int round = 0; round < 2; ++round) {
    const Messages m = listMessages(path);
    EXPECT_EQ(m.result, 1);
    std::vector<long long> keys;
    for (const MessageRecord* r : m.messages) keys.push_back(r->messageKey);
    EXPECT_EQ(keys, (std::vector<long long>{5, 4, 1, 3, 6, 7})) << "round " << round;
    ASSERT_EQ(m.messages.size(), 6u);
    EXPECT_EQ(Text(m.messages[4]->body), "only in the log");
    EXPECT_EQ(Text(m.messages[5]->body), "newest of all");
    EXPECT_EQ(Text(m.messages[5]->caption), LocalCaption(1700000700000LL));
    EXPECT_TRUE(ReadFile(path) == mainBefore) << "the copy was changed";
    EXPECT_TRUE(ReadFile(path + "-wal") == walBefore) << "the log was changed or removed";
    EXPECT_EQ(GetFileAttributesA((path + "-shm").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the index file SQLite made is left beside the copy";
  }
  // Copy and log marked read-only still list the log's rows.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA((path + "-wal").c_str(), FILE_ATTRIBUTE_READONLY);
  const Messages ro = listMessages(path);
  EXPECT_EQ(ro.messages.size(), 6u);
  EXPECT_TRUE(ReadFile(path + "-wal") == walBefore);
}

// A copy pulled in the middle of a transaction comes with a hot journal: the listing shows
// the rows as last committed, and neither file is rolled back, changed or removed.
TEST_F(Recsift, HotJournalCopyListsTheCommittedRowsAndKeepsBothFiles) {
  TempFolder dir;
  const std::string phone = dir.file("phone.db");
  fixtures::WriteDb(phone,
                    "CREATE TABLE sms (_id INTEGER PRIMARY KEY,thread_id INTEGER,address TEXT,person INTEGER,"
                    "date INTEGER,type INTEGER,body TEXT);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                    "INSERT INTO sms SELECT i, 1, '5551', 0, 1262304000000 + i, 1, "
                    "printf('message %d %s', i, hex(zeroblob(40))) FROM n;");
  const std::string path = dir.file("mmssms.db");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(phone.c_str(), &db), SQLITE_OK);
  // A small cache spills the deletion's pages into the file while the journal holds the
  // originals; the copies are taken before the transaction ends.
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA cache_size=1; BEGIN; DELETE FROM sms WHERE _id > 10;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  const bool copied = CopyFileA(phone.c_str(), path.c_str(), FALSE) &&
                      CopyFileA((phone + "-journal").c_str(), (path + "-journal").c_str(), FALSE);
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  ASSERT_TRUE(copied);
  const std::string before = ReadFile(path);
  const std::string journal = ReadFile(path + "-journal");
  ASSERT_GT(journal.size(), 512u);
  const Messages m = listMessages(path);
  EXPECT_EQ(m.messages.size(), 300u);
  EXPECT_TRUE(ReadFile(path) == before) << "the copy was rolled back or changed";
  EXPECT_TRUE(ReadFile(path + "-journal") == journal) << "the journal was changed or removed";
}

// Side files that a pull can leave: a log cut off in a frame, a log of another page size or
// of garbage, a log beside an empty or a missing copy. None stops the listing, none is
// removed or changed, and no database is made where there was none.
TEST_F(Recsift, OddLogsBesideTheCopyAreSurvivedAndKept) {
  TempFolder dir;
  const std::string whole = dir.file("whole.db");
  fixtures::WriteWalModeSmsCopy(whole);
  const std::string mainBytes = ReadFile(whole);
  const std::string walBytes = ReadFile(whole + "-wal");
  struct Case {
    const char* name;
    std::string main;  // empty: no main file
    bool mainPresent;
    std::string wal;
    size_t minMessages;
  };
  std::string otherPageSize = walBytes;
  otherPageSize[10] = 0x20;  // page size 8192 in the log header, 4096 in the database
  const Case cases[] = {
      {"log cut in its first frame", mainBytes, true, walBytes.substr(0, 32 + 24 + 100), 5},
      // The deletion's commit frame is gone: message 2 is still there, as before that commit.
      {"log cut in its last frame", mainBytes, true, walBytes.substr(0, walBytes.size() - 700), 7},
      {"log header only", mainBytes, true, walBytes.substr(0, 32), 5},
      {"log of garbage", mainBytes, true, std::string(9000, 'w'), 5},
      {"log of another page size", mainBytes, true, otherPageSize, 5},
      {"log beside an empty copy", std::string(), true, walBytes, 0},
      {"log beside a copy cut in its first page", mainBytes.substr(0, 300), true, walBytes, 0},
      {"log without its copy", std::string(), false, walBytes, 0},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file("mmssms.db");
    DeleteFileA(path.c_str());
    if (c.mainPresent) std::ofstream(path, std::ios::binary) << c.main;
    std::ofstream(path + "-wal", std::ios::binary) << c.wal;
    const Messages m = listMessages(path);
    EXPECT_GE(m.messages.size(), c.minMessages) << c.name;
    EXPECT_LE(m.messages.size(), 7u) << c.name;
    EXPECT_TRUE(ReadFile(path + "-wal") == c.wal) << c.name << ": the log was changed or removed";
    EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, c.mainPresent) << c.name;
    if (c.mainPresent) {
      EXPECT_TRUE(ReadFile(path) == c.main) << c.name << ": the copy was changed";
    } else {
      EXPECT_EQ(m.result, 0) << c.name;
    }
    DeleteFileA((path + "-shm").c_str());
  }
}

TEST_F(Recsift, LaterCallsReplaceTheListsAndMemoryIsReused) {
  TempFolder dir;
  const std::string contacts = dir.file("contacts2.db");
  const std::string sms = dir.file("mmssms.db");
  fixtures::WriteContactsDb(contacts);
  fixtures::WriteSmsDb(sms);
  // Warm up, then a few hundred listings must not grow the process's memory notably.
  listContacts(contacts);
  listMessages(sms);
  MEMORYSTATUSEX before = {};
  before.dwLength = sizeof(before);
  GlobalMemoryStatusEx(&before);
  for (int i = 0; i < 300; ++i) {
    Contacts c = listContacts(contacts);
    Messages m = listMessages(sms);
    ASSERT_EQ(c.contacts.size(), 4u);
    ASSERT_EQ(m.messages.size(), 5u);
  }
  MEMORYSTATUSEX after = {};
  after.dwLength = sizeof(after);
  GlobalMemoryStatusEx(&after);
  const long long grown = static_cast<long long>(before.ullAvailVirtual) - static_cast<long long>(after.ullAvailVirtual);
  EXPECT_LT(grown, 8ll << 20) << "listings are not released at the next call";
  // One entry point's call leaves the other's lists alone.
  Messages m = listMessages(sms);
  Contacts c = listContacts(contacts);
  EXPECT_EQ(Text(m.messages[2]->body), "Hi, Alice here");
  EXPECT_EQ(Text(c.contacts[0]->displayName), "Alice Archer");
}

// Real phone databases of several Android versions and vendors.
TEST_F(Recsift, RealPhoneDatabasesListCompletely) {
  const std::string corpus = Argument("corpus");
  if (corpus.empty() || GetFileAttributesA(corpus.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no corpus of phone databases";
  }
  TempFolder dir;
  int listed = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((corpus + "\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    const std::string folder = fd.cFileName;
    if (folder[0] == '.' || !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    for (const char* name : {"contacts2.db", "mmssms.db"}) {
      const std::string source = corpus + "\\" + folder + "\\" + name;
      if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
      // The corpus is read-only: work on a copy, without the side files a pull never fetches.
      const std::string copy = dir.file(folder + "-" + name);
      ASSERT_TRUE(CopyFileA(source.c_str(), copy.c_str(), FALSE));
      SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
      SCOPED_TRACE(folder + "/" + name);
      if (std::string(name) == "contacts2.db") {
        Contacts c = listContacts(copy);
        EXPECT_EQ(c.result, 1);
        expectContactsMatchDatabase(copy, c);
      } else {
        Messages m = listMessages(copy);
        EXPECT_EQ(m.result, 1);
        expectMessagesMatchDatabase(copy, m);
      }
      ++listed;
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  EXPECT_GE(listed, 10);
}

// The built-in sample phone, when the build has it.
TEST_F(Recsift, SamplePhoneListsCompletely) {
  const std::string maker = Argument("sample-phone");
  if (maker.empty()) GTEST_SKIP() << "the build has no sample phone";
  TempFolder dir;
  const std::string out = dir.file("phone");
  CreateDirectoryA(out.c_str(), nullptr);
  std::string cmd = "\"" + maker + "\" \"" + out + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) << cmd;
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  Contacts c = listContacts(out + "\\contacts2.db");
  EXPECT_EQ(c.result, 1);
  EXPECT_FALSE(c.contacts.empty());
  expectContactsMatchDatabase(out + "\\contacts2.db", c);
  Messages m = listMessages(out + "\\mmssms.db");
  EXPECT_EQ(m.result, 1);
  EXPECT_FALSE(m.conversations.empty());
  expectMessagesMatchDatabase(out + "\\mmssms.db", m);

  // The window names a conversation by the contact whose person key the message carries
  // (the sample phone also has messages of contacts deleted since).
  std::set<int> personKeys;
  for (const ContactRecord* r : c.contacts) personKeys.insert(r->personKey);
  int named = 0;
  for (const MessageRecord* msg : m.messages) named += msg->personKey != 0 && personKeys.count(msg->personKey);
  EXPECT_GT(named, 0) << "no message names a listed contact";
}

}  // namespace
