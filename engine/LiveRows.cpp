#include "LiveRows.h"

#include <algorithm>
#include <cstring>

#include "BTreeWalk.h"
#include "Bytes.h"
#include "DatabaseHeader.h"
#include "PageSource.h"

namespace engine {

bool RecordView::parse(const uint8_t* payload, size_t size) {
  payload_ = payload;
  count_ = 0;
  if (size == 0) return true;  // an empty payload: every column takes its default, as SQLite reads it
  const uint8_t* end = payload + size;
  uint64_t headerLength = 0;
  size_t n = readVarint(payload, end, headerLength);
  if (n == 0 || headerLength > size) return false;
  if (headerLength < n) return true;  // no serial types: SQLite reads every column as its default
  uint64_t offset = headerLength;
  size_t at = n;
  size_t count = 0;
  // Ends: every serial type moves `at` forward, up to the header's end.
  while (at < headerLength) {
    if (count == columns_.size()) columns_.resize(std::max<size_t>(32, 2 * count));
    Column* column = columns_.data();
    const size_t room = columns_.size();
    // One-byte serial types, the common case, in a tight loop.
    const size_t stop = static_cast<size_t>(std::min<uint64_t>(headerLength, at + (room - count)));
    while (at < stop && payload[at] < 0x80) {
      const uint8_t t = payload[at++];
      if (t == 10 || t == 11) return false;
      column[count++] = {t, static_cast<uint32_t>(offset)};
      offset += contentWidth(t);
    }
    if (offset > size) return false;
    if (at >= headerLength || count == room) continue;
    uint64_t t = 0;
    n = readVarint(payload + at, payload + headerLength, t);
    if (n == 0) return false;
    at += n;
    column[count++] = {t, static_cast<uint32_t>(offset)};
    offset += contentWidth(t);
    if (offset > size) return false;
  }
  count_ = count;
  return at == headerLength;
}

bool RecordView::isInteger(int i) const { return has(i) && isIntegerType(columns_[static_cast<size_t>(i)].type); }

int64_t RecordView::integer(int i) const {
  if (!isInteger(i)) return 0;
  return integerValue(columns_[static_cast<size_t>(i)].type, payload_ + columns_[static_cast<size_t>(i)].offset);
}

std::string RecordView::text(int i, uint32_t encoding) const {
  if (!has(i)) return std::string();
  const uint64_t t = columns_[static_cast<size_t>(i)].type;
  const uint8_t* content = payload_ + columns_[static_cast<size_t>(i)].offset;
  if (t == 0) return std::string();
  if (isIntegerType(t)) return std::to_string(integerValue(t, content));
  if (t == 7) return realText(content);
  const size_t width = static_cast<size_t>(contentWidth(t));
  if (isTextType(t) && encoding != 1) {
    std::string utf8;
    utf16ToUtf8(content, width, encoding == 3, &utf8);
    return utf8;
  }
  return std::string(reinterpret_cast<const char*>(content), width);
}

bool RecordView::bytes(int i, uint32_t encoding, const char*& data, size_t& length) const {
  const uint64_t t = type(i);
  if (t != 0 && (t < 12 || (isTextType(t) && encoding != 1))) return false;
  data = t == 0 ? "" : reinterpret_cast<const char*>(payload_ + columns_[static_cast<size_t>(i)].offset);
  length = t == 0 ? 0 : static_cast<size_t>(contentWidth(t));
  return true;
}

LiveRowReader::LiveRowReader(PageSource& source, PageMap& map, uint16_t tree)
    : source_(source), map_(map), tree_(tree) {
  page_.resize(source_.pageSize() + kPageSlack);
  overflowPage_.resize(source_.pageSize() + kPageSlack);
}

bool LiveRowReader::assemble(const uint8_t* page, uint32_t cell, int64_t& rowid, const uint8_t*& payload,
                             size_t& size) {
  const uint32_t usable = source_.usable();
  const uint8_t* end = page + usable;
  uint64_t payloadLength = 0, key = 0;
  const size_t n1 = readVarint(page + cell, end, payloadLength);
  if (n1 == 0) return false;
  const size_t n2 = readVarint(page + cell + n1, end, key);
  if (n2 == 0) return false;
  rowid = static_cast<int64_t>(key);
  const uint32_t start = cell + static_cast<uint32_t>(n1 + n2);
  // The split of a table leaf's payload between the page and its overflow chain.
  const uint64_t maxLocal = usable - 35;
  const uint64_t minLocal = (uint64_t{usable} - 12) * 32 / 255 - 23;
  uint64_t local = payloadLength;
  if (payloadLength > maxLocal) {
    local = minLocal + (payloadLength - minLocal) % (usable - 4);
    if (local > maxLocal) local = minLocal;
  }
  const uint64_t overflowField = payloadLength > maxLocal ? 4 : 0;
  if (start > usable || local + overflowField > usable - start) return false;
  if (payloadLength > (uint64_t{1} << 30)) return false;
  if (overflowField == 0) {
    payload = page + start;
    size = static_cast<size_t>(local);
    return true;
  }
  payload_.assign(page + start, page + start + local);
  uint32_t next = readBigEndian32(page + start + local);
  uint64_t missing = payloadLength - local;
  // Ends: every overflow page is claimed once, and each adds at least one byte.
  while (missing > 0) {
    if (!map_.claim(next, PageMap::kOverflow, tree_) || !source_.readPage(next, overflowPage_.data())) return false;
    const uint64_t chunk = std::min<uint64_t>(missing, usable - 4);
    payload_.insert(payload_.end(), overflowPage_.begin() + 4, overflowPage_.begin() + 4 + static_cast<long>(chunk));
    missing -= chunk;
    next = readBigEndian32(overflowPage_.data());
  }
  payload = payload_.data();
  size = payload_.size();
  return true;
}

bool LiveRowReader::readLeaf(uint32_t pgno, const Visitor& row) {
  if (!source_.readPage(pgno, page_.data())) return false;
  const uint32_t at = pgno == 1 ? kFileHeaderSize : 0;
  const uint8_t* header = page_.data() + at;
  if (header[0] != 13) return false;
  const uint32_t usable = source_.usable();
  const uint32_t cellCount = readBigEndian16(header + 3);
  if (cellCount > (usable - at - 8) / 2) return false;
  bool complete = true;
  // SQLite reads a cell pointer masked to the page size, so a pointer beyond the page
  // names the cell at that offset within it; the live rows are the ones SQLite lists.
  const uint32_t mask = source_.pageSize() - 1;
  for (uint32_t i = 0; i < cellCount; ++i) {
    const uint32_t cell = readBigEndian16(header + 8 + 2 * i) & mask;
    int64_t rowid = 0;
    const uint8_t* payload = nullptr;
    size_t size = 0;
    if (cell >= usable || !assemble(page_.data(), cell, rowid, payload, size) || !record_.parse(payload, size)) {
      complete = false;
      continue;
    }
    row(rowid, record_);
  }
  return complete;
}

}  // namespace engine
