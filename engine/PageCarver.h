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

// What the run asks of a carver, whatever the layout of the cells it looks for.
class Carver {
 public:
  virtual ~Carver() = default;
  virtual void carveFreeSpace(const uint8_t* page, bool pageOne, bool inTree, std::vector<Record>& out) = 0;
  virtual void carveWhole(const uint8_t* page, size_t from, std::vector<Record>& out) = 0;
};

// The carver of table cells: payload length, rowid, record.
class PageCarver : public Carver {
 public:
  explicit PageCarver(RecordValidator& validator);

  // The free space of a B-tree page (any type; page 1 after its file header): every
  // freeblock of its chain, then the gap between the cell pointer array and the cell
  // content area. `inTree`: the page is a leaf of the table's own tree, which proves more
  // than free space elsewhere. `page` holds the usable bytes followed by kPageSlack zeros.
  void carveFreeSpace(const uint8_t* page, bool pageOne, bool inTree, std::vector<Record>& out) override;
  void carveTreeLeaf(const uint8_t* page, std::vector<Record>& out) { carveFreeSpace(page, false, true, out); }

  // A page that belongs to no tree (freelist, orphan, WAL frame), from offset `from` on:
  // on a table leaf page the freeblock heads first, then everything else.
  void carveWhole(const uint8_t* page, size_t from, std::vector<Record>& out) override;

  // The freeblocks of a page whose header (with its cell pointer array) ends at
  // `headerEnd`, as (offset, size), in chain order; `at` is where the page header starts.
  std::vector<std::pair<size_t, size_t>> freeblockChain(const uint8_t* page, size_t at = 0,
                                                        size_t headerEnd = 8) const;

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
  bool weakRecordFits(const uint8_t* page, const RecordShape& shape, size_t c, size_t size, bool mustFill,
                      bool inTree, Record& record);
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
  // The first tests of anchoredAt() and lostHeaderAt(), which reject nearly every offset of
  // an area, inline so that the scan pays for the full searches only where they may succeed.
  // A header holds a serial type of at most four bytes per column.
  bool mayAnchorAt(const uint8_t* page, size_t a, size_t end) const {
    const uint8_t b = page[a];
    size_t st = a + 1;
    if (b < 0x80) {
      if (b < 1 + rules_.minColumns() || b > end - a || b > 1 + 4 * static_cast<size_t>(rules_.columnCount())) {
        return false;
      }
    } else {
      if (b == 0x80 || page[a + 1] >= 0x80) return false;
      const size_t hl = static_cast<size_t>(b & 0x7F) << 7 | page[a + 1];
      if (hl > 2 + 4 * static_cast<size_t>(rules_.columnCount())) return false;
      st = a + 2;
    }
    return st < end && rules_.canBeginType(0, page[st]);
  }
  bool mayHaveLostHeaderAt(const uint8_t* page, size_t c, size_t end) const {
    if (page[c] > (usable_ - 4) / 256 || c + 4 >= end) return false;
    return (static_cast<size_t>(page[c + 2]) << 8 | page[c + 3]) >= 3 + static_cast<size_t>(rules_.minColumns());
  }

  RecordValidator& validator_;
  const TableRules& rules_;
  // Outside its own tree's pages only intact cells are believed, so the searches for
  // cells behind overwritten headers are not made there.
  bool strongOnly_ = false;
  const size_t usable_;
  // Scratch space of the searches, kept between calls to spare allocations; each search
  // has its own, since some call others.
  std::vector<uint64_t> verifiedTypes_, anchorTypes_, st4Types_, st4Head_, st3Rest_, st3Types_;
  std::vector<size_t> st4Ends_, st3Ends_;
  std::vector<uint64_t> st3Guesses_;
};

}  // namespace engine
