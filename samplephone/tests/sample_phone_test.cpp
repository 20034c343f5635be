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

#include "expected.h"
#include "free_space.h"

namespace {

namespace fs = std::filesystem;

const char* const kItineraryStart = "【行程确认】林小雨女士您好";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  in.seekg(0);
  in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// Writes a phone into a fresh folder below the scratch folder and returns that folder.
fs::path makePhone(const std::string& name, const std::string& options = "") {
  fs::path dir = fs::path(SAMPLE_PHONE_SCRATCH) / name;
  fs::remove_all(dir);
  std::string command = std::string("\"") + SAMPLE_PHONE_EXE + "\" " + options + " \"" + dir.string() + "\"";
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "failed: " << command;
  return dir;
}

std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    char c = field[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

// One record line of expected-deleted.tsv, fields unescaped.
using Record = std::vector<std::string>;

std::vector<Record> readExpected(const fs::path& dir, const std::string& kind) {
  std::ifstream in(dir / "expected-deleted.tsv", std::ios::binary);
  std::vector<Record> records;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    Record fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(unescape(line.substr(start, tab - start)));
    fields.push_back(unescape(line.substr(start)));
    if (fields[0] == kind) records.push_back(fields);
  }
  return records;
}

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

 private:
  sqlite3* db_ = nullptr;
};

class StandardPhone : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = makePhone("standard"); }
  static fs::path dir_;
};
fs::path StandardPhone::dir_;

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
  EXPECT_EQ(body, unescape(escaped));
  EXPECT_EQ("\\\\N", samplephone::escapeField("\\N"));  // the text \N does not read as NULL
}

}  // namespace
