// Finds deleted entries of an index in the free space of a page. An index cell is its
// payload length and its record, whose last column is the rowid of the row it points to;
// there is no rowid before the record, so a freeblock header written over a freed cell
// always hides the record's header length and its first serial types. Those are found
// again from where the cell must end: the end of its freeblock, or the start of the next
// cell found intact. Every candidate goes through the RecordValidator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "PageCarver.h"
#include "RecordValidator.h"

namespace engine {

class IndexCarver : public Carver {
 public:
  explicit IndexCarver(RecordValidator& validator);

  void carveFreeSpace(const uint8_t* page, bool pageOne, bool inTree, std::vector<Record>& out) override;
  void carveWhole(const uint8_t* page, size_t from, std::vector<Record>& out) override;

  // A cell at `c` whose first four bytes a freeblock header overwrote, ending exactly at `end`.
  bool lostHeadAt(const uint8_t* page, size_t c, size_t end, bool inTree, Record& out);

 private:
  // Carves [pos, end): cells found intact, and (with `lostHeads`) between them cells behind
  // old freeblock headers. With `head`, the area starts with a freeblock header of its own.
  void carveArea(const uint8_t* page, size_t pos, size_t end, bool head, bool inTree, bool lostHeads,
                 std::vector<Record>& out);
  bool intactFrom(const uint8_t* page, size_t a, size_t start, size_t end, bool inTree, Record& out);
  bool plausibleHeader(const uint8_t* page, size_t c) const;
  // A cell's header at `a` (header length, serial types, the payload length before it),
  // starting at or after `pos`; its record may not read.
  bool shellAt(const uint8_t* page, size_t a, size_t pos, size_t end, size_t& cellStart, size_t& cellEnd);
  bool tryLostHead(const uint8_t* page, size_t c, size_t lp, size_t lostColumns, size_t end, bool inTree,
                   Record& out);

  RecordValidator& validator_;
  const TableRules& rules_;
  const size_t usable_;
  std::vector<uint64_t> types_, visible_;
  // Scratch space of carveArea(), kept between calls to spare allocations.
  std::vector<Record> intact_, lost_;
  std::vector<std::pair<size_t, size_t>> shells_;
  std::vector<size_t> headers_;
};

}  // namespace engine
