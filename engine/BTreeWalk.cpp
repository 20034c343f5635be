#include "BTreeWalk.h"

#include <algorithm>

#include "Bytes.h"
#include "DatabaseHeader.h"
#include "PageSource.h"

namespace engine {

bool PageMap::claim(uint32_t pgno, Role role, uint16_t tree) {
  if (!contains(pgno) || role_[pgno] != kUnknown) return false;
  role_[pgno] = role;
  tree_[pgno] = tree;
  return true;
}

BTreeWalker::BTreeWalker(PageSource& source, PageMap& map, const std::atomic<bool>* cancel)
    : source_(source), map_(map), cancel_(cancel) {
  page_.resize(source_.pageSize() + kPageSlack);
}

TreeShape BTreeWalker::walk(uint32_t root, bool isIndex, uint16_t tree) {
  TreeShape shape;
  const uint8_t interiorType = isIndex ? 2 : 5;
  const uint8_t leafType = isIndex ? 10 : 13;
  const uint32_t usable = source_.usable();
  std::vector<uint32_t> pending;
  if (!map_.claim(root, PageMap::kTreePage, tree)) {
    shape.complete = false;
    return shape;
  }
  pending.push_back(root);
  // Ends: a page is pushed only when it is claimed, and each page is claimed at most once.
  // Depth first with an explicit stack, children pushed right to left so that leaves come
  // out in key order.
  while (!pending.empty()) {
    if (cancelled()) {
      shape.complete = false;
      break;
    }
    const uint32_t pgno = pending.back();
    pending.pop_back();
    const uint32_t at = pgno == 1 ? kFileHeaderSize : 0;  // page 1 starts with the file header
    if (!source_.readPage(pgno, page_.data())) {
      shape.complete = false;
      continue;
    }
    const uint8_t* header = page_.data() + at;
    if (header[0] == leafType) {
      shape.leaves.push_back(pgno);
      continue;
    }
    if (header[0] != interiorType) {
      shape.complete = false;
      continue;
    }
    shape.interiors.push_back(pgno);
    const uint32_t cellCount = readBigEndian16(header + 3);
    if (cellCount > (usable - at - 12) / 2) shape.complete = false;
    const uint32_t cells = std::min(cellCount, (usable - at - 12) / 2);
    std::vector<uint32_t> children;
    children.reserve(cells + 1);
    for (uint32_t i = 0; i < cells; ++i) {
      const uint32_t cell = readBigEndian16(header + 12 + 2 * i) & (source_.pageSize() - 1);  // as SQLite reads it
      // A cell must lie after the header and hold its 4-byte child number inside the page.
      if (cell < at + 12 + 2 * cells || cell > usable - 4) {
        shape.complete = false;
        continue;
      }
      children.push_back(readBigEndian32(page_.data() + cell));
    }
    children.push_back(readBigEndian32(header + 8));
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
      if (!map_.claim(*child, PageMap::kTreePage, tree)) {
        shape.complete = false;
        continue;
      }
      pending.push_back(*child);
    }
  }
  return shape;
}

std::vector<std::pair<uint32_t, uint32_t>> BTreeWalker::freelist(bool& complete) {
  complete = true;
  std::vector<std::pair<uint32_t, uint32_t>> pages;
  const uint32_t usable = source_.usable();
  uint32_t trunk = source_.header().firstTrunk;
  // Ends: a trunk is followed only when it is claimed, at most once each.
  while (trunk != 0) {
    if (!map_.claim(trunk, PageMap::kFreelistTrunk) || !source_.readPage(trunk, page_.data())) {
      complete = false;
      break;
    }
    const uint32_t listed = readBigEndian32(page_.data() + 4);
    if (listed > (usable - 8) / 4) complete = false;
    const uint32_t leaves = std::min(listed, (usable - 8) / 4);
    pages.emplace_back(trunk, 8 + 4 * leaves);
    for (uint32_t i = 0; i < leaves; ++i) {
      const uint32_t leaf = readBigEndian32(page_.data() + 8 + 4 * i);
      if (!map_.claim(leaf, PageMap::kFreelistLeaf)) {
        complete = false;
        continue;
      }
      pages.emplace_back(leaf, 0);
    }
    trunk = readBigEndian32(page_.data());
  }
  return pages;
}

void BTreeWalker::claimFormatPages() {
  if (source_.header().largestRoot != 0) {
    for (uint32_t pgno = 2; pgno <= map_.pageCount(); ++pgno) {
      if (isPointerMapPage(pgno, source_.usable())) map_.claim(pgno, PageMap::kPointerMap);
    }
  }
  // The page holding the byte at 1 GiB is never used by SQLite.
  const uint64_t lockPage = (uint64_t{1} << 30) / source_.pageSize() + 1;
  if (lockPage <= map_.pageCount()) map_.claim(static_cast<uint32_t>(lockPage), PageMap::kLockByte);
}

}  // namespace engine

namespace engine {

DatabaseMap mapDatabase(PageSource& source, const std::vector<std::pair<uint32_t, bool>>& roots,
                        const std::vector<std::pair<uint32_t, bool>>& otherRoots,
                        const std::atomic<bool>* cancel) {
  DatabaseMap map(source.pageCount());
  BTreeWalker walker(source, map.pages, cancel);
  walker.claimFormatPages();
  map.schemaComplete = walker.walk(1, false, PageMap::kNoTree - 1).complete;
  for (size_t i = 0; i < roots.size(); ++i) {
    map.trees.push_back(walker.walk(roots[i].first, roots[i].second, static_cast<uint16_t>(i)));
  }
  for (const auto& [root, isIndex] : otherRoots) {
    map.schemaComplete = walker.walk(root, isIndex, PageMap::kNoTree - 1).complete && map.schemaComplete;
  }
  map.freelist = walker.freelist(map.freelistComplete);
  return map;
}

}  // namespace engine
