#include "PieceIndex.h"

#include <algorithm>

#include "RecordKeys.h"

namespace engine {

namespace {

constexpr uint32_t kNone = UINT32_MAX;

}  // namespace

uint32_t PieceIndex::runAt(std::string_view text, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[at])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[at + 1])) << 8 | static_cast<uint8_t>(text[at + 2]);
}

uint32_t PieceIndex::idOf(uint32_t run) const {
  const size_t mask = slotRun_.size() - 1;
  // Ends: the table is never more than half full, so an empty slot comes.
  for (size_t i = static_cast<size_t>((uint64_t{run} * keys::kPrime1) >> 32) & mask;; i = (i + 1) & mask) {
    if (slotRun_[i] == run + 1) return slotId_[i];
    if (slotRun_[i] == 0) return kNone;
  }
}

template <typename Visit>
void PieceIndex::forEachAskedRun(uint32_t text, Visit visit) const {
  const std::string_view t = texts_[text];
  for (size_t at = 0; at + 3 <= t.size(); ++at) {
    const uint32_t run = runAt(t, at);
    if (asked(run)) visit(idOf(run));
  }
}

PieceIndex::PieceIndex(std::vector<std::string_view> texts, const std::vector<std::string_view>& pieces)
    : texts_(std::move(texts)), asked_(size_t{1} << 18, 0) {
  // Number the runs the pieces hold.
  std::vector<uint32_t> runs;
  for (const std::string_view piece : pieces) {
    for (size_t at = 0; at + 3 <= piece.size(); ++at) {
      const uint32_t run = runAt(piece, at);
      if (asked(run)) continue;
      asked_[run >> 6] |= uint64_t{1} << (run & 63);
      runs.push_back(run);
    }
  }
  size_t capacity = 16;
  while (capacity < 2 * runs.size()) capacity *= 2;
  slotRun_.assign(capacity, 0);
  slotId_.assign(capacity, 0);
  for (uint32_t id = 0; id < runs.size(); ++id) {
    size_t i = static_cast<size_t>((uint64_t{runs[id]} * keys::kPrime1) >> 32) & (capacity - 1);
    while (slotRun_[i] != 0) i = (i + 1) & (capacity - 1);
    slotRun_[i] = runs[id] + 1;
    slotId_[i] = id;
  }
  // Which texts hold each run (a text counts once however often it holds it), in one pass.
  textsHolding_.assign(runs.size(), 0);
  std::vector<uint32_t> lastText(runs.size(), kNone);
  std::vector<std::pair<uint32_t, uint32_t>> held;  // (run number, text)
  for (uint32_t k = 0; k < texts_.size(); ++k) {
    forEachAskedRun(k, [&](uint32_t id) {
      if (lastText[id] == k) return;
      lastText[id] = k;
      ++textsHolding_[id];
      held.emplace_back(id, k);
    });
  }
  // The holders of each piece's rarest run, one list after the other.
  first_.assign(runs.size(), kNone);
  uint32_t total = 0;
  for (const std::string_view piece : pieces) {
    uint32_t id = 0;
    if (piece.size() < 3 || rarestRun(piece, id) != Rarest::kFound || first_[id] != kNone) continue;
    first_[id] = total;
    total += textsHolding_[id];
  }
  holders_.resize(total);
  std::vector<uint32_t> next(first_);
  for (const auto& [id, k] : held) {
    if (first_[id] != kNone) holders_[next[id]++] = k;
  }
}

PieceIndex::Rarest PieceIndex::rarestRun(std::string_view piece, uint32_t& id) const {
  bool found = false, heldByNone = false;
  for (size_t at = 0; at + 3 <= piece.size(); ++at) {
    const uint32_t run = runAt(piece, at);
    if (!asked(run)) return Rarest::kNotIndexed;
    const uint32_t candidate = idOf(run);
    if (textsHolding_[candidate] == 0) heldByNone = true;
    if (!found || textsHolding_[candidate] < textsHolding_[id]) id = candidate;
    found = true;
  }
  return heldByNone || !found ? Rarest::kHeldByNone : Rarest::kFound;
}

bool PieceIndex::holds(uint32_t text, std::string_view piece) const {
  return texts_[text].size() > piece.size() && texts_[text].find(piece) != std::string_view::npos;
}

bool PieceIndex::partOfLonger(std::string_view piece) const {
  uint32_t id = 0;
  const Rarest rarest = piece.size() >= 3 ? rarestRun(piece, id) : Rarest::kNotIndexed;
  if (rarest == Rarest::kHeldByNone) return false;
  if (rarest == Rarest::kNotIndexed || first_[id] == kNone) {
    for (uint32_t k = 0; k < texts_.size(); ++k) {
      if (holds(k, piece)) return true;
    }
    return false;
  }
  const uint32_t* list = holders_.data() + first_[id];
  return std::any_of(list, list + textsHolding_[id], [&](uint32_t k) { return holds(k, piece); });
}

}  // namespace engine
