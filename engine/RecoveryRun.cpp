#include "RecoveryRun.h"

#include <algorithm>
#include <cstring>

#include "ReadOnlyVfs.h"

namespace engine {

std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool OpenDatabase::open(std::unique_ptr<PageSource> source, const std::string& fileName, const RunLimits& limits,
                        std::string& problem) {
  fileName_ = fileName;
  source_ = std::move(source);
  if (source_ == nullptr) {
    problem = fileName + " could not be opened.";
    return false;
  }
  if (!source_->valid()) {
    problem = fileName + " is not a database the engine can read (its header is damaged or missing).";
    return false;
  }
  std::string why;
  {
    ReadOnlyVfs vfs(*source_);
    Baseline baseline(vfs, limits.cancel, limits.deadline);
    if (!baseline.readSchema(schema_, why)) {
      problem = "The schema of " + fileName + " could not be read: " + why + ".";
      return false;
    }
  }
  std::vector<std::pair<uint32_t, bool>> roots;
  for (const TreeInfo& tree : schema_.trees) roots.emplace_back(tree.root, tree.isIndex);
  map_ = std::make_unique<DatabaseMap>(mapDatabase(*source_, roots, schema_.otherRoots, limits.cancel));
  return true;
}

int OpenDatabase::table(const std::string& name) const {
  for (size_t i = 0; i < schema_.trees.size(); ++i) {
    if (!schema_.trees[i].isIndex && schema_.trees[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

LiveRead readLiveRows(OpenDatabase& db, int tree, const RunLimits& limits, const LiveRowReader::Visitor& row) {
  LiveRead read;
  const TreeShape& shape = db.map().trees[static_cast<size_t>(tree)];
  read.complete = shape.complete;
  LiveRowReader reader(db.source(), db.map().pages, static_cast<uint16_t>(tree));
  for (const uint32_t leaf : shape.leaves) {
    if (limits.cancelled()) break;
    if (!reader.readLeaf(leaf, row)) {
      read.complete = false;
      read.unreadableLeaves.push_back(leaf);
    }
  }
  if (shape.complete) return read;
  // Below a page the walk could not follow lie leaves nobody reached: table leaves that no
  // tree holds may be among them, so their rows count as live too. Otherwise stale copies
  // of those rows elsewhere in the file would come out as deleted.
  std::vector<uint8_t> page(db.source().pageSize() + kPageSlack);
  const PageMap& pages = db.map().pages;
  for (uint32_t pgno = 2; pgno <= pages.pageCount() && !limits.cancelled(); ++pgno) {
    if (pages.role(pgno) != PageMap::kUnknown || !db.source().readPage(pgno, page.data()) || page[0] != 13) continue;
    reader.readLeaf(pgno, row);
  }
  return read;
}

void NullWatch::see(const RecordView& record) {
  ++rows_;
  // A column the record lacks holds its default, which is not NULL for the columns Android
  // adds later.
  uint8_t* saw = sawNull_.data();
  const size_t columns = sawNull_.size();
  record.forEachType([&](size_t i, uint64_t type) {
    if (i < columns && type == 0) saw[i] = 1;
  });
}

std::vector<bool> NullWatch::neverNull() const {
  constexpr int64_t kRowsToBelieve = 20;
  std::vector<bool> never(sawNull_.size(), false);
  if (rows_ < kRowsToBelieve) return never;
  for (size_t i = 0; i < never.size(); ++i) never[i] = sawNull_[i] == 0;
  return never;
}

}  // namespace engine
