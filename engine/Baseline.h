// Everything the engine asks SQLite: the schema of the current database (every table and
// index with its root page and declared columns). The connection reads through the
// read-only VFS, runs defensive, treats the schema as untrusted, and a progress handler
// ends any statement once the run is cancelled or its deadline has passed. Live rows are
// not read here: the engine's own page reader does that.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "TableRules.h"

struct sqlite3;

namespace engine {

class ReadOnlyVfs;

// One tree of the file: a table with rowids, or an index.
struct TreeInfo {
  std::string name;
  std::string table;     // the table an index belongs to (its own name for a table)
  bool isIndex = false;
  uint32_t root = 0;
  // A table's declared columns; an index's key columns (declared as in their table), then
  // the rowid, which every index record ends with.
  std::vector<ColumnInfo> columns;
  // For an index: the position in its table of each column (-1 for the rowid or an expression).
  std::vector<int> tableColumns;
};

// Whether `text` ends with `suffix`: names of the full-text tables and their columns are
// known by their endings ("..._content", "c1index_text").
inline bool endsWith(const std::string& text, const char* suffix) {
  const size_t n = std::char_traits<char>::length(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

struct Schema {
  std::vector<TreeInfo> trees;
  // Roots of the trees not described (WITHOUT ROWID tables, ...), each with whether its
  // pages are index pages.
  std::vector<std::pair<uint32_t, bool>> otherRoots;
  const TreeInfo* find(const std::string& name) const;
  // Position of the column `name` in table `tree`, -1 when it has none.
  static int columnOf(const TreeInfo& tree, const char* name);
  // Position of the column of `tree` whose name ends with `suffix` (the full-text tables
  // prefix their columns with "c0", "c1", ...), -1 when none.
  static int columnEndingWith(const TreeInfo& tree, const char* suffix);
};

class Baseline {
 public:
  Baseline(ReadOnlyVfs& vfs, const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point deadline);
  ~Baseline();
  Baseline(const Baseline&) = delete;
  Baseline& operator=(const Baseline&) = delete;

  // Reads the schema; false with `problem` set when SQLite cannot read it.
  bool readSchema(Schema& schema, std::string& problem);

  // Whether the run was stopped by the cancel flag (rather than by the deadline).
  bool cancelled() const { return cancelled_; }

 private:
  static int progress(void* self);

  ::sqlite3* db_ = nullptr;
  const std::atomic<bool>* cancel_;
  std::chrono::steady_clock::time_point deadline_;
  bool cancelled_ = false;
};

}  // namespace engine
