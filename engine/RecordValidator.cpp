#include "RecordValidator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "RecordHeader.h"

namespace engine {

namespace {

// The largest payload whose overflow chain is followed: far above any message or contact
// field, small enough that assembling it costs nothing worth counting.
constexpr uint64_t kMaxFollowedPayload = 1u << 20;

int64_t readSigned(const uint8_t* p, size_t width) {
  uint64_t v = (p[0] & 0x80) ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < width; ++i) v = v << 8 | p[i];
  return static_cast<int64_t>(v);
}

bool fitsSigned(int64_t v, int bits) {
  const int64_t limit = int64_t{1} << (bits - 1);
  return v >= -limit && v < limit;
}

uint32_t unit16(const uint8_t* p, bool bigEndian) {
  return bigEndian ? (static_cast<uint32_t>(p[0]) << 8 | p[1]) : (static_cast<uint32_t>(p[1]) << 8 | p[0]);
}

// UTF-16 with every surrogate paired; `utf8` (when given) receives the same text in UTF-8.
bool decodeUtf16(const uint8_t* p, size_t n, bool bigEndian, std::string* utf8) {
  if (n % 2 != 0) return false;
  for (size_t i = 0; i < n; i += 2) {
    uint32_t cp = unit16(p + i, bigEndian);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (n - i < 4) return false;
      const uint32_t low = unit16(p + i + 2, bigEndian);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (utf8 == nullptr) continue;
    if (cp < 0x80) {
      *utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      *utf8 += static_cast<char>(0xC0 | cp >> 6);
      *utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *utf8 += static_cast<char>(0xE0 | cp >> 12);
      *utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      *utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *utf8 += static_cast<char>(0xF0 | cp >> 18);
      *utf8 += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      *utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      *utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return true;
}

// Reads one serial-type varint of at most 4 bytes, minimal, not beyond `end`.
bool readTypeVarint(const uint8_t* page, size_t& pos, size_t end, uint64_t& value) {
  if (pos >= end) return false;
  if (page[pos] == 0x80) return false;  // SQLite writes varints without leading zero groups
  value = 0;
  for (size_t i = 0; i < 4; ++i) {
    if (pos >= end) return false;
    const uint8_t b = page[pos++];
    value = value << 7 | (b & 0x7F);
    if (b < 0x80) return true;
  }
  return false;
}

}  // namespace

Demands demandsFor(Evidence evidence, bool pageInTree) {
  Demands d;
  if (evidence == Evidence::kWeak || !pageInTree) {
    d.maxPenalty = 0;
    d.noSoftNull = true;
  }
  if (!pageInTree) d.allColumns = true;
  return d;
}

size_t varintLength(uint64_t value) {
  size_t n = 1;
  while (n < 9 && value >= (uint64_t{1} << (7 * n))) ++n;
  return n;
}

uint64_t contentWidth(uint64_t t) {
  static const uint8_t fixed[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
  if (t < 12) return fixed[t];
  return (t - 12) / 2;
}

uint64_t payloadLength(uint64_t headerLength, const std::vector<uint64_t>& types) {
  uint64_t p = headerLength;
  for (const uint64_t t : types) p += contentWidth(t);
  return p;
}

RecordValidator::RecordValidator(const TableRules& rules, uint32_t usable, OverflowSource* overflow)
    : rules_(rules), usable_(usable), overflow_(overflow) {}

bool RecordValidator::readTypesUntil(const uint8_t* page, size_t pos, size_t end,
                                     std::vector<uint64_t>& types) const {
  types.clear();
  while (pos < end) {
    uint64_t t;
    if (static_cast<int>(types.size()) >= rules_.columnCount()) return false;
    if (!readTypeVarint(page, pos, end, t)) return false;
    if (rules_.allowance(static_cast<int>(types.size()), t) == Allowance::kNever) return false;
    types.push_back(t);
  }
  return pos == end;
}

bool RecordValidator::readTypesCount(const uint8_t* page, size_t pos, size_t limit, int firstColumn, int count,
                                     std::vector<uint64_t>& types, size_t& end) const {
  for (int i = 0; i < count; ++i) {
    uint64_t t;
    if (!readTypeVarint(page, pos, limit, t)) return false;
    if (rules_.allowance(firstColumn + i, t) == Allowance::kNever) return false;
    types.push_back(t);
  }
  end = pos;
  return true;
}

uint64_t RecordValidator::localSize(uint64_t payload) const {
  // The split of sqlite3BtreeParseCell for table leaves: X = U - 35, M = (U-12)*32/255 - 23.
  const uint64_t maxLocal = usable_ - 35;
  if (payload <= maxLocal) return payload;
  const uint64_t minLocal = (static_cast<uint64_t>(usable_) - 12) * 32 / 255 - 23;
  const uint64_t k = minLocal + (payload - minLocal) % (usable_ - 4);
  return k <= maxLocal ? k : minLocal;
}

bool RecordValidator::checkValue(uint64_t t, const uint8_t* bytes, int& penalty) const {
  const uint64_t width = contentWidth(t);
  if (t >= 1 && t <= 6) {
    // SQLite stores every integer in the smallest type that holds it.
    const int64_t v = readSigned(bytes, static_cast<size_t>(width));
    switch (t) {
      case 1: return !(rules_.zeroAndOneHaveTypes() && (v == 0 || v == 1));
      case 2: return !fitsSigned(v, 8);
      case 3: return !fitsSigned(v, 16);
      case 4: return !fitsSigned(v, 24);
      case 5: return !fitsSigned(v, 32);
      default: return !fitsSigned(v, 48);
    }
  }
  if (t == 7) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) bits = bits << 8 | bytes[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return !std::isnan(d);  // SQLite stores NaN as NULL
  }
  if (t >= 13 && t % 2 == 1) {
    const size_t n = static_cast<size_t>(width);
    if (rules_.textEncoding() == kUtf8) {
      if (!isValidUtf8(bytes, n)) return false;
    } else if (!decodeUtf16(bytes, n, rules_.textEncoding() == kUtf16be, nullptr)) {
      return false;
    }
    if (std::memchr(bytes, 0, n) != nullptr) ++penalty;
  }
  return true;
}

std::string RecordValidator::keptValue(uint64_t t, const uint8_t* bytes) const {
  const size_t width = static_cast<size_t>(contentWidth(t));
  if (t == 0) return std::string();
  if (t == 8) return "0";
  if (t == 9) return "1";
  if (t <= 6) return std::to_string(readSigned(bytes, width));
  if (t == 7) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) bits = bits << 8 | bytes[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", d);
    return text;
  }
  if (t >= 13 && rules_.textEncoding() != kUtf8) {
    std::string utf8;
    decodeUtf16(bytes, width, rules_.textEncoding() == kUtf16be, &utf8);
    return utf8;
  }
  return std::string(reinterpret_cast<const char*>(bytes), width);
}

bool RecordValidator::followOverflow(uint32_t first, uint64_t bytesWanted, std::vector<uint8_t>& into) {
  if (overflow_ == nullptr) return false;
  const size_t perPage = usable_ - 4;
  pageCopy_.resize(usable_);
  uint32_t pgno = first;
  // Ends: every step appends at least one byte and stops once `bytesWanted` are there.
  while (bytesWanted > 0) {
    if (!overflow_->isFreelistLeaf(pgno)) return false;
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(perPage, bytesWanted));
    if (!overflow_->readPagePrefix(pgno, pageCopy_.data(), 4 + chunk)) return false;
    into.insert(into.end(), pageCopy_.begin() + 4, pageCopy_.begin() + 4 + static_cast<long>(chunk));
    bytesWanted -= chunk;
    pgno = readBigEndian32(pageCopy_.data());
  }
  return true;
}

bool RecordValidator::validate(const uint8_t* page, const RecordShape& shape, const Demands& demands, Record& out) {
  const std::vector<uint64_t>& types = *shape.types;
  const int n = static_cast<int>(types.size());
  if (n < rules_.minColumns() || n > rules_.columnCount()) return false;
  if (demands.allColumns && n != rules_.columnCount()) return false;
  int penalty = 0;
  for (int i = 0; i < n; ++i) {
    const Allowance a = rules_.allowance(i, types[static_cast<size_t>(i)]);
    if (a == Allowance::kNever) return false;
    if (a == Allowance::kLenient) ++penalty;
    if (types[static_cast<size_t>(i)] == 0 && demands.noSoftNull && rules_.softNotNull(i)) return false;
  }
  if (penalty > demands.maxPenalty) return false;

  const uint64_t payload = payloadLength(shape.headerLength, types);
  const uint64_t local = localSize(payload);
  const bool overflows = payload > usable_ - 35;
  if (shape.headerLength > local) return false;
  const uint64_t cellEnd = shape.recordStart + local + (overflows ? 4 : 0);
  if (cellEnd > shape.areaEnd) return false;

  const uint8_t* bytes = page + shape.recordStart;
  uint64_t available = local;
  if (overflows && payload <= kMaxFollowedPayload) {
    payload_.assign(bytes, bytes + local);
    if (followOverflow(readBigEndian32(page + shape.recordStart + local), payload - local, payload_)) {
      bytes = payload_.data();
      available = payload;
    }
  }

  // Column contents, from the end of the header on. A column that lies beyond what is at
  // hand cannot be checked; a kept one must be at hand.
  std::vector<uint64_t>& offsets = offsets_;
  offsets.resize(static_cast<size_t>(n));
  uint64_t offset = shape.headerLength;
  for (int i = 0; i < n; ++i) {
    const uint64_t t = types[static_cast<size_t>(i)];
    const uint64_t width = contentWidth(t);
    offsets[static_cast<size_t>(i)] = offset;
    if (width <= available && offset <= available - width) {
      if (!checkValue(t, bytes + offset, penalty)) return false;
    }
    offset += width;
  }
  if (penalty > demands.maxPenalty) return false;

  out.kept.clear();
  out.keptNonEmpty = false;
  for (const int k : rules_.kept()) {
    const uint64_t t = types[static_cast<size_t>(k)];
    const uint64_t width = contentWidth(t);
    const uint64_t at = offsets[static_cast<size_t>(k)];
    if (width > available || at > available - width) return false;
    out.kept.push_back(keptValue(t, bytes + at));
    const std::string& v = out.kept.back();
    if (!v.empty() && v[0] != '\0') out.keptNonEmpty = true;
  }
  out.penalty = penalty;
  out.cellEnd = static_cast<size_t>(cellEnd);
  return true;
}

}  // namespace engine
