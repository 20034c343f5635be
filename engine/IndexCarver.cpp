#include "IndexCarver.h"

#include <algorithm>
#include <iterator>

#include "Bytes.h"

namespace engine {

IndexCarver::IndexCarver(RecordValidator& validator)
    : validator_(validator), rules_(validator.rules()), usable_(validator.usable()) {}

// Whether a cell's header stands at `a`: its header length, allowed serial types and the
// payload length before it that they add up to. The content may be damaged all the same.
bool IndexCarver::shellAt(const uint8_t* page, size_t a, size_t pos, size_t end, size_t& cellStart,
                          size_t& cellEnd) {
  const int n = rules_.columnCount();
  // An index record's header is one byte long: one serial type of at most three bytes per
  // column (a text of more than 2 MB is no index key of a phone).
  if (page[a] <= n || page[a] > 1 + 3 * n || page[a] >= 0x80) return false;
  uint64_t headerLength = 0;
  const size_t lhl = readVarint(page + a, page + std::min(end, a + 2), headerLength);
  if (lhl == 0 || headerLength < lhl + static_cast<size_t>(n) || headerLength > end - a) return false;
  if (!rules_.canBeginType(0, page[a + lhl])) return false;
  if (!validator_.readTypesUntil(page, a + lhl, a + headerLength, types_)) return false;
  if (static_cast<int>(types_.size()) != n) return false;
  uint8_t encoded[9];
  const uint64_t payload = payloadLength(headerLength, types_);
  const size_t lp = writeVarint(payload, encoded);
  if (a < pos + lp || !std::equal(encoded, encoded + lp, page + a - lp)) return false;
  cellStart = a - lp;
  cellEnd = a + static_cast<size_t>(std::min<uint64_t>(payload, usable_));
  return true;
}

// The cell whose header shellAt() found at `a` (starting at `start`), when its record reads.
bool IndexCarver::intactFrom(const uint8_t* page, size_t a, size_t start, size_t end, bool inTree, Record& out) {
  uint64_t headerLength = 0;
  readVarint(page + a, page + std::min(end, a + 2), headerLength);
  RecordShape shape;
  shape.recordStart = a;
  shape.headerLength = headerLength;
  shape.contentStart = a + headerLength;
  shape.types = &types_;
  shape.areaEnd = end;
  if (!validator_.validate(page, shape, demandsFor(Evidence::kStrong, inTree), out) || !out.keptNonEmpty) return false;
  out.cellStart = start;
  out.strong = true;
  return true;
}

// The hypothesis that the cell's payload length takes `lp` bytes and its header length one,
// so that the overwritten bytes after them held the serial types of the first
// `lostColumns` columns: one byte each, or, for a single lost column, two bytes. One lost
// column holds a text or blob whose width is what the cell's end leaves; the others are
// tried with every type allowed, the narrowest first, and the first reading that passes wins.
bool IndexCarver::tryLostHead(const uint8_t* page, size_t c, size_t lp, size_t lostColumns, size_t end, bool inTree,
                              Record& out) {
  const int n = rules_.columnCount();
  const size_t lostBytes = 3 - lp;
  if (lostColumns == 0 || lostColumns > lostBytes || static_cast<int>(lostColumns) > n) return false;
  if (lostColumns == 1 && lostBytes == 2 && n == 1) return false;
  // The visible serial types, from byte 4 on, for the columns after the lost ones.
  // A reading behind an overwritten head proves too little for a lenient type anywhere.
  visible_.clear();
  size_t at = c + 4;
  for (int i = static_cast<int>(lostColumns); i < n; ++i) {
    uint64_t t = 0;
    const size_t len = readSerialType(page, at, end, t);
    if (len == 0 || rules_.allowance(i, t) != Allowance::kStrict) return false;
    visible_.push_back(t);
    at += len;
  }
  const uint64_t headerLength = at - (c + lp);
  const uint64_t payload = end - c - lp;
  if (varintLength(payload) != lp || headerLength >= 128 || payload < headerLength) return false;
  uint64_t visibleWidth = 0;
  for (const uint64_t t : visible_) visibleWidth += contentWidth(t);
  if (payload < headerLength + visibleWidth) return false;
  const uint64_t lostWidth = payload - headerLength - visibleWidth;
  // The visible columns' contents stand where they stand whatever the lost types are: one
  // that cannot be read rules out every reading.
  if (validator_.localSize(payload) == payload) {
    const uint8_t* content = page + c + lp + headerLength + lostWidth;
    for (size_t i = 0; i < visible_.size(); ++i) {
      if (!validator_.contentFits(static_cast<int>(lostColumns + i), visible_[i], content)) return false;
      content += contentWidth(visible_[i]);
    }
  }
  auto attempt = [&](uint64_t first, uint64_t second) {
    if (rules_.allowance(0, first) != Allowance::kStrict ||
        (lostColumns == 2 && rules_.allowance(1, second) != Allowance::kStrict)) {
      return false;
    }
    types_.clear();
    types_.push_back(first);
    if (lostColumns == 2) types_.push_back(second);
    types_.insert(types_.end(), visible_.begin(), visible_.end());
    RecordShape shape;
    shape.recordStart = c + lp;
    shape.headerLength = headerLength;
    shape.contentStart = c + lp + headerLength;
    shape.types = &types_;
    shape.areaEnd = end;
    shape.exactEnd = true;
    if (!validator_.validate(page, shape, demandsFor(Evidence::kWeak, inTree), out) || !out.keptNonEmpty) return false;
    out.cellStart = c;
    out.lengthInferred = true;
    return true;
  };
  // The type of `column` that has exactly `width` bytes of content.
  auto ofWidth = [&](int column, uint64_t width, bool twoBytes, uint64_t& t) {
    for (const uint64_t base : {13, 12}) {  // text first, then blob
      t = base + 2 * width;
      if ((t >= 128) == twoBytes && t < 16384 && rules_.allowance(column, t) != Allowance::kNever) return true;
    }
    return false;
  };
  if (lostColumns == 1) {
    uint64_t t = 0;
    return ofWidth(0, lostWidth, lostBytes == 2, t) && attempt(t, 0);
  }
  for (int variable = 1; variable >= 0; --variable) {
    const int fixed = 1 - variable;
    for (uint64_t f = 0; f < 12; ++f) {
      if (rules_.allowance(fixed, f) == Allowance::kNever || contentWidth(f) > lostWidth) continue;
      uint64_t t = 0;
      if (!ofWidth(variable, lostWidth - contentWidth(f), false, t)) continue;
      if (variable == 1 ? attempt(f, t) : attempt(t, f)) return true;
    }
  }
  return false;
}

bool IndexCarver::lostHeadAt(const uint8_t* page, size_t c, size_t end, bool inTree, Record& out) {
  if (end <= c + 5 || end > usable_) return false;
  for (size_t lp = 1; lp <= 2; ++lp) {
    for (size_t lost = 3 - lp; lost >= 1; --lost) {
      if (tryLostHead(page, c, lp, lost, end, inTree, out)) return true;
    }
  }
  return false;
}

// Whether the four bytes at `c` can be a freeblock header SQLite wrote over a cell: a next
// pointer of 0 or past it, and a size that covers at least a small cell inside the page.
bool IndexCarver::plausibleHeader(const uint8_t* page, size_t c) const {
  const size_t next = readBigEndian16(page + c);
  const size_t size = readBigEndian16(page + c + 2);
  return size >= 6 && size <= usable_ - c && (next == 0 || (next > c && next < usable_));
}

void IndexCarver::carveArea(const uint8_t* page, size_t pos, size_t end, bool head, bool inTree, bool lostHeads,
                            std::vector<Record>& out) {
  // The cells found intact, front to back; each search goes on after the cell it found.
  // A cell whose header stands but whose content does not read (cut short where SQLite
  // reused the end of its block) is a shell: it hides no freeblock header inside it.
  std::vector<Record>& intact = intact_;
  std::vector<std::pair<size_t, size_t>>& shells = shells_;
  intact.clear();
  shells.clear();
  const size_t from = head ? pos + 4 : pos;
  size_t searchFrom = from;
  // Ends: every cell found ends after the position it was searched from.
  const int n = rules_.columnCount();
  for (size_t a = from + 1; a < end; ++a) {
    // shellAt()'s first tests, inline: a one-byte header length that n columns can fill,
    // after the last byte of a payload length at least as large (one byte that large, or
    // a longer varint).
    const uint8_t b = page[a];
    if (b <= n || b > 1 + 3 * n || b >= 0x80 || page[a - 1] >= 0x80 || a <= searchFrom ||
        !rules_.canBeginType(0, page[a + 1])) {
      continue;
    }
    if (page[a - 1] < b && (a < searchFrom + 2 || page[a - 2] < 0x80)) continue;
    size_t start = 0, stop = 0;
    if (!shellAt(page, a, searchFrom, end, start, stop)) continue;
    Record record;
    if (intactFrom(page, a, start, end, inTree, record)) {
      a = record.cellEnd - 1;
      searchFrom = record.cellEnd;
      intact.push_back(std::move(record));
    } else if (lostHeads) {
      shells.emplace_back(start, stop);
    }
  }
  if (!lostHeads) {
    for (Record& record : intact) out.push_back(std::move(record));
    return;
  }
  // Between them: cells behind freeblock headers, the area's own and older ones left inside
  // it when SQLite merged freed neighbours. Such a cell ends where the next cell or header
  // starts, or where its header's size says.
  std::vector<size_t>& headers = headers_;
  headers.clear();
  size_t next = 0;
  for (size_t c = pos; c + 6 <= end; ++c) {
    while (next < intact.size() && intact[next].cellEnd <= c) ++next;
    if (next < intact.size() && intact[next].cellStart <= c) {
      c = intact[next].cellEnd - 1;
      continue;
    }
    const auto insideShell = [&] {
      return std::any_of(shells.begin(), shells.end(), [&](const std::pair<size_t, size_t>& shell) {
        return shell.first < c && c < shell.second;
      });
    };
    if ((head && c == pos) || (plausibleHeader(page, c) && !insideShell())) headers.push_back(c);
  }
  std::vector<Record>& lost = lost_;
  lost.clear();
  size_t coveredTo = pos;
  for (size_t h = 0; h < headers.size(); ++h) {
    const size_t c = headers[h];
    if (c < coveredTo) continue;
    size_t limit = end;
    for (const Record& r : intact) {
      if (r.cellStart > c) {
        limit = r.cellStart;
        break;
      }
    }
    size_t ends[3] = {limit, limit, limit};
    if (h + 1 < headers.size() && headers[h + 1] < limit) ends[0] = headers[h + 1];
    const size_t bySize = c + readBigEndian16(page + c + 2);
    if (bySize < limit) ends[2] = bySize;
    for (size_t k = 0; k < 3; ++k) {
      const size_t e = ends[k];
      if (k > 0 && (e == ends[k - 1] || e == ends[0])) continue;
      Record record;
      if (e <= c + 5 || !lostHeadAt(page, c, e, inTree, record)) continue;
      coveredTo = record.cellEnd;
      lost.push_back(std::move(record));
      break;
    }
  }
  // Front to back, as found in the page.
  std::merge(std::make_move_iterator(intact.begin()), std::make_move_iterator(intact.end()),
             std::make_move_iterator(lost.begin()), std::make_move_iterator(lost.end()), std::back_inserter(out),
             [](const Record& a, const Record& b) { return a.cellStart < b.cellStart; });
}

void IndexCarver::carveFreeSpace(const uint8_t* page, bool pageOne, bool inTree, std::vector<Record>& out) {
  const size_t at = pageOne ? kFileHeaderSize : 0;
  const uint8_t type = page[at];
  if (type != 2 && type != 5 && type != 10 && type != 13) return;
  const size_t header = at + (type == 2 || type == 5 ? 12 : 8);
  const size_t gapStart = header + 2 * size_t{readBigEndian16(page + at + 3)};
  size_t previousEnd = std::min(gapStart, usable_);
  size_t offset = readBigEndian16(page + at + 1);
  // Ends: each freeblock must start after the one before, so offsets grow. In another
  // tree's page the freeblocks hold that tree's own cells: only its gap is searched.
  while (inTree && offset != 0 && offset >= previousEnd && offset <= usable_ - 4) {
    const size_t size = readBigEndian16(page + offset + 2);
    if (size < 4 || size > usable_ - offset) break;
    carveArea(page, offset, offset + size, true, inTree, inTree, out);
    previousEnd = offset + size;
    offset = readBigEndian16(page + offset);
  }
  size_t contentStart = readBigEndian16(page + at + 5);
  if (contentStart == 0) contentStart = 65536;
  const size_t gapEnd = std::min(contentStart, usable_);
  if (gapStart < gapEnd) carveArea(page, gapStart, gapEnd, false, inTree, inTree, out);
}

void IndexCarver::carveWhole(const uint8_t* page, size_t from, std::vector<Record>& out) {
  carveArea(page, std::max<size_t>(from, 8), usable_, false, false, true, out);
}

}  // namespace engine
