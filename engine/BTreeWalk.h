// The tree walk: which pages of the current database belong to which tree, which are on
// the freelist, and which no structure reaches. A tree's leaves come in key order; a walk
// that meets a page it cannot follow says so, since the rows below that page are unknown.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace engine {

class PageSource;

// What each page of the current database is, as far as the walks found out.
class PageMap {
 public:
  enum Role : uint8_t { kUnknown, kTreePage, kOverflow, kFreelistTrunk, kFreelistLeaf, kPointerMap, kLockByte };
  static constexpr uint16_t kNoTree = 0xFFFF;

  explicit PageMap(uint32_t pageCount) : role_(pageCount + 1, kUnknown), tree_(pageCount + 1, kNoTree) {}
  uint32_t pageCount() const { return static_cast<uint32_t>(role_.size() - 1); }
  bool contains(uint32_t pgno) const { return pgno >= 1 && pgno < role_.size(); }
  Role role(uint32_t pgno) const { return contains(pgno) ? role_[pgno] : kUnknown; }
  uint16_t tree(uint32_t pgno) const { return contains(pgno) ? tree_[pgno] : kNoTree; }
  // Claims a page that has no role yet; false when it has one (a loop or a shared page).
  bool claim(uint32_t pgno, Role role, uint16_t tree = kNoTree);

 private:
  std::vector<Role> role_;
  std::vector<uint16_t> tree_;
};

struct TreeShape {
  std::vector<uint32_t> leaves;     // in key order
  std::vector<uint32_t> interiors;  // interior pages, in the order met
  bool complete = true;             // every page below the root could be followed
};

class BTreeWalker {
 public:
  // `cancel`, when set, ends every walk early (its shape then incomplete).
  BTreeWalker(PageSource& source, PageMap& map, const std::atomic<bool>* cancel = nullptr);

  // Walks the tree at `root` (a table tree when `isIndex` is false), claiming its pages for
  // tree number `tree`.
  TreeShape walk(uint32_t root, bool isIndex, uint16_t tree);

  // Claims the freelist's trunks and leaves; returns (page, first byte that holds no
  // freelist data) in freelist order: trunks from the end of their list, leaves from 0.
  // False in `complete` when the chain is damaged.
  std::vector<std::pair<uint32_t, uint32_t>> freelist(bool& complete);

  // Claims the pointer-map pages of an auto-vacuum file and the page of the lock byte.
  void claimFormatPages();

 private:
  bool cancelled() const { return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed); }

  PageSource& source_;
  PageMap& map_;
  const std::atomic<bool>* cancel_;
  std::vector<uint8_t> page_;
};

}  // namespace engine

namespace engine {

// The map of a whole database: every tree named in `roots` (a root page and whether it is
// an index tree) walked as tree number = its position, then sqlite_master and the other
// trees (`otherRoots`, walked as index trees), the freelist and the format's own pages.
struct DatabaseMap {
  explicit DatabaseMap(uint32_t pageCount) : pages(pageCount) {}
  PageMap pages;
  std::vector<TreeShape> trees;  // by tree number
  std::vector<std::pair<uint32_t, uint32_t>> freelist;
  bool schemaComplete = true;    // sqlite_master and the other trees could be followed
  bool freelistComplete = true;
};

DatabaseMap mapDatabase(PageSource& source, const std::vector<std::pair<uint32_t, bool>>& roots,
                        const std::vector<std::pair<uint32_t, bool>>& otherRoots,
                        const std::atomic<bool>* cancel = nullptr);

}  // namespace engine
