// Read-only access to one pulled Android database through SQLite.
//
// Android's schemas differ between versions and vendors: tables come and go and columns are
// added. Every query here names the columns it would like and gets NULL for those the table
// lacks, and a missing table simply yields no rows.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class ListArena;

namespace engine {
class PageSource;
class ReadOnlyVfs;
}  // namespace engine

class AndroidDb {
 public:
  AndroidDb();
  ~AndroidDb();
  AndroidDb(const AndroidDb&) = delete;
  AndroidDb& operator=(const AndroidDb&) = delete;

  // Opens the database as the phone last committed it: the file with the committed frames
  // of the "-wal" beside it, or with the original pages of a hot "-journal" put back;
  // `ansiPath` is in the ANSI code page. SQLite reads through the engine's read-only VFS,
  // so nothing is written into the file or beside it (no rollback, no checkpoint, no
  // "-shm"). Returns false when the file is missing or is not a readable SQLite database.
  bool open(const char* ansiPath);

  // Lower-case column names of `table`; empty when the table does not exist.
  std::set<std::string> columns(const char* table);

  // One ORDER BY term; terms whose column the table lacks are left out.
  struct Order {
    const char* column;
    bool descending;
  };

  // Runs SELECT over the wanted columns of `table` (NULL in place of missing ones) and calls
  // `row` for every result row; result column i is wanted[i]. Returns false when the table
  // is missing or the query fails; rows already delivered stay delivered.
  bool select(const char* table, const std::vector<const char*>& wanted,
              const std::vector<Order>& order, const std::function<void(sqlite3_stmt*)>& row);

 private:
  bool probe();
  void close();

  std::unique_ptr<engine::PageSource> source_;
  std::unique_ptr<engine::ReadOnlyVfs> vfs_;
  sqlite3* db_ = nullptr;  // reads through vfs_, which reads source_: closed first
};

// A column value as NUL-terminated text in the ANSI code page, copied into `arena`; null for
// NULL and blob values (and when memory runs out).
char* ColumnAnsiText(ListArena& arena, sqlite3_stmt* stmt, int col);

// UTF-8 text converted to the ANSI code page through UTF-16; invalid UTF-8 sequences become
// the replacement character first, characters the code page lacks its default character.
std::string Utf8ToAnsi(const std::string& utf8);

// ANSI code page text converted to UTF-8 (file names for SQLite).
std::string AnsiToUtf8(const std::string& ansi);

// A time in milliseconds since 1970-01-01 UTC as local time "YYYY-MM-DD HH:MM:SS"; empty for
// 0, negative values and values past the year 9999.
std::string FormatLocalTime(int64_t unixMillis);
