#pragma once

// Where a deleted row's bytes can still be found: the free space of the leaf pages of one
// table's B-tree (the freeblocks and the gap between the cell pointer array and the cell
// content area), read from the finished file.

#include <cstdint>
#include <string>
#include <vector>

namespace samplephone {

class TableFreeSpace {
 public:
  TableFreeSpace(const std::string& path, uint32_t rootPage);

  // True when `bytes` lies whole inside one free region of the leaf page where a row with
  // this rowid belongs, or of one of its two neighbours on either side (a rebalance may
  // have moved the row's old bytes there).
  bool holds(int64_t rowid, const std::string& bytes) const;

  std::size_t leafCount() const { return leaves_.size(); }

 private:
  struct Leaf {
    uint32_t pgno;
    int64_t maxKey;  // rows of this leaf have rowids up to this key
    std::vector<std::pair<uint32_t, uint32_t>> regions;  // [begin, end) offsets in the page
  };

  void walk(uint32_t pgno, int64_t maxKey, int depth);
  void addLeaf(uint32_t pgno, int64_t maxKey);
  const uint8_t* page(uint32_t pgno) const;

  std::vector<uint8_t> file_;
  uint32_t pageSize_ = 0;
  std::vector<Leaf> leaves_;  // in key order
};

}  // namespace samplephone
