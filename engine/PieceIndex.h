// Which known texts can hold a piece of text: the index a run asks whether a value read
// where its length was only inferred is part of a longer value known elsewhere. Only the
// runs of three bytes that the pieces to be asked about hold are indexed, and for each piece
// only its rarest run, so that building the index costs about one pass over the texts.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace engine {

class PieceIndex {
 public:
  // `texts` must stay where they are while the index is used; `pieces` are the values that
  // may be asked about (others are answered too, by a scan of every text).
  PieceIndex(std::vector<std::string_view> texts, const std::vector<std::string_view>& pieces);

  // Whether a text longer than `piece` holds it.
  bool partOfLonger(std::string_view piece) const;

 private:
  static uint32_t runAt(std::string_view text, size_t at);
  bool asked(uint32_t run) const { return (asked_[run >> 6] >> (run & 63) & 1) != 0; }
  // The number of `run` among the runs the pieces hold.
  uint32_t idOf(uint32_t run) const;
  // The piece's run held by the fewest texts (the first of them): kFound with its number,
  // kHeldByNone when some run of the piece is in no text, kNotIndexed for a piece with a
  // run that was not indexed.
  enum class Rarest { kFound, kHeldByNone, kNotIndexed };
  Rarest rarestRun(std::string_view piece, uint32_t& id) const;
  bool holds(uint32_t text, std::string_view piece) const;
  template <typename Visit>
  void forEachAskedRun(uint32_t text, Visit visit) const;

  std::vector<std::string_view> texts_;
  std::vector<uint64_t> asked_;            // one bit per possible run of three bytes
  std::vector<uint32_t> slotRun_, slotId_;  // run + 1 (0: empty) -> its number
  std::vector<uint32_t> textsHolding_;     // by run number
  std::vector<uint32_t> first_;            // by run number: where its holders start in holders_, or kNone
  std::vector<uint32_t> holders_;
};

}  // namespace engine
