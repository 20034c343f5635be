// Finds the records of deleted rows in the free space of one page image: the head of each
// freeblock (whose first four bytes SQLite overwrote with the freeblock header), and the
// areas after it, where whole cells, cells behind older freeblock headers and cells that
// lost their header length can lie. Every candidate goes through the RecordValidator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "RecordValidator.h"

namespace engine {

class PageCarver {
 public:
  explicit PageCarver(RecordValidator& validator);

  // A leaf page of the table's own tree: every freeblock of its chain, then the gap
  // between the cell pointer array and the cell content area. `page` holds the usable
  // bytes followed by kPageSlack zero bytes.
  void carveTreeLeaf(const uint8_t* page, std::vector<Record>& out);

  // A page that belongs to no tree (freelist, orphan, WAL frame), from offset `from` on:
  // on a table leaf page the freeblock heads first, then everything else.
  void carveWhole(const uint8_t* page, size_t from, std::vector<Record>& out);

  // The freeblocks of a leaf page as (offset, size), in chain order.
  std::vector<std::pair<size_t, size_t>> freeblockChain(const uint8_t* page) const;

  // The record at the true head of a freeblock at `start` of `size` bytes.
  bool freeblockHead(const uint8_t* page, size_t start, size_t size, bool inTree, Record& out);

  // Scans [pos, end) for records, front to back.
  void scanArea(const uint8_t* page, size_t pos, size_t end, bool inTree, std::vector<Record>& out);

 private:
  struct Candidate {
    Record record;
    bool verified = false;
    bool fills = false;
    int st = 0;
  };
  static bool better(const Candidate& a, const Candidate& b);

  size_t plausibleHeaderSize(const uint8_t* page, size_t c) const;
  bool verifiedAt(const uint8_t* page, size_t c, size_t size, size_t areaEnd, size_t st, Evidence evidence,
                  bool inTree, Record& out);
  bool st4At(const uint8_t* page, size_t c, size_t size, size_t areaEnd, bool inTree, Candidate& out);
  bool st3At(const uint8_t* page, size_t c, size_t size, size_t areaEnd, bool inTree, Candidate& out);
  bool weakAt(const uint8_t* page, size_t c, size_t size, size_t areaEnd, bool inTree, Candidate& out);
  bool exactCellAt(const uint8_t* page, size_t start, size_t areaEnd, bool inTree);
  bool anchoredAt(const uint8_t* page, size_t a, size_t pos, size_t end, bool inTree, Record& out);
  bool lostHeaderAt(const uint8_t* page, size_t c, size_t end, bool inTree, Record& out);

  RecordValidator& validator_;
  const TableRules& rules_;
  const size_t usable_;
  // Scratch space of the searches, kept between calls to spare allocations; each search
  // has its own, since some call others.
  std::vector<uint64_t> verifiedTypes_, anchorTypes_, st4Types_, st4Head_, st3Rest_, st3Types_;
  std::vector<size_t> st4Ends_, st3Ends_;
};

}  // namespace engine
