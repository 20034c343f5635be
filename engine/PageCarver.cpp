#include "PageCarver.h"

#include <algorithm>
#include <cstring>

#include "Bytes.h"

namespace engine {

namespace {

// Serial types from `pos` for columns firstColumn, firstColumn + 1, ..., as many as are
// allowed and fit before `limit` (at most `maxCount`); ends[i] is where type i ended.
void readTypesUpTo(const TableRules& rules, const uint8_t* page, size_t pos, size_t limit, int firstColumn,
                   int maxCount, std::vector<uint64_t>& types, std::vector<size_t>& ends) {
  types.clear();
  ends.clear();
  for (int i = 0; i < maxCount && pos < limit; ++i) {
    uint64_t t = 0;
    const size_t n = readSerialType(page, pos, limit, t);
    if (n == 0 || rules.allowance(firstColumn + i, t) == Allowance::kNever) return;
    pos += n;
    types.push_back(t);
    ends.push_back(pos);
  }
}

// The header length that `typeBytes` bytes of serial types need, and its varint length.
std::pair<uint64_t, size_t> headerFor(size_t typeBytes) {
  if (typeBytes + 1 < 128) return {typeBytes + 1, 1};
  return {typeBytes + 2, 2};
}

}  // namespace

PageCarver::PageCarver(RecordValidator& validator)
    : validator_(validator), rules_(validator.rules()), usable_(validator.usable()) {
  // The guesses at column 0's overwritten type: 0 for a rowid alias, else each strict one-byte type.
  if (rules_.isRowidAlias(0)) {
    st3Guesses_.push_back(0);
  } else {
    for (uint64_t t = 0; t < 128; ++t) {
      if (rules_.allowance(0, t) == Allowance::kStrict) st3Guesses_.push_back(t);
    }
  }
}

bool PageCarver::better(const Candidate& a, const Candidate& b) {
  if (a.verified != b.verified) return a.verified;
  if (a.record.penalty != b.record.penalty) return a.record.penalty < b.record.penalty;
  if (a.fills != b.fills) return a.fills;
  return a.st < b.st;
}

std::vector<std::pair<size_t, size_t>> PageCarver::freeblockChain(const uint8_t* page, size_t at,
                                                                  size_t headerEnd) const {
  std::vector<std::pair<size_t, size_t>> chain;
  size_t offset = readBigEndian16(page + at + 1);
  size_t previousEnd = headerEnd;
  // Ends: each block must start at or after the end of the one before, so offsets grow.
  while (offset != 0) {
    if (offset < previousEnd || offset > usable_ - 4) break;
    const size_t size = readBigEndian16(page + offset + 2);
    if (size < 4 || size > usable_ - offset) break;
    chain.emplace_back(offset, size);
    previousEnd = offset + size;
    offset = readBigEndian16(page + offset);
  }
  return chain;
}

// The size of a freeblock header at c when it is believable: at least its own 4 bytes,
// inside the page, and pointing to nothing or to a later block. 0 otherwise.
size_t PageCarver::plausibleHeaderSize(const uint8_t* page, size_t c) const {
  if (c > usable_ - 4) return 0;
  const size_t size = readBigEndian16(page + c + 2);
  if (size < 4 || size > usable_ - c) return 0;
  const size_t next = readBigEndian16(page + c);
  if (next != 0 && next < c + size) return 0;
  return size;
}

// The cell at c whose first 4 bytes a freeblock header overwrote, read with its serial
// types starting at c + st and its header-length varint intact right before them. The
// rowid bytes still visible after the header must form the end of a varint.
bool PageCarver::verifiedAt(const uint8_t* page, size_t c, size_t size, size_t areaEnd, size_t st,
                            Evidence evidence, bool inTree, Record& out) {
  const size_t limit = std::min(areaEnd, c + size);
  if (st < 5 || st > 14 || c + st >= limit) return false;
  if (!rules_.canBeginType(0, page[c + st])) return false;
  std::vector<uint64_t>& types = verifiedTypes_;
  for (size_t lhl = 1; lhl <= 2; ++lhl) {
    if (st - lhl < 4) continue;
    const size_t hs = c + st - lhl;
    uint64_t hl;
    if (lhl == 1) {
      if (page[hs] >= 0x80) continue;
      hl = page[hs];
      if (hl < 1 + static_cast<uint64_t>(rules_.minColumns())) continue;
    } else {
      if (page[hs] < 0x81 || page[hs + 1] >= 0x80) continue;
      hl = static_cast<uint64_t>(page[hs] & 0x7F) << 7 | page[hs + 1];
    }
    if (hl > limit - hs) continue;
    if (!validator_.readTypesUntil(page, c + st, hs + hl, types)) continue;
    const uint64_t payload = payloadLength(hl, types);
    const size_t lp = varintLength(payload);
    if (st - lhl < lp + 1 || st - lhl - lp > 9) continue;
    // Rowid bytes from offset max(4, lp) to the header length: continuation bytes, then a last one.
    const size_t rowidEnd = st - lhl;
    bool rowidOk = true;
    for (size_t i = std::max<size_t>(4, lp); i < rowidEnd; ++i) {
      const bool last = i + 1 == rowidEnd;
      if ((page[c + i] >= 0x80) == last) rowidOk = false;
    }
    if (!rowidOk) continue;
    RecordShape shape;
    shape.recordStart = hs;
    shape.headerLength = hl;
    shape.contentStart = hs + hl;
    shape.types = &types;
    shape.areaEnd = limit;
    if (validator_.validate(page, shape, demandsFor(evidence, inTree), out)) {
      out.cellStart = c;
      out.strong = evidence == Evidence::kStrong;
      return true;
    }
  }
  return false;
}

// The header length was overwritten: every column's type starts at c + 4. Tried with all
// columns, then with each shorter count whose record fills the block exactly.
bool PageCarver::st4At(const uint8_t* page, size_t c, size_t size, size_t areaEnd, bool inTree, Candidate& out) {
  const size_t limit = std::min(areaEnd, c + size);
  if (c + 4 >= limit) return false;
  std::vector<uint64_t>& types = st4Types_;
  std::vector<size_t>& ends = st4Ends_;
  readTypesUpTo(rules_, page, c + 4, limit, 0, rules_.columnCount(), types, ends);
  const int all = rules_.columnCount();
  const int most = std::min<int>(all, static_cast<int>(types.size()));
  uint64_t contentBytes = 0;  // of the first n types
  int strict = 0;             // how many types from the first on are strict
  for (int i = 0; i < most; ++i) {
    contentBytes += contentWidth(types[static_cast<size_t>(i)]);
    if (strict == i && rules_.allowance(i, types[static_cast<size_t>(i)]) == Allowance::kStrict) ++strict;
  }
  for (int n = most; n >= rules_.minColumns() && n >= 1; --n) {
    if (n < most) contentBytes -= contentWidth(types[static_cast<size_t>(n)]);
    // A reading behind an overwritten header proves too little for a lenient type.
    if (n > strict) continue;
    const bool mustFill = n < all;
    const size_t typeBytes = ends[static_cast<size_t>(n - 1)] - (c + 4);
    const auto [hl, lhl] = headerFor(typeBytes);
    const uint64_t payload = hl + contentBytes;
    if (payload >= 16384) continue;
    const size_t lp = varintLength(payload);
    if (lp + lhl >= 4) continue;  // no room left for the rowid
    // A shorter record must fill its block: most counts are ruled out by where they end.
    if (mustFill && validator_.cellEndOf(c + 4 - lhl, payload) != c + size) continue;
    std::vector<uint64_t>& head = st4Head_;
    head.assign(types.begin(), types.begin() + n);
    RecordShape shape;
    shape.recordStart = c + 4 - lhl;
    shape.headerLength = hl;
    shape.contentStart = c + 4 + typeBytes;
    shape.types = &head;
    shape.areaEnd = limit;
    Record record;
    if (!weakRecordFits(page, shape, c, size, mustFill, inTree, record)) continue;
    const bool fills = record.cellEnd == c + size;
    record.cellStart = c;
    out.record = std::move(record);
    out.verified = false;
    out.fills = fills;
    out.st = 4;
    return true;
  }
  return false;
}

// Column 0's type was overwritten too: the others start at c + 4 and column 0's type is
// guessed (0 for a rowid alias, else each strict one-byte type). Only a payload below 128
// bytes has so short a prefix. Several passing guesses must be told apart by where they end.
bool PageCarver::st3At(const uint8_t* page, size_t c, size_t size, size_t areaEnd, bool inTree, Candidate& out) {
  const size_t limit = std::min(areaEnd, c + size);
  if (c + 4 >= limit || rules_.columnCount() < 2) return false;
  std::vector<uint64_t>& rest = st3Rest_;
  std::vector<size_t>& ends = st3Ends_;
  readTypesUpTo(rules_, page, c + 4, limit, 1, rules_.columnCount() - 1, rest, ends);
  int strict = 0;  // how many of the other columns' types from the first on are strict
  while (strict < static_cast<int>(rest.size()) &&
         rules_.allowance(strict + 1, rest[static_cast<size_t>(strict)]) == Allowance::kStrict) {
    ++strict;
  }
  const int all = rules_.columnCount();
  for (int n = std::min<int>(all, static_cast<int>(rest.size()) + 1); n >= rules_.minColumns() && n >= 2; --n) {
    // A reading behind an overwritten header proves too little for a lenient type.
    if (n - 1 > strict) continue;
    const bool mustFill = n < all;
    const size_t typeBytes = 1 + ends[static_cast<size_t>(n - 2)] - (c + 4);
    const auto [hl, lhl] = headerFor(typeBytes);
    if (lhl != 1) continue;
    std::vector<Candidate> passing;
    std::vector<uint64_t>& types = st3Types_;
    for (const uint64_t guess : st3Guesses_) {
      types.assign(1, guess);
      types.insert(types.end(), rest.begin(), rest.begin() + (n - 1));
      const uint64_t payload = payloadLength(hl, types);
      if (payload >= 128) continue;
      if (mustFill && validator_.cellEndOf(c + 2, payload) != c + size) continue;
      RecordShape shape;
      shape.recordStart = c + 2;
      shape.headerLength = hl;
      shape.contentStart = c + 4 + typeBytes - 1;
      shape.types = &types;
      shape.areaEnd = limit;
      Candidate candidate;
      if (!weakRecordFits(page, shape, c, size, mustFill, inTree, candidate.record)) continue;
      candidate.fills = candidate.record.cellEnd == c + size;
      candidate.record.cellStart = c;
      candidate.st = 3;
      passing.push_back(std::move(candidate));
    }
    if (passing.empty()) continue;
    const Candidate* chosen = nullptr;
    if (passing.size() == 1) {
      chosen = &passing[0];
    } else {
      for (const Candidate& p : passing) {
        if (p.fills) {
          chosen = &p;
          break;
        }
      }
      if (chosen == nullptr) {
        for (const Candidate& p : passing) {
          if (exactCellAt(page, p.record.cellEnd, areaEnd, inTree)) {
            chosen = &p;
            break;
          }
        }
      }
    }
    if (chosen == nullptr) return false;
    out = *chosen;
    return true;
  }
  return false;
}

// A record read behind an overwritten header length: it must carry something and pass the
// strict demands, except that a NULL where the live rows never hold one is believed when
// the record fills its freeblock exactly (old files do store such rows).
bool PageCarver::weakRecordFits(const uint8_t* page, const RecordShape& shape, size_t c, size_t size, bool mustFill,
                                bool inTree, Record& record) {
  Demands demands = demandsFor(Evidence::kWeak, inTree);
  const bool relaxable = demands.noSoftNull && inTree;
  if (relaxable) demands.noSoftNull = false;
  if (!validator_.validate(page, shape, demands, record) || !record.keptNonEmpty) return false;
  const bool fills = record.cellEnd == c + size;
  if (mustFill && !fills) return false;
  return !(relaxable && record.softNulls > 0 && !fills);
}

bool PageCarver::weakAt(const uint8_t* page, size_t c, size_t size, size_t areaEnd, bool inTree, Candidate& out) {
  Candidate four, three;
  const bool haveFour = st4At(page, c, size, areaEnd, inTree, four);
  const bool haveThree = st3At(page, c, size, areaEnd, inTree, three);
  if (!haveFour && !haveThree) return false;
  if (haveFour && haveThree) {
    out = better(four, three) ? four : three;
  } else {
    out = haveFour ? four : three;
  }
  return true;
}

bool PageCarver::freeblockHead(const uint8_t* page, size_t start, size_t size, bool inTree, Record& out) {
  Candidate best;
  bool have = false;
  for (size_t st = 5; st <= 14; ++st) {
    Candidate candidate;
    if (!verifiedAt(page, start, size, start + size, st, Evidence::kStrong, inTree, candidate.record)) continue;
    candidate.verified = true;
    candidate.fills = candidate.record.cellEnd == start + size;
    candidate.st = static_cast<int>(st);
    if (!have || better(candidate, best)) best = std::move(candidate);
    have = true;
    // Later offsets can only tie on penalty and fill and lose on the offset.
    if (best.record.penalty == 0 && best.fills) break;
  }
  // A reading with a checked header length outranks every reading behind an overwritten one.
  Candidate weak;
  if (!have && !strongOnly_ && weakAt(page, start, size, start + size, inTree, weak)) {
    best = std::move(weak);
    have = true;
  }
  if (have) out = std::move(best.record);
  return have;
}

// An intact cell starting at `start`: payload length, rowid, header length, serial types,
// with the payload length matching the record.
bool PageCarver::exactCellAt(const uint8_t* page, size_t start, size_t areaEnd, bool inTree) {
  if (start >= areaEnd) return false;
  const uint8_t* end = page + areaEnd;
  uint64_t payload = 0, rowid = 0, headerLength = 0;
  const size_t payloadBytes = readVarint(page + start, end, payload);
  if (payloadBytes == 0) return false;
  const size_t rowidBytes = readVarint(page + start + payloadBytes, end, rowid);
  if (rowidBytes == 0) return false;
  const size_t hs = start + payloadBytes + rowidBytes;
  const size_t headerBytes = readVarint(page + hs, end, headerLength);
  if (headerBytes == 0 || headerBytes > 2 || headerLength > areaEnd - hs) return false;
  std::vector<uint64_t> types;
  if (!validator_.readTypesUntil(page, hs + headerBytes, hs + headerLength, types)) return false;
  if (payloadLength(headerLength, types) != payload) return false;
  RecordShape shape;
  shape.recordStart = hs;
  shape.headerLength = headerLength;
  shape.contentStart = hs + headerLength;
  shape.types = &types;
  shape.areaEnd = areaEnd;
  Record record;
  return validator_.validate(page, shape, demandsFor(Evidence::kStrong, inTree), record);
}

// A record whose header-length varint is at `a`: first as an intact cell (rowid and
// payload length right before it), else as a cell behind an older freeblock header.
bool PageCarver::anchoredAt(const uint8_t* page, size_t a, size_t pos, size_t end, bool inTree, Record& out) {
  const uint8_t b = page[a];
  uint64_t hl;
  size_t lhl;
  if (b < 0x80) {
    if (b < 1 + rules_.minColumns()) return false;
    hl = b;
    lhl = 1;
  } else {
    if (b == 0x80 || page[a + 1] >= 0x80) return false;
    hl = static_cast<uint64_t>(b & 0x7F) << 7 | page[a + 1];
    lhl = 2;
  }
  const size_t st = a + lhl;
  if (st >= end || hl > end - a || !rules_.canBeginType(0, page[st])) return false;
  // An intact cell has its rowid right before: a varint, whose last byte is below 0x80.
  const bool intact = a >= pos + 2 && page[a - 1] < 0x80;
  if (strongOnly_ && !intact) return false;
  if (strongOnly_) {
    // Only an intact cell counts here: before its rowid, the end of a payload length that
    // is at least the header's length (one byte at least that large, or a longer varint).
    size_t r = a - 1;
    while (r > pos && page[r - 1] >= 0x80 && a - r < 9) --r;
    if (page[r] == 0x80 || r < pos + 1 || page[r - 1] >= 0x80) return false;
    if (page[r - 1] < hl && (r < pos + 2 || page[r - 2] < 0x80)) return false;
  }
  std::vector<uint64_t>& types = anchorTypes_;
  if (!validator_.readTypesUntil(page, st, a + hl, types)) return false;

  if (intact) {
    size_t r = a - 1;
    while (r > pos && page[r - 1] >= 0x80 && a - r < 9) --r;
    if (page[r] != 0x80) {
      uint8_t encoded[9];
      const size_t lp = writeVarint(payloadLength(hl, types), encoded);
      if (r >= pos + lp && std::memcmp(page + r - lp, encoded, lp) == 0) {
        RecordShape shape;
        shape.recordStart = a;
        shape.headerLength = hl;
        shape.contentStart = a + hl;
        shape.types = &types;
        shape.areaEnd = end;
        if (validator_.validate(page, shape, demandsFor(Evidence::kStrong, inTree), out)) {
          out.cellStart = r - lp;
          out.strong = true;
          uint64_t rowid = 0;
          if (readVarint(page + r, page + a, rowid) == a - r) out.rowid = static_cast<int64_t>(rowid);
          return true;
        }
      }
    }
  }
  for (size_t back = 5; back <= 14 && !strongOnly_; ++back) {
    if (st < pos + back) break;
    const size_t c = st - back;
    const size_t size = plausibleHeaderSize(page, c);
    if (size == 0) continue;
    if (verifiedAt(page, c, size, end, back, Evidence::kWeak, inTree, out)) return true;
  }
  return false;
}

// A cell at c that lost its header length (or also column 0's type) under a freeblock
// header of its own, found by the shape of that header.
bool PageCarver::lostHeaderAt(const uint8_t* page, size_t c, size_t end, bool inTree, Record& out) {
  if (page[c] > (usable_ - 4) / 256) return false;
  if (c + 4 >= end) return false;
  const size_t size = readBigEndian16(page + c + 2);
  if (size < 3 + static_cast<size_t>(rules_.minColumns())) return false;
  if (plausibleHeaderSize(page, c) != size) return false;
  const uint8_t first = page[c + 4];
  if (!rules_.canBeginType(0, first) && !rules_.canBeginType(1, first)) return false;
  Candidate weak;
  if (!weakAt(page, c, size, end, inTree, weak)) return false;
  out = std::move(weak.record);
  return true;
}

void PageCarver::scanArea(const uint8_t* page, size_t pos, size_t end, bool inTree, std::vector<Record>& out) {
  end = std::min(end, usable_);
  Record anchored;
  bool haveAnchored = false;
  size_t anchorFrom = pos;  // anchors before this one failed, and fail still as pos grows
  // Ends: every record taken ends after the position it was searched from, and pos moves
  // to that end; the searches themselves only move forward.
  while (pos < end) {
    if (haveAnchored && anchored.cellStart < pos) haveAnchored = false;
    if (!haveAnchored) {
      size_t a = std::max(anchorFrom, pos + 2);
      for (; a < end; ++a) {
        if (mayAnchorAt(page, a, end) && anchoredAt(page, a, pos, end, inTree, anchored)) {
          haveAnchored = true;
          break;
        }
      }
      anchorFrom = a;
    }
    const size_t lostLimit = haveAnchored ? anchored.cellStart : end;
    Record lost;
    bool haveLost = false;
    for (size_t c = pos; c < lostLimit && !strongOnly_; ++c) {
      if (!mayHaveLostHeaderAt(page, c, end) || !lostHeaderAt(page, c, end, inTree, lost)) continue;
      if (haveAnchored && lost.cellEnd > anchored.cellStart) continue;  // would overlap
      haveLost = true;
      break;
    }
    if (haveLost) {
      pos = lost.cellEnd;
      out.push_back(std::move(lost));
      continue;
    }
    if (!haveAnchored) break;
    pos = anchored.cellEnd;
    anchorFrom = pos;
    haveAnchored = false;
    out.push_back(std::move(anchored));
  }
}

void PageCarver::carveFreeSpace(const uint8_t* page, bool pageOne, bool inTree, std::vector<Record>& out) {
  const size_t at = pageOne ? kFileHeaderSize : 0;
  const uint8_t type = page[at];
  if (type != 2 && type != 5 && type != 10 && type != 13) return;
  strongOnly_ = !inTree;
  const size_t header = at + (type == 2 || type == 5 ? 12 : 8);
  const size_t cellCount = readBigEndian16(page + at + 3);
  const size_t gapStart = header + 2 * cellCount;
  // In another tree's page the freeblocks hold that tree's own deleted cells; what another
  // structure left there lies in the gap that came with the page.
  const auto chain = inTree ? freeblockChain(page, at, std::min(gapStart, usable_))
                            : std::vector<std::pair<size_t, size_t>>();
  for (const auto& [start, size] : chain) {
    size_t rest = start + 4;
    Record head;
    if (freeblockHead(page, start, size, inTree, head)) {
      rest = head.cellEnd;
      out.push_back(std::move(head));
    }
    scanArea(page, rest, start + size, inTree, out);
  }
  size_t contentStart = readBigEndian16(page + at + 5);
  if (contentStart == 0) contentStart = 65536;  // the format's reading of 0
  const size_t gapEnd = std::min(contentStart, usable_);
  if (gapStart < gapEnd) scanArea(page, gapStart, gapEnd, inTree, out);
  strongOnly_ = false;
}

void PageCarver::carveWhole(const uint8_t* page, size_t from, std::vector<Record>& out) {
  if (page[0] != 13 || from > 8) {
    scanArea(page, from, usable_, false, out);
    return;
  }
  // Freeblock heads first; everything they do not cover is scanned afterwards, in order.
  std::vector<std::pair<size_t, size_t>> covered;
  for (const auto& [start, size] : freeblockChain(page)) {
    Record head;
    if (freeblockHead(page, start, size, false, head)) {
      covered.emplace_back(head.cellStart, head.cellEnd);
      out.push_back(std::move(head));
    }
  }
  size_t pos = 8;
  for (const auto& [start, stop] : covered) {
    if (start > pos) scanArea(page, pos, start, false, out);
    pos = std::max(pos, stop);
  }
  if (pos < usable_) scanArea(page, pos, usable_, false, out);
}

}  // namespace engine
