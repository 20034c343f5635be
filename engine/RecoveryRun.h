// What both runs share: one database opened for a run (pages, schema, map), the limits a
// run keeps to (the caller's cancel flag, a deadline for SQLite), and the reading of a
// table's live rows.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BTreeWalk.h"
#include "Baseline.h"
#include "LiveRows.h"
#include "PageSource.h"

namespace engine {

struct RunLimits {
  const std::atomic<bool>* cancel = nullptr;
  std::chrono::steady_clock::time_point deadline;
  bool cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
};

// How long SQLite may take over the schema of one database before a run gives up on it.
constexpr std::chrono::seconds kSqliteDeadline{15};

class OpenDatabase {
 public:
  // Takes the database's pages, reads its schema through SQLite and maps its pages. False
  // with `problem` set (a sentence naming `fileName`) when any of that fails.
  bool open(std::unique_ptr<PageSource> source, const std::string& fileName, const RunLimits& limits,
            std::string& problem);

  PageSource& source() { return *source_; }
  const Schema& schema() const { return schema_; }
  DatabaseMap& map() { return *map_; }
  const std::string& fileName() const { return fileName_; }
  // The tree number of the real table `name` (neither a view nor virtual); -1 when none.
  int table(const std::string& name) const;
  const TreeInfo& tree(int number) const { return schema_.trees[static_cast<size_t>(number)]; }

 private:
  std::unique_ptr<PageSource> source_;
  Schema schema_;
  std::unique_ptr<DatabaseMap> map_;
  std::string fileName_;
};

struct LiveRead {
  bool complete = true;                    // every live row of the table was read
  std::vector<uint32_t> unreadableLeaves;  // leaves whose cells could not all be read
};

// Reads every live row of table `tree` in key order. When its tree cannot be followed
// whole, the rows of table leaves no tree holds are handed over too, as possibly live.
LiveRead readLiveRows(OpenDatabase& db, int tree, const RunLimits& limits, const LiveRowReader::Visitor& row);

// Which columns are never NULL among the live rows (believed from 20 rows on).
class NullWatch {
 public:
  explicit NullWatch(size_t columns) : sawNull_(columns, 0) {}
  void see(const RecordView& record);
  std::vector<bool> neverNull() const;

 private:
  std::vector<uint8_t> sawNull_;
  int64_t rows_ = 0;
};

// The file name at the end of a path, for the sentences of a run's report.
std::string fileNameOf(const std::string& path);

}  // namespace engine
