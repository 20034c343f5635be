// Runs make-sample-phone as the tests and the benchmark do and checks what it wrote: the
// files and their header settings, that every row listed as deleted is gone from the live
// table, that deleted bytes stay in the file unless secure_delete is on, and that the same
// command writes the same bytes.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PhoneOnDisk.h"
#include "expected.h"
#include "free_space.h"

namespace {

using namespace samplephonetest;

const char* const kItineraryStart = "【行程确认】林小雨女士您好";

class ReadOnlyDb {
 public:
  explicit ReadOnlyDb(const fs::path& path) {
    EXPECT_EQ(SQLITE_OK, sqlite3_open_v2(path.string().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr));
  }
  ~ReadOnlyDb() { sqlite3_close(db_); }
  ReadOnlyDb(const ReadOnlyDb&) = delete;
  ReadOnlyDb& operator=(const ReadOnlyDb&) = delete;

  int64_t count(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr)) << sqlite3_errmsg(db_);
    int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
    sqlite3_finalize(s);
    return n;
  }

  // Every row's first column, as bytes.
  std::vector<std::string> texts(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr)) << sqlite3_errmsg(db_);
    std::vector<std::string> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
      const unsigned char* p = sqlite3_column_text(s, 0);
      rows.emplace_back(p ? reinterpret_cast<const char*>(p) : "", static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
    }
    sqlite3_finalize(s);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

class StandardPhone : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = makePhone("standard"); }
  static fs::path dir_;
};
fs::path StandardPhone::dir_;

// The standard phone for suites that compare with it, written once.
fs::path StandardPhoneDir() {
  static const fs::path dir = makePhone("standard-reference");
  return dir;
}

TEST_F(StandardPhone, FilesCarryThePhoneSettings) {
  for (const char* name : {"contacts2.db", "mmssms.db"}) {
    std::string file = readFile(dir_ / name);
    ASSERT_GE(file.size(), 100u) << name;
    EXPECT_EQ(0, file.compare(0, 16, std::string("SQLite format 3\0", 16))) << name;
    EXPECT_EQ(4096, static_cast<uint8_t>(file[16]) << 8 | static_cast<uint8_t>(file[17])) << name;
    EXPECT_EQ(1, file[18]) << name << ": rollback journal";
    EXPECT_EQ(4, file[47]) << name << ": schema format";
    EXPECT_NE(0, file[55]) << name << ": auto-vacuum";
    EXPECT_FALSE(fs::exists(dir_ / (std::string(name) + "-journal"))) << name;
  }
  ReadOnlyDb sms(dir_ / "mmssms.db");
  EXPECT_EQ(19, sms.count("SELECT COUNT(*) FROM pragma_table_info('sms')"));
  EXPECT_EQ(12, sms.count("SELECT cid FROM pragma_table_info('sms') WHERE name = 'body'"));
  ReadOnlyDb contacts(dir_ / "contacts2.db");
  EXPECT_EQ(29, contacts.count("SELECT COUNT(*) FROM pragma_table_info('data')"));
  EXPECT_EQ(9, contacts.count("SELECT cid FROM pragma_table_info('data') WHERE name = 'data1'"));
}

TEST_F(StandardPhone, ListedRowsAreGoneFromTheLiveTables) {
  std::vector<Record> data = readExpected(dir_, "data");
  std::vector<Record> sms = readExpected(dir_, "sms");
  ASSERT_FALSE(data.empty());
  ASSERT_FALSE(sms.empty());

  ReadOnlyDb contacts(dir_ / "contacts2.db");
  for (const Record& r : data) {
    ASSERT_EQ(6u, r.size());
    EXPECT_EQ(0, contacts.count("SELECT COUNT(*) FROM data WHERE _id = " + r[2])) << r[4];
  }
  EXPECT_GT(contacts.count("SELECT COUNT(*) FROM data"), 50);
  // Whole contacts went with their raw contact and aggregate; a tombstone stays.
  int64_t deletedContacts = contacts.count("SELECT COUNT(*) FROM deleted_contacts");
  EXPECT_GT(deletedContacts, 0);
  EXPECT_EQ(0, contacts.count("SELECT COUNT(*) FROM raw_contacts WHERE _id IN (SELECT contact_id FROM deleted_contacts)"));
  EXPECT_EQ(0, contacts.count("SELECT COUNT(*) FROM contacts WHERE _id IN (SELECT contact_id FROM deleted_contacts)"));

  ReadOnlyDb messages(dir_ / "mmssms.db");
  for (const Record& r : sms) {
    ASSERT_EQ(8u, r.size());
    EXPECT_EQ(0, messages.count("SELECT COUNT(*) FROM sms WHERE _id = " + r[1])) << r[6];
  }
  EXPECT_GT(messages.count("SELECT COUNT(*) FROM sms"), 50);
  EXPECT_EQ(0, messages.count("SELECT COUNT(*) FROM threads t WHERE message_count != "
                              "(SELECT COUNT(*) FROM sms WHERE thread_id = t._id) OR message_count = 0"));
}

// The engine's tests rely on this mix: short and long cells, line breaks of both kinds and
// TABs in bodies, and deleted messages whose address names a live contact.
TEST_F(StandardPhone, DeletedMessagesCoverTheCasesTheCarversMeet) {
  std::vector<Record> sms = readExpected(dir_, "sms");
  auto any = [&](auto test) { return std::any_of(sms.begin(), sms.end(), test); };
  EXPECT_TRUE(any([](const Record& r) { return r[6].size() < 10; }));
  EXPECT_TRUE(any([](const Record& r) { return r[6].size() > 1000; }));
  EXPECT_TRUE(any([](const Record& r) { return r[6].find("\r\n") != std::string::npos; }));
  EXPECT_TRUE(any([](const Record& r) { return r[6].find('\n') != std::string::npos && r[6].find('\r') == std::string::npos; }));
  EXPECT_TRUE(any([](const Record& r) { return r[6].find('\t') != std::string::npos; }));
  EXPECT_TRUE(any([](const Record& r) { return r[5] != "\\N"; }));

  ReadOnlyDb contacts(dir_ / "contacts2.db");
  int named = 0;
  for (const Record& r : sms) {
    std::string key = r[4];
    std::size_t at = key.find("+86");
    if (at != std::string::npos) key.erase(at, 3);
    named += contacts.count("SELECT COUNT(*) FROM data WHERE data1 = '" + key + "'") > 0;
  }
  EXPECT_GE(named, 3);
}

TEST_F(StandardPhone, DeletedBytesStayInTheFile) {
  // Checked on the raw bytes, apart from the generator's own free-space reading.
  EXPECT_NE(std::string::npos, readFile(dir_ / "mmssms.db").find(kItineraryStart));
  std::vector<Record> sms = readExpected(dir_, "sms");
  std::vector<Record> data = readExpected(dir_, "data");
  auto inFreeSpace = [](const std::vector<Record>& records) {
    return std::count_if(records.begin(), records.end(), [](const Record& r) { return r.back() == "1"; });
  };
  EXPECT_GT(inFreeSpace(sms), static_cast<std::ptrdiff_t>(sms.size() / 2));
  EXPECT_GT(inFreeSpace(data), static_cast<std::ptrdiff_t>(data.size() / 2));
}

TEST_F(StandardPhone, SameCommandWritesSameBytes) {
  fs::path again = makePhone("standard-again");
  for (const char* name : {"contacts2.db", "mmssms.db", "expected-deleted.tsv"})
    EXPECT_TRUE(readFile(dir_ / name) == readFile(again / name)) << name;
}

std::string hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// Text as phones hold it: Chinese, emoji (four UTF-8 bytes) and ASCII in one field.
bool mixesChineseEmojiAndAscii(const std::string& text) {
  bool chinese = false, emoji = false, ascii = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    chinese = chinese || (c >= 0xE4 && c <= 0xE9);  // lead bytes of U+4000..U+9FFF
    emoji = emoji || c == 0xF0;                      // lead byte of U+10000..U+3FFFF
    ascii = ascii || (c >= 'A' && c <= 'z');
  }
  return chinese && emoji && ascii;
}

TEST_F(StandardPhone, HoldsChineseEmojiAndAsciiMixedInLiveAndDeletedText) {
  ReadOnlyDb contacts(dir_ / "contacts2.db");
  // A live contact with a Chinese name and an emoji in a note or an organization.
  std::vector<std::string> notes = contacts.texts(
      "SELECT d.data1 FROM data d JOIN mimetypes m ON m._id = d.mimetype_id JOIN raw_contacts r ON "
      "r._id = d.raw_contact_id WHERE m.mimetype IN ('vnd.android.cursor.item/note', "
      "'vnd.android.cursor.item/organization') AND r.display_name = '孙悦'");
  EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), mixesChineseEmojiAndAscii));

  // A deleted message mixing the three across a line feed, and a live conversation with
  // such messages.
  std::vector<Record> sms = readExpected(dir_, "sms");
  EXPECT_TRUE(std::any_of(sms.begin(), sms.end(), [](const Record& r) {
    return mixesChineseEmojiAndAscii(r[6]) && r[6].find('\n') != std::string::npos && r.back() == "1";
  }));
  ReadOnlyDb messages(dir_ / "mmssms.db");
  std::vector<std::string> threads = messages.texts(
      "SELECT thread_id FROM sms GROUP BY thread_id HAVING SUM(body LIKE '%' || char(10) || '%' AND "
      "body GLOB '*[A-Za-z]*' AND instr(body, '🎉') + instr(body, '👋') + instr(body, '😀') > 0) >= 2");
  EXPECT_EQ(1u, threads.size());
}

TEST(SamplePhoneVariants, ConversationsOfTheLargePhone) {
  fs::path dir = makePhone("large-conversations", "--messages 3000 --contacts 200 --conversations 40");
  ReadOnlyDb messages(dir / "mmssms.db");
  // Every conversation got its address once, whether its thread is deleted since or not.
  EXPECT_EQ(40, messages.count("SELECT COUNT(*) FROM canonical_addresses"));
  EXPECT_EQ(40, messages.count("SELECT COUNT(DISTINCT address) FROM canonical_addresses"));
  EXPECT_EQ(3000, messages.count("SELECT COUNT(*) FROM sms") + static_cast<int64_t>(readExpected(dir, "sms").size()));
}

// The phone in write-ahead-log mode as a pull finds it: the main file, and beside it the
// log that holds the newest rows and the deletions that touched them.
class WalPhone : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = makePhone("wal", "--wal"); }
  static fs::path dir_;

  // A copy of one database, with or without its log: SQLite writes a shared-memory file
  // beside a database in WAL mode even when it only reads.
  static fs::path copyOf(const std::string& name, bool withLog) {
    fs::path copy = fs::path(SAMPLE_PHONE_SCRATCH) / (withLog ? "wal-read" : "wal-main-only");
    fs::create_directories(copy);
    for (const char* side : {"", "-wal", "-shm"}) fs::remove(copy / (name + side));
    fs::copy_file(dir_ / name, copy / name);
    if (withLog) fs::copy_file(dir_ / (name + "-wal"), copy / (name + "-wal"));
    return copy / name;
  }
};
fs::path WalPhone::dir_;

TEST_F(WalPhone, BothFilesAreInWalModeWithAnUncheckpointedLog) {
  for (const char* name : {"contacts2.db", "mmssms.db"}) {
    std::string file = readFile(dir_ / name);
    ASSERT_GE(file.size(), 100u) << name;
    EXPECT_EQ(2, file[18]) << name << ": WAL write version";
    EXPECT_EQ(2, file[19]) << name << ": WAL read version";
    std::string log = readFile(dir_ / (std::string(name) + "-wal"));
    ASSERT_GT(log.size(), 32u + 24u + 4096u) << name << ": the log holds frames";
    EXPECT_EQ(4096, static_cast<uint8_t>(log[10]) << 8 | static_cast<uint8_t>(log[11])) << name;
    EXPECT_FALSE(fs::exists(dir_ / (std::string(name) + "-shm"))) << name;
    EXPECT_FALSE(fs::exists(dir_ / (std::string(name) + "-journal"))) << name;
  }
}

TEST_F(WalPhone, NewestDeletionsExistOnlyInTheLog) {
  const std::string main = readFile(dir_ / "mmssms.db");
  const std::string log = readFile(dir_ / "mmssms.db-wal");
  int onlyInLog = 0;
  bool mixedOnlyInLog = false;
  for (const Record& r : readExpected(dir_, "sms")) {
    if (main.find(r[6]) != std::string::npos || log.find(r[6]) == std::string::npos) continue;
    ++onlyInLog;
    EXPECT_EQ("1", r.back()) << r[6] << ": in the log's page images";
    mixedOnlyInLog = mixedOnlyInLog || (mixesChineseEmojiAndAscii(r[6]) && r[6].find('\n') != std::string::npos);
  }
  EXPECT_GE(onlyInLog, 2);
  EXPECT_TRUE(mixedOnlyInLog);
  // Older deletions stay in the main file's free space.
  std::vector<Record> sms = readExpected(dir_, "sms");
  EXPECT_TRUE(std::any_of(sms.begin(), sms.end(), [&](const Record& r) {
    return r.back() == "1" && main.find(r[6]) != std::string::npos && log.find(r[6]) == std::string::npos;
  }));
}

TEST_F(WalPhone, SqliteSeesTheLogsRowsAndTheMainFileLacksThem) {
  std::vector<Record> sms = readExpected(dir_, "sms");
  std::vector<Record> data = readExpected(dir_, "data");
  ReadOnlyDb standard(StandardPhoneDir() / "mmssms.db");
  ReadOnlyDb standardContacts(StandardPhoneDir() / "contacts2.db");
  int64_t liveMessages = 0, liveData = 0;
  {
    ReadOnlyDb withLog(copyOf("mmssms.db", true));
    liveMessages = withLog.count("SELECT COUNT(*) FROM sms");
    // The same phone as the standard one, only written in two steps.
    EXPECT_EQ(standard.count("SELECT COUNT(*) FROM sms"), liveMessages);
    // The telephony provider hands out the _id after the highest one, so a message that
    // arrived after older ones were deleted can carry a deleted message's _id.
    for (const Record& r : sms)
      EXPECT_EQ(0, withLog.count("SELECT COUNT(*) FROM sms WHERE _id = " + r[1] + " AND body = CAST(X'" + hex(r[6]) +
                                 "' AS TEXT)")) << r[6];
    EXPECT_EQ(0, withLog.count("SELECT COUNT(*) FROM threads t WHERE message_count != "
                               "(SELECT COUNT(*) FROM sms WHERE thread_id = t._id) OR message_count = 0"));
    ReadOnlyDb contactsWithLog(copyOf("contacts2.db", true));
    liveData = contactsWithLog.count("SELECT COUNT(*) FROM data");
    EXPECT_EQ(standardContacts.count("SELECT COUNT(*) FROM data"), liveData);
    for (const Record& r : data) EXPECT_EQ(0, contactsWithLog.count("SELECT COUNT(*) FROM data WHERE _id = " + r[2]));
  }
  ReadOnlyDb mainOnly(copyOf("mmssms.db", false));
  EXPECT_LT(mainOnly.count("SELECT COUNT(*) FROM sms"), liveMessages) << "the newest messages are in the log";
  ReadOnlyDb contactsMainOnly(copyOf("contacts2.db", false));
  EXPECT_LT(contactsMainOnly.count("SELECT COUNT(*) FROM data"), liveData) << "the newest contacts are in the log";
}

TEST_F(WalPhone, SameCommandWritesSameBytes) {
  fs::path again = makePhone("wal-again", "--wal");
  for (const char* name : {"contacts2.db", "contacts2.db-wal", "mmssms.db", "mmssms.db-wal", "expected-deleted.tsv"})
    EXPECT_TRUE(readFile(dir_ / name) == readFile(again / name)) << name;
}

TEST(SamplePhoneVariants, SecureDeleteLeavesNothingToFind) {
  fs::path dir = makePhone("secure", "--secure-delete");
  EXPECT_EQ(std::string::npos, readFile(dir / "mmssms.db").find(kItineraryStart));
  std::vector<Record> sms = readExpected(dir, "sms");
  ASSERT_FALSE(sms.empty());
  for (const Record& r : sms) EXPECT_EQ("0", r.back()) << r[6];
}

TEST_F(StandardPhone, AllDeletedEmptiesBothTablesAndListsEveryRow) {
  fs::path dir = makePhone("all", "--all-deleted");
  ReadOnlyDb contacts(dir / "contacts2.db");
  ReadOnlyDb messages(dir / "mmssms.db");
  EXPECT_EQ(0, contacts.count("SELECT COUNT(*) FROM data"));
  EXPECT_EQ(0, contacts.count("SELECT COUNT(*) FROM raw_contacts"));
  EXPECT_EQ(0, messages.count("SELECT COUNT(*) FROM sms"));
  EXPECT_EQ(0, messages.count("SELECT COUNT(*) FROM threads"));

  ReadOnlyDb standardContacts(dir_ / "contacts2.db");
  ReadOnlyDb standardMessages(dir_ / "mmssms.db");
  EXPECT_EQ(standardContacts.count("SELECT COUNT(*) FROM data") + static_cast<int64_t>(readExpected(dir_, "data").size()),
            static_cast<int64_t>(readExpected(dir, "data").size()));
  EXPECT_EQ(standardMessages.count("SELECT COUNT(*) FROM sms") + static_cast<int64_t>(readExpected(dir_, "sms").size()),
            static_cast<int64_t>(readExpected(dir, "sms").size()));
}

TEST(SamplePhoneVariants, LegacyFormatAndPageSize) {
  fs::path dir = makePhone("legacy", "--schema-format 1 --page-size 1024");
  std::string file = readFile(dir / "mmssms.db");
  ASSERT_GE(file.size(), 100u);
  EXPECT_EQ(1024, static_cast<uint8_t>(file[16]) << 8 | static_cast<uint8_t>(file[17]));
  EXPECT_EQ(1, file[47]);
}

TEST(SamplePhoneVariants, LargePhoneDeletesAThirdOfItsMessages) {
  fs::path dir = makePhone("large", "--large --messages 3000 --contacts 200");
  ReadOnlyDb messages(dir / "mmssms.db");
  double live = static_cast<double>(messages.count("SELECT COUNT(*) FROM sms"));
  double deleted = static_cast<double>(readExpected(dir, "sms").size());
  ASSERT_GT(live + deleted, 0);
  EXPECT_EQ(3000, live + deleted);
  EXPECT_NEAR(1.0 / 3, deleted / (live + deleted), 0.06);
}

// The in_free_space column is only useful if live cells never count as free space, on a
// table tall enough to have interior pages.
TEST(FreeSpace, FindsDeletedRowsAndIgnoresLiveOnes) {
  fs::path path = fs::path(SAMPLE_PHONE_SCRATCH) / "free-space.db";
  fs::create_directories(path.parent_path());
  fs::remove(path);
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.string().c_str(), &db));
  auto row = [](int i) { return "row " + std::to_string(i) + " of the free-space table"; };
  std::string sql = "PRAGMA page_size = 1024; PRAGMA secure_delete = OFF; CREATE TABLE t (x TEXT); BEGIN;";
  for (int i = 1; i <= 2000; ++i) sql += "INSERT INTO t VALUES ('" + row(i) + "');";
  sql += "COMMIT; DELETE FROM t WHERE rowid IN (3, 1500, 1999);";
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
  sqlite3_close(db);
  ReadOnlyDb check(path);
  samplephone::TableFreeSpace space(path.string(),
                                    static_cast<uint32_t>(check.count("SELECT rootpage FROM sqlite_master")));
  EXPECT_GT(space.leafCount(), 20u);
  for (int deleted : {3, 1500, 1999}) EXPECT_TRUE(space.holds(deleted, row(deleted))) << deleted;
  for (int live : {1, 4, 1499, 1501, 2000}) EXPECT_FALSE(space.holds(live, row(live))) << live;
  EXPECT_FALSE(space.holds(1500, ""));
}

TEST(ExpectedFile, EscapingKeepsOneRecordPerLineAndRoundTrips) {
  const std::string body = "line 1\r\nline 2\n\tC:\\N\\t";
  std::string escaped = samplephone::escapeField(body);
  EXPECT_EQ(std::string::npos, escaped.find_first_of("\t\r\n"));
  EXPECT_EQ(body, samplephone::unescapeField(escaped));
  EXPECT_EQ("\\\\N", samplephone::escapeField("\\N"));  // the text \N does not read as NULL
}

}  // namespace
