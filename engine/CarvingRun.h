// The carving of one database in the run's order:
//   1. pages in ascending order: the free space of every tree's pages (except leaves whose
//      live rows could not be read), and pages no tree reaches (only when the run's table
//      was read whole: below a page that cannot be followed lie live rows nobody read);
//   2. the pages on the freelist;
//   3. the older images of pages (log frames, journal records, replaced pages).
// Every page is tried against every structure added (the run's table and the tables and
// indexes that hold copies of its values), and against the other trees of the file as
// rivals: where readings of the same bytes compete, the best-evidenced wins (an intact cell
// over one read behind an overwritten header, the tree that owns the page over the
// others), and a tie between structures is no reading at all. On a leaf of a structure's
// own tree the lenient demands of its own free space apply, everywhere else the strict
// ones, and outside its own pages only intact cells count (a page no tree holds is taken
// as the page of the structure most of its intact cells fit). The run is also where validators follow a deleted row's overflow chain (through
// freelist leaves only).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "RecordValidator.h"
#include "RecoveryRun.h"

namespace engine {

class CarvingRun : public OverflowSource {
 public:
  using Keep = std::function<void(size_t structure, Record& record, Origin origin)>;
  CarvingRun(OpenDatabase& db, const RunLimits& limits);
  ~CarvingRun() override;

  // Adds the structure of tree `tree` with its rules; returns its number.
  size_t add(int tree, const TableRules& rules);

  // Carves in the run's order; `skip` are pages not to carve at all, and pages no tree
  // reaches are carved only with `unreachedToo`.
  void carve(const std::vector<uint32_t>& skip, bool unreachedToo, const Keep& keep);

  bool isFreelistLeaf(uint32_t pgno) const override;
  bool readPagePrefix(uint32_t pgno, uint8_t* dst, size_t length) override;

 private:
  struct Structure;
  struct Found {
    size_t structure;
    Record record;
  };
  void addRivals();
  void carvePage(const uint8_t* page, uint32_t pgno, bool whole, size_t from, Origin origin, const Keep& keep);
  void resolve(int owner);

  OpenDatabase& db_;
  const RunLimits& limits_;
  size_t structureCount_ = 0;  // the structures added; the rivals come after them
  std::vector<std::unique_ptr<Structure>> structures_;
  std::vector<int> rivalOfTree_;  // tree number -> its structure or rival, -1 for none
  std::vector<uint8_t> page_, overflow_;
  std::vector<Record> records_;
  struct Kept {
    uint32_t index;  // in found_
    bool cancelled;
  };
  std::vector<Found> found_, resolved_;
  std::vector<uint64_t> rank_;     // by reading
  std::vector<uint32_t> order_;    // readings, best first
  std::vector<Kept> kept_;         // in the order of their starts
};

}  // namespace engine
