#include "TestDatabase.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace enginetest {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  root_ = fs::temp_directory_path() /
          ("retrievo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(root_);
}

TempDir::~TempDir() {
  if (std::getenv("RETRIEVO_KEEP_TEST_FILES") != nullptr) return;  // for looking into a failure
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

Db::Db(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
  // Debian's SQLite zeroes freed space by default; phones before Android 8 did not, and the
  // tests delete the way those phones do. The setting belongs to each connection.
  exec("PRAGMA secure_delete=OFF");
}

Db::~Db() { sqlite3_close(db_); }

void Db::exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(message + " in: " + sql);
  }
}

int64_t Db::scalar(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error("cannot prepare: " + sql);
  }
  int64_t value = 0;
  if (sqlite3_step(statement) == SQLITE_ROW) value = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  return value;
}

const char kSmsTableAndroid5[] =
    "CREATE TABLE sms (_id INTEGER PRIMARY KEY,thread_id INTEGER,address TEXT,person INTEGER,"
    "date INTEGER,date_sent INTEGER DEFAULT 0,protocol INTEGER,read INTEGER DEFAULT 0,"
    "status INTEGER DEFAULT -1,type INTEGER,reply_path_present INTEGER,subject TEXT,body TEXT,"
    "service_center TEXT,locked INTEGER DEFAULT 0,sub_id INTEGER DEFAULT -1,"
    "error_code INTEGER DEFAULT 0,creator TEXT,seen INTEGER DEFAULT 0)";

const char kDataTableAndroid6[] =
    "CREATE TABLE data (_id INTEGER PRIMARY KEY AUTOINCREMENT,package_id INTEGER,"
    "mimetype_id INTEGER NOT NULL,raw_contact_id INTEGER NOT NULL,hash_id TEXT,"
    "is_read_only INTEGER NOT NULL DEFAULT 0,is_primary INTEGER NOT NULL DEFAULT 0,"
    "is_super_primary INTEGER NOT NULL DEFAULT 0,data_version INTEGER NOT NULL DEFAULT 0,"
    "data1 TEXT,data2 TEXT,data3 TEXT,data4 TEXT,data5 TEXT,data6 TEXT,data7 TEXT,data8 TEXT,"
    "data9 TEXT,data10 TEXT,data11 TEXT,data12 TEXT,data13 TEXT,data14 TEXT,data15 TEXT,"
    "data_sync1 TEXT,data_sync2 TEXT,data_sync3 TEXT,data_sync4 TEXT,carrier_presence INTEGER NOT NULL DEFAULT 0)";

const char kDataTableAndroid4[] =
    "CREATE TABLE data (_id INTEGER PRIMARY KEY AUTOINCREMENT,package_id INTEGER,"
    "mimetype_id INTEGER NOT NULL,raw_contact_id INTEGER NOT NULL,"
    "is_read_only INTEGER NOT NULL DEFAULT 0,is_primary INTEGER NOT NULL DEFAULT 0,"
    "is_super_primary INTEGER NOT NULL DEFAULT 0,data_version INTEGER NOT NULL DEFAULT 0,"
    "data1 TEXT,data2 TEXT,data3 TEXT,data4 TEXT,data5 TEXT,data6 TEXT,data7 TEXT,data8 TEXT,"
    "data9 TEXT,data10 TEXT,data11 TEXT,data12 TEXT,data13 TEXT,data14 TEXT,data15 TEXT,"
    "data_sync1 TEXT,data_sync2 TEXT,data_sync3 TEXT,data_sync4 TEXT)";

const char kMimetypesTable[] = "CREATE TABLE mimetypes (_id INTEGER PRIMARY KEY AUTOINCREMENT,mimetype TEXT NOT NULL)";

void createDatabase(const std::string& path, const std::vector<std::string>& createStatements,
                    const DbOptions& options) {
  {
    Db db(path);
    db.exec("PRAGMA page_size=" + std::to_string(options.pageSize));
    db.exec("PRAGMA secure_delete=OFF");
    db.exec("PRAGMA auto_vacuum=NONE");
    for (const std::string& statement : createStatements) db.exec(statement);
  }
  if (options.schemaFormat != 4) {
    // Records written after this use the older format's serial types; SQLite takes the
    // format from this header byte when it opens the file.
    patchFile(path, 44, {0, 0, 0, static_cast<uint8_t>(options.schemaFormat)});
  }
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void patchFile(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> file = readFile(path);
  if (offset + bytes.size() > file.size()) throw std::runtime_error("patch beyond the file");
  std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
  writeFile(path, file);
}

uint32_t pageSizeOf(const std::vector<uint8_t>& file) {
  const uint32_t field = static_cast<uint32_t>(file.at(16)) << 8 | file.at(17);
  return field == 1 ? 65536 : field;
}

uint32_t rootPageOf(const std::string& path, const std::string& table) {
  Db db(path);
  return static_cast<uint32_t>(
      db.scalar("SELECT rootpage FROM sqlite_master WHERE name='" + table + "'"));
}

namespace {

uint32_t be16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void collectLeaves(const std::vector<uint8_t>& file, uint32_t pageSize, uint32_t page,
                   std::vector<uint32_t>& leaves, std::vector<uint32_t>* interiors = nullptr) {
  if (page == 0) return;
  const uint8_t* p = file.data() + static_cast<size_t>(page - 1) * pageSize;
  if (p[0] == 13 || p[0] == 10) {
    leaves.push_back(page);
  } else if (p[0] == 5 || p[0] == 2) {
    if (interiors != nullptr) interiors->push_back(page);
    const uint32_t cells = be16(p + 3);
    for (uint32_t i = 0; i < cells; ++i) {
      collectLeaves(file, pageSize, be32(p + be16(p + 12 + 2 * i)), leaves, interiors);
    }
    collectLeaves(file, pageSize, be32(p + 8), leaves, interiors);
  }
}

}  // namespace

std::vector<uint32_t> leafPagesOf(const std::string& path, const std::string& table) {
  const uint32_t root = rootPageOf(path, table);
  const std::vector<uint8_t> file = readFile(path);
  std::vector<uint32_t> leaves;
  collectLeaves(file, pageSizeOf(file), root, leaves);
  return leaves;
}

std::vector<uint32_t> treePagesOf(const std::string& path, const std::string& name) {
  const uint32_t root = rootPageOf(path, name);
  const std::vector<uint8_t> file = readFile(path);
  std::vector<uint32_t> pages;
  collectLeaves(file, pageSizeOf(file), root, pages, &pages);
  return pages;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));  // an unterminated rest
  return lines;
}

}  // namespace enginetest
