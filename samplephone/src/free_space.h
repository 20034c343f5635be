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

// Where a row's bytes can still be found in a write-ahead log: the page images of the
// log's frames that are leaf pages of one table, told apart from other tables' leaves by
// the column count of their first record (a leaf without cells counts too). The engine
// carves such an image whole, live cells included: an older image holds rows deleted
// since. A missing log has no frames.
class WalFrameSpace {
 public:
  WalFrameSpace(const std::string& walPath, int columnCount);

  // True when `bytes` lies whole inside one of those page images whose rowids span
  // `rowid` (the image where the row was live, or a later one where it lies deleted
  // between live neighbours), or inside an image without cells.
  bool holds(int64_t rowid, const std::string& bytes) const;

  std::size_t leafImageCount() const { return images_.size(); }

 private:
  struct Image {
    bool empty;
    int64_t firstKey, lastKey;
    std::vector<uint8_t> bytes;
  };
  std::vector<Image> images_;
};

}  // namespace samplephone
