// Databases for the engine tests, written by the SQLite library itself, and small tools to
// look into and damage the files they produce.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct sqlite3;

namespace enginetest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path(const std::string& name) const { return (root_ / name).string(); }

 private:
  std::filesystem::path root_;
};

// An open connection that closes itself.
class Db {
 public:
  explicit Db(const std::string& path);
  ~Db();
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  void exec(const std::string& sql);
  int64_t scalar(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

// Column lists of Android's own tables, in the providers' order.
extern const char kSmsTableAndroid5[];       // 19 columns: address 2, person 3, body 12
extern const char kDataTableAndroid6[];      // 29 columns: raw_contact_id 3, data1 9
extern const char kDataTableAndroid4[];      // 27 columns: raw_contact_id 3, data1 8
extern const char kMimetypesTable[];

struct DbOptions {
  int pageSize = 4096;
  int schemaFormat = 4;  // 1 stores the integers 0 and 1 as one-byte integers, like Android 2.x
};

// Creates an empty database with the given CREATE TABLE statements.
void createDatabase(const std::string& path, const std::vector<std::string>& createStatements,
                    const DbOptions& options = DbOptions());

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
void patchFile(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes);

// The leaf pages of a table or an index, by walking a sound B-tree of the file.
std::vector<uint32_t> leafPagesOf(const std::string& path, const std::string& table);
uint32_t rootPageOf(const std::string& path, const std::string& table);
// Every page of the tree of a table or an index, interior pages too.
std::vector<uint32_t> treePagesOf(const std::string& path, const std::string& name);
uint32_t pageSizeOf(const std::vector<uint8_t>& file);

// Splits a run's text into its lines (without CR LF).
std::vector<std::string> linesOf(const std::string& text);

}  // namespace enginetest
