#include "Carving.h"

#include <algorithm>
#include <cstring>

#include "RecordHeader.h"

namespace engine {

uint8_t* CarveBuffer::prepare(size_t length) {
  std::memset(bytes_.data(), 0, std::min(dirty_, kCapacity));
  dirty_ = std::min(length, kCapacity);
  return bytes_.data();
}

namespace {

// Where a freeblock record's walk may stop: after a column that is not the last, once the
// record has reached the end of the area; an area record is stopped before a column once
// it has reached the end.
enum class Bound { kAfterColumn, kBeforeColumn };

struct KeptColumn {
  int index;
  int64_t start = -1;  // offset of the content from the end of the header; -1: not seen
  int64_t width = 0;
};

struct RecordWalk {
  bool complete = false;  // all columns read within the bound
  int64_t total = 0;      // header bytes plus content bytes from the start position
  int64_t bodyStart = 0;  // buffer position where the contents begin
};

// Reads `columnCount` serial types from `start` and places the kept columns. The record
// covers `total` bytes; `complete` says whether the bound let the walk read every column.
RecordWalk walkHeader(const CarveBuffer& buffer, int64_t start, int64_t length, int columnCount,
                      Bound bound, KeptColumn* kept, size_t keptCount) {
  RecordWalk walk;
  int64_t cursor = start;
  int64_t widths = 0;
  for (int k = 0; k < columnCount; ++k) {
    if (bound == Bound::kBeforeColumn && start + walk.total >= length) return walk;
    // cursor < length here, so the varint starts inside the filled part and the slack
    // covers the up to 8 bytes it may run beyond it.
    const SerialType st = readSerialType(buffer.data() + cursor, buffer.end());
    const int64_t width = calculateDataWidth(st.type);
    for (size_t i = 0; i < keptCount; ++i) {
      if (kept[i].index == k) {
        kept[i].start = widths;
        kept[i].width = width;
      }
    }
    widths += width;
    walk.total += st.length + width;
    cursor += st.length;
    if (bound == Bound::kAfterColumn && k + 1 < columnCount && start + walk.total >= length) {
      return walk;
    }
  }
  walk.complete = true;
  walk.bodyStart = cursor;
  return walk;
}

// Content bytes of a kept column of an accepted record; accepted records end inside the
// filled part, so the copy stays inside it.
std::string contentOf(const CarveBuffer& buffer, const RecordWalk& walk, const KeptColumn& column) {
  if (column.start < 0 || column.width == 0) return std::string();
  const char* p = reinterpret_cast<const char*>(buffer.data() + walk.bodyStart + column.start);
  return std::string(p, static_cast<size_t>(column.width));
}

// Decodes the records packed in a freeblock. Between two records lie the 4 bytes of the next
// cell's payload length and row id (not examined); a fifth byte, taken to be that cell's
// header length, is skipped when it is at least `skipFrom`. `emit` receives each record.
template <typename Emit>
void carveFreeblock(const CarveBuffer& buffer, size_t length, int columnCount, unsigned skipFrom,
                    KeptColumn* kept, size_t keptCount, Emit emit) {
  if (length == 0 || columnCount <= 0) return;
  const int64_t area = static_cast<int64_t>(length);
  int64_t start = 0;
  // Ends: every record covers at least one byte per column, so `start` grows each round.
  for (;;) {
    for (size_t i = 0; i < keptCount; ++i) kept[i].start = -1, kept[i].width = 0;
    const RecordWalk walk =
        walkHeader(buffer, start, area, columnCount, Bound::kAfterColumn, kept, keptCount);
    if (!walk.complete || start + walk.total > area) return;
    emit(walk);
    int64_t next = start + walk.total + 4;
    if (buffer.data()[next] >= skipFrom) ++next;  // next <= area + 4: inside the slack
    if (next >= area) return;
    start = next;
  }
}

// Scans a gap position by position; `matches` tells whether a record may start at a
// position, `emit` receives each record that ends inside the gap.
template <typename Matches, typename Emit>
void carveArea(const CarveBuffer& buffer, size_t length, int columnCount, int64_t lastStart,
               KeptColumn* kept, size_t keptCount, Matches matches, Emit emit) {
  if (columnCount <= 0) return;
  const int64_t area = static_cast<int64_t>(length);
  int64_t pos = 0;
  // Ends: every step moves `pos` forward by at least one byte.
  while (pos < lastStart) {
    if (!matches(pos)) {
      ++pos;
      continue;
    }
    for (size_t i = 0; i < keptCount; ++i) kept[i].start = -1, kept[i].width = 0;
    const RecordWalk walk =
        walkHeader(buffer, pos, area, columnCount, Bound::kBeforeColumn, kept, keptCount);
    if (walk.complete && pos + walk.total <= area) emit(walk);
    pos = walk.total < area && walk.total > 0 ? pos + walk.total : pos + 1;
  }
}

}  // namespace

void carveContactFreeblock(const CarveBuffer& buffer, size_t length, const ContactColumns& columns,
                           std::vector<ContactPair>& out) {
  KeptColumn kept[2] = {{columns.rawContactId}, {columns.data1}};
  // A byte equal to the column count is taken as a header length, not as a serial type.
  carveFreeblock(buffer, length, columns.count, static_cast<unsigned>(std::max(columns.count, 0)),
                 kept, 2, [&](const RecordWalk& walk) {
                   out.emplace_back(contentOf(buffer, walk, kept[0]), contentOf(buffer, walk, kept[1]));
                 });
}

void carveSmsFreeblock(const CarveBuffer& buffer, size_t length, const SmsColumns& columns,
                       std::vector<SmsCandidate>& out) {
  KeptColumn kept[3] = {{columns.address}, {columns.person}, {columns.body}};
  // Only a byte above the column count is a header length; one equal to it is a serial type.
  carveFreeblock(buffer, length, columns.count, static_cast<unsigned>(std::max(columns.count, 0)) + 1,
                 kept, 3, [&](const RecordWalk& walk) {
                   out.push_back({contentOf(buffer, walk, kept[0]), contentOf(buffer, walk, kept[1]),
                                  contentOf(buffer, walk, kept[2])});
                 });
}

void carveContactArea(const CarveBuffer& buffer, size_t length, const ContactColumns& columns,
                      std::vector<ContactPair>& out) {
  if (columns.data1 < 0) return;
  const uint8_t* b = buffer.data();
  const int64_t data1 = columns.data1;
  const int64_t area = static_cast<int64_t>(length);
  // The columns in front of data1 must be one-byte NULL, integer or real types, and data1's
  // type must begin with a text byte. A start from which data1's type byte lies at or past
  // the end of the gap ends the page.
  const int64_t lastStart = area - data1;
  auto matches = [&](int64_t f) {
    for (int64_t i = 0; i < data1; ++i) {
      if (b[f + i] > 7) return false;
    }
    return isTextTypeByte(b[f + data1]);
  };
  KeptColumn kept[2] = {{columns.rawContactId}, {columns.data1}};
  carveArea(buffer, length, columns.count, lastStart, kept, 2, matches, [&](const RecordWalk& walk) {
    out.emplace_back(contentOf(buffer, walk, kept[0]), contentOf(buffer, walk, kept[1]));
  });
}

void carveSmsArea(const CarveBuffer& buffer, size_t length, const SmsColumns& columns,
                  std::vector<SmsCandidate>& out) {
  const uint8_t* b = buffer.data();
  const int64_t area = static_cast<int64_t>(length);
  const int64_t body = columns.body;
  // Fixed byte positions of the Android layouts: columns 0 and 1 and 3 to 9 are NULL,
  // integer or real, column 2 (the address) text, and the body column text.
  auto matches = [&](int64_t f) {
    if (b[f] > 7 || b[f + 1] > 7) return false;
    if (!isTextTypeByte(b[f + 2])) return false;
    for (int64_t i = 3; i <= 9; ++i) {
      if (b[f + i] > 7) return false;
    }
    return body >= 0 && f + body < area && isTextTypeByte(b[f + body]);
  };
  KeptColumn kept[3] = {{columns.address}, {columns.person}, {columns.body}};
  carveArea(buffer, length, columns.count, area - 11, kept, 3, matches, [&](const RecordWalk& walk) {
    out.push_back({contentOf(buffer, walk, kept[0]), contentOf(buffer, walk, kept[1]),
                   contentOf(buffer, walk, kept[2])});
  });
}

}  // namespace engine
