#include "RecordValidator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Bytes.h"

namespace engine {

namespace {

// The largest payload whose overflow chain is followed: far above any message or contact
// field, small enough that assembling it costs nothing worth counting.
constexpr uint64_t kMaxFollowedPayload = 1u << 20;

bool fitsSigned(int64_t v, int bits) {
  const int64_t limit = int64_t{1} << (bits - 1);
  return v >= -limit && v < limit;
}

}  // namespace

std::optional<int64_t> CarvedValue::asInteger() const {
  if (isIntegerType(serialType)) return integer;
  if (!isTextType(serialType) || text.empty() || text.size() > 18) return std::nullopt;
  int64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

Demands demandsFor(Evidence evidence, bool pageInTree) {
  Demands d;
  if (evidence == Evidence::kWeak || !pageInTree) {
    d.maxPenalty = 0;
    d.noSoftNull = true;
  }
  if (!pageInTree) d.allColumns = true;
  return d;
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
  const int columns = rules_.columnCount();
  types.reserve(static_cast<size_t>(columns));
  // Ends: every type moves `pos` forward, and at most `columns` are read.
  for (int i = 0; pos < end; ++i) {
    uint64_t t;
    if (i >= columns) return false;
    const size_t n = readSerialType(page, pos, end, t);
    if (n == 0) return false;
    pos += n;
    if (rules_.allowance(i, t) == Allowance::kNever) return false;
    types.push_back(t);
  }
  return pos == end;
}

uint64_t RecordValidator::localSize(uint64_t payload) const {
  // The split of SQLite's cell parser: X = U - 35 on table leaves, (U-12)*64/255 - 23 on
  // index pages; M = (U-12)*32/255 - 23.
  const uint64_t maxLocal = rules_.isIndex() ? (uint64_t{usable_} - 12) * 64 / 255 - 23 : usable_ - 35;
  if (payload <= maxLocal) return payload;
  const uint64_t minLocal = (static_cast<uint64_t>(usable_) - 12) * 32 / 255 - 23;
  const uint64_t k = minLocal + (payload - minLocal) % (usable_ - 4);
  return k <= maxLocal ? k : minLocal;
}

inline bool RecordValidator::checkValue(uint64_t t, const uint8_t* bytes, int& penalty) const {
  if (t >= 13 && t % 2 == 1) return checkText(bytes, static_cast<size_t>(contentWidth(t)), penalty);
  const uint64_t width = contentWidth(t);
  if (t >= 1 && t <= 6) {
    // SQLite stores every integer in the smallest type that holds it.
    const int64_t v = readSignedBigEndian(bytes, static_cast<size_t>(width));
    switch (t) {
      case 1: return !(rules_.zeroAndOneHaveTypes() && (v == 0 || v == 1));
      case 2: return !fitsSigned(v, 8);
      case 3: return !fitsSigned(v, 16);
      case 4: return !fitsSigned(v, 24);
      case 5: return !fitsSigned(v, 32);
      default: return !fitsSigned(v, 48);
    }
  }
  if (t == 7) return !std::isnan(realValue(bytes));  // SQLite stores NaN as NULL
  return true;
}

bool RecordValidator::contentFits(int column, uint64_t t, const uint8_t* bytes) const {
  int penalty = 0;
  return checkValue(t, bytes, penalty) && (!isIntegerType(t) || rules_.integerAllowed(column, integerValue(t, bytes)));
}

bool RecordValidator::checkText(const uint8_t* bytes, size_t n, int& penalty) const {
  // Control characters other than line breaks and tabs are rare in what people write.
  bool control = false;
  if (rules_.textEncoding() == kUtf8) {
    if (!isValidUtf8(bytes, n, control)) return false;
  } else {
    if (!utf16ToUtf8(bytes, n, rules_.textEncoding() == kUtf16be, nullptr)) return false;
    control = std::any_of(bytes, bytes + n, [](uint8_t b) { return b < 0x20 && b != '\t' && b != '\n' && b != '\r'; });
  }
  if (control) ++penalty;
  return true;
}

void RecordValidator::keptValue(uint64_t t, const uint8_t* bytes, CarvedValue& value) const {
  value.serialType = t;
  const size_t width = static_cast<size_t>(contentWidth(t));
  if (t == 0) return;
  if (isIntegerType(t)) {
    value.integer = integerValue(t, bytes);
  } else if (t == 7) {
    value.text = realText(bytes);
  } else if (isTextType(t) && rules_.textEncoding() != kUtf8) {
    utf16ToUtf8(bytes, width, rules_.textEncoding() == kUtf16be, &value.text);
  } else {
    value.text.assign(reinterpret_cast<const char*>(bytes), width);
  }
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
  int penalty = 0, softNulls = 0;
  uint64_t payload = shape.headerLength;
  for (int i = 0; i < n; ++i) {
    const uint64_t t = types[static_cast<size_t>(i)];
    const Allowance a = rules_.allowance(i, t);
    if (a == Allowance::kNever) return false;
    if (a == Allowance::kLenient) ++penalty;
    if (t == 0 && rules_.softNotNull(i)) {
      if (demands.noSoftNull) return false;
      ++softNulls;
    }
    payload += contentWidth(t);
  }
  if (penalty > demands.maxPenalty) return false;

  const uint64_t local = localSize(payload);
  const bool overflows = local < payload;
  if (shape.headerLength > local) return false;
  const uint64_t cellEnd = shape.recordStart + local + (overflows ? 4 : 0);
  if (cellEnd > shape.areaEnd || (shape.exactEnd && cellEnd != shape.areaEnd)) return false;

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
      if (isIntegerType(t) && !rules_.integerAllowed(i, integerValue(t, bytes + offset))) return false;
    }
    offset += width;
  }
  if (penalty > demands.maxPenalty) return false;

  out.kept.clear();
  out.keptNonEmpty = false;
  const std::vector<int>& kept = rules_.kept();
  out.kept.reserve(kept.size());
  for (size_t i = 0; i < kept.size(); ++i) {
    const int k = kept[i];
    if (k >= n) {  // a column the record lacks: written before it was added
      out.kept.emplace_back();
      continue;
    }
    const uint64_t t = types[static_cast<size_t>(k)];
    const uint64_t width = contentWidth(t);
    const uint64_t at = offsets[static_cast<size_t>(k)];
    if (width > available || at > available - width) {
      if (i < rules_.deciding()) return false;
      out.kept.emplace_back();  // beyond what is at hand: not read
      continue;
    }
    out.kept.emplace_back();
    keptValue(t, bytes + at, out.kept.back());
    // A number always writes something; a text or blob unless it is empty or zeros.
    const std::string& v = out.kept.back().text;
    if (i < rules_.deciding() && t != 0 && (t < 12 || (!v.empty() && v[0] != '\0'))) out.keptNonEmpty = true;
  }
  out.penalty = penalty;
  out.softNulls = softNulls;
  out.cellEnd = static_cast<size_t>(cellEnd);
  out.strong = false;
  out.lengthInferred = false;
  out.rowid.reset();
  if (rules_.isIndex() && n == rules_.columnCount()) {
    // The last column of an index record is the rowid of the row it points to.
    const uint64_t t = types[static_cast<size_t>(n - 1)];
    const uint64_t at = offsets[static_cast<size_t>(n - 1)];
    if (isIntegerType(t) && contentWidth(t) <= available && at <= available - contentWidth(t)) {
      out.rowid = integerValue(t, bytes + at);
    }
  }
  return true;
}

}  // namespace engine
