#include "CarvingRun.h"

#include <algorithm>
#include <cstring>

#include "IndexCarver.h"
#include "PageCarver.h"

namespace engine {

struct CarvingRun::Structure {
  Structure(int treeNumber, const TableRules& tableRules, OverflowSource* overflow, uint32_t usable)
      : tree(treeNumber), rules(tableRules), validator(rules, usable, overflow) {
    if (rules.isIndex()) {
      carver = std::make_unique<IndexCarver>(validator);
    } else {
      carver = std::make_unique<PageCarver>(validator);
    }
  }
  int tree;
  TableRules rules;
  RecordValidator validator;
  std::unique_ptr<Carver> carver;
};

CarvingRun::CarvingRun(OpenDatabase& db, const RunLimits& limits) : db_(db), limits_(limits) {
  page_.resize(db_.source().pageSize() + kPageSlack);
  overflow_.resize(db_.source().pageSize() + kPageSlack);
  rivalOfTree_.assign(db_.schema().trees.size(), -1);
}

CarvingRun::~CarvingRun() = default;

size_t CarvingRun::add(int tree, const TableRules& rules) {
  structures_.push_back(std::make_unique<Structure>(tree, rules, this, db_.source().usable()));
  structureCount_ = structures_.size();
  if (tree >= 0 && static_cast<size_t>(tree) < rivalOfTree_.size() && rivalOfTree_[tree] < 0) {
    rivalOfTree_[tree] = static_cast<int>(structures_.size() - 1);
  }
  return structures_.size() - 1;
}

// Every other tree of the file, read by its declared columns: its records only compete.
void CarvingRun::addRivals() {
  const Schema& schema = db_.schema();
  const uint32_t format = db_.source().header().schemaFormat;
  const uint32_t encoding = db_.source().header().textEncoding;
  for (size_t t = 0; t < schema.trees.size(); ++t) {
    if (rivalOfTree_[t] >= 0) continue;
    const TreeInfo& tree = schema.trees[t];
    // The first column that is no rowid alias decides whether a record carries anything.
    int deciding = 0;
    if (!tree.isIndex && tree.columns.size() > 1 && tree.columns[0].primaryKey) deciding = 1;
    TableRules rules(tree.columns, {deciding}, 1, {}, format, encoding);
    if (tree.isIndex) rules.setIndex();
    structures_.push_back(std::make_unique<Structure>(static_cast<int>(t), rules, this, db_.source().usable()));
    rivalOfTree_[t] = static_cast<int>(structures_.size() - 1);
  }
}

bool CarvingRun::isFreelistLeaf(uint32_t pgno) const {
  return db_.map().pages.role(pgno) == PageMap::kFreelistLeaf;
}

bool CarvingRun::readPagePrefix(uint32_t pgno, uint8_t* dst, size_t length) {
  if (length > db_.source().pageSize() || !db_.source().readPage(pgno, overflow_.data())) return false;
  std::memcpy(dst, overflow_.data(), length);
  return true;
}

// Keeps, of readings that share bytes, the best-evidenced: an intact cell before one read
// behind an overwritten header, the page owner's before others, the longer before the
// shorter. Two structures reading the same cell with the same evidence cancel out. The
// readings themselves stay where they are; only their numbers are sorted.
void CarvingRun::resolve(int owner) {
  if (found_.empty()) return;
  // The rank as one number: evidence, then ownership, then length.
  rank_.resize(found_.size());
  order_.resize(found_.size());
  for (uint32_t i = 0; i < found_.size(); ++i) {
    const Found& f = found_[i];
    rank_[i] = uint64_t{f.record.strong ? 1u : 0u} << 63 | uint64_t{static_cast<int>(f.structure) == owner ? 1u : 0u} << 62 |
               static_cast<uint64_t>(f.record.cellEnd - f.record.cellStart);
    order_[i] = i;
  }
  std::stable_sort(order_.begin(), order_.end(), [&](uint32_t a, uint32_t b) { return rank_[a] > rank_[b]; });
  // The readings kept so far never overlap: in the order of their starts, their ends
  // are in order too, and the ones a new reading overlaps stand side by side.
  kept_.clear();
  for (const uint32_t i : order_) {
    const Record& record = found_[i].record;
    auto k = std::partition_point(kept_.begin(), kept_.end(),
                                  [&](const Kept& kept) { return found_[kept.index].record.cellEnd <= record.cellStart; });
    const auto at = k;
    bool overlaps = false;
    for (; k != kept_.end() && found_[k->index].record.cellStart < record.cellEnd; ++k) {
      overlaps = true;
      const Found& other = found_[k->index];
      if (other.structure != found_[i].structure && rank_[k->index] == rank_[i] &&
          other.record.cellStart == record.cellStart) {
        k->cancelled = true;
      }
    }
    if (!overlaps) kept_.insert(at, Kept{i, false});
  }
  resolved_.clear();
  for (const Kept& kept : kept_) {
    if (!kept.cancelled && found_[kept.index].structure < structureCount_) resolved_.push_back(std::move(found_[kept.index]));
  }
  found_.swap(resolved_);
}

void CarvingRun::carvePage(const uint8_t* page, uint32_t pgno, bool whole, size_t from, Origin origin,
                           const Keep& keep) {
  const uint16_t ownerTree = whole ? PageMap::kNoTree : db_.map().pages.tree(pgno);
  int owner = ownerTree < rivalOfTree_.size() ? rivalOfTree_[ownerTree] : -1;
  const bool indexPage = page[0] == 2 || page[0] == 10;
  found_.clear();
  for (size_t s = 0; s < structures_.size(); ++s) {
    // Rivals only take readings away: where no structure found any, they have nothing to do.
    if (s == structureCount_ && found_.empty()) break;
    Structure& structure = *structures_[s];
    // Rivals: on a tree's page only its owner; on a page of no tree every one of its kind.
    if (s >= structureCount_ && (whole ? structure.rules.isIndex() != indexPage : static_cast<int>(s) != owner)) {
      continue;
    }
    // A rival's reading behind an overwritten header can outrank no intact cell, the only
    // reading another structure keeps there: rivals read intact cells only.
    const bool ownLeaf = !whole && static_cast<int>(s) == owner && s < structureCount_;
    if (whole) {
      structure.carver->carveWhole(page, from, records_);
    } else {
      structure.carver->carveFreeSpace(page, pgno == 1, ownLeaf, records_);
    }
    for (Record& record : records_) found_.push_back({s, std::move(record)});
    records_.clear();
  }
  if (whole) {
    // A page no tree holds belonged to the structure more of its intact cells fit than any
    // other; when two fit as many (indexes of the same shape), it belongs to neither.
    std::vector<size_t> intact(structures_.size(), 0);
    for (const Found& f : found_) intact[f.structure] += f.record.strong ? 1 : 0;
    size_t best = 0, second = 0;
    for (size_t s = 0; s < intact.size(); ++s) {
      if (intact[s] > best) {
        second = best;
        best = intact[s];
        owner = static_cast<int>(s);
      } else if (intact[s] > second) {
        second = intact[s];
      }
    }
    if (best == 0 || best == second) owner = -1;
  }
  resolve(owner);
  for (Found& f : found_) {
    const bool ownPage = static_cast<int>(f.structure) == owner;
    // Outside its own tree's pages only an intact cell is believed: read behind an
    // overwritten header, another tree's cells can take the shape of any record.
    if (!ownPage && !f.record.strong) continue;
    keep(f.structure, f.record, whole ? origin : ownPage ? Origin::kTableLeaf : Origin::kOtherTreePage);
  }
  found_.clear();
}

void CarvingRun::carve(const std::vector<uint32_t>& skip, bool unreachedToo, const Keep& keep) {
  addRivals();
  PageSource& source = db_.source();
  const PageMap& pages = db_.map().pages;
  std::vector<bool> skipped(pages.pageCount() + 1, false);
  for (const uint32_t pgno : skip) {
    if (pages.contains(pgno)) skipped[pgno] = true;
  }
  auto isTreePage = [](uint8_t type) { return type == 2 || type == 5 || type == 10 || type == 13; };
  for (uint32_t pgno = 1; pgno <= pages.pageCount(); ++pgno) {
    if (limits_.cancelled()) return;
    const PageMap::Role role = pages.role(pgno);
    if (skipped[pgno] || (role != PageMap::kTreePage && role != PageMap::kUnknown)) continue;
    if (role == PageMap::kUnknown && (!unreachedToo || pgno == 1)) continue;
    if (!source.readPage(pgno, page_.data())) continue;
    if (role == PageMap::kTreePage) {
      carvePage(page_.data(), pgno, false, 0, Origin::kTableLeaf, keep);
    } else if (isTreePage(page_[0])) {
      carvePage(page_.data(), pgno, true, 0, Origin::kUnreachedPage, keep);
    }
  }
  // Pages SQLite let go, kept with their content: trunks after their list, leaves whole.
  for (const auto& [pgno, from] : db_.map().freelist) {
    if (limits_.cancelled()) return;
    if (!source.readPage(pgno, page_.data())) continue;
    carvePage(page_.data(), pgno, true, from, Origin::kFreePage, keep);
  }
  source.forEachOlderImage([&](uint32_t pgno, const uint8_t* image, Origin origin) {
    if (limits_.cancelled()) return false;
    if (pgno == 1) return true;  // page 1 holds the schema
    std::memcpy(page_.data(), image, source.pageSize());
    carvePage(page_.data(), pgno, true, 0, origin, keep);
    return true;
  });
}

}  // namespace engine
