#include "free_space.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace samplephone {

namespace {

uint32_t get2(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }

uint32_t get4(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// SQLite varint; the file was just written by SQLite, but `end` still bounds the read.
int64_t getVarint(const uint8_t* p, const uint8_t* end) {
  uint64_t v = 0;
  for (int i = 0; i < 9 && p < end; ++i, ++p) {
    if (i == 8) return static_cast<int64_t>(v << 8 | *p);
    v = v << 7 | (*p & 0x7F);
    if (!(*p & 0x80)) break;
  }
  return static_cast<int64_t>(v);
}

const int kMaxDepth = 20;

// One cell of a table leaf page: its rowid and the number of columns of its record;
// false when it cannot be read. Every varint read is bounded by the page's end.
bool readLeafCell(const uint8_t* page, uint32_t pageSize, uint32_t cell, int64_t& rowid, int& columns) {
  if (cell >= pageSize) return false;
  const uint8_t* end = page + pageSize;
  auto skipVarint = [&](const uint8_t*& p) {
    for (int i = 0; i < 9 && p < end; ++i)
      if (!(*p++ & 0x80)) return;
  };
  const uint8_t* p = page + cell;
  skipVarint(p);  // payload size
  rowid = getVarint(p, end);
  skipVarint(p);
  if (p >= end) return false;
  const uint8_t* recordStart = p;
  int64_t headerSize = getVarint(p, end);
  skipVarint(p);
  if (headerSize < 1 || headerSize > end - recordStart) return false;
  const uint8_t* headerEnd = recordStart + headerSize;
  columns = 0;
  while (p < headerEnd) {
    skipVarint(p);
    ++columns;
  }
  return true;
}

}  // namespace

TableFreeSpace::TableFreeSpace(const std::string& path, uint32_t rootPage) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  file_.resize(static_cast<std::size_t>(size > 0 ? size : 0));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(file_.data()), static_cast<std::streamsize>(file_.size()));
  if (file_.size() < 100) throw std::runtime_error("cannot read " + path);
  pageSize_ = get2(&file_[16]);
  if (pageSize_ == 1) pageSize_ = 65536;
  walk(rootPage, std::numeric_limits<int64_t>::max(), 0);
}

const uint8_t* TableFreeSpace::page(uint32_t pgno) const {
  uint64_t start = (static_cast<uint64_t>(pgno) - 1) * pageSize_;
  if (pgno == 0 || pageSize_ > file_.size() || start > file_.size() - pageSize_) return nullptr;
  return &file_[static_cast<std::size_t>(start)];
}

// The depth cap ends the walk even on a damaged tree.
void TableFreeSpace::walk(uint32_t pgno, int64_t maxKey, int depth) {
  const uint8_t* p = page(pgno);
  if (!p || depth > kMaxDepth) return;
  uint32_t hdr = pgno == 1 ? 100 : 0;
  if (p[hdr] == 0x0D) {
    addLeaf(pgno, maxKey);
    return;
  }
  if (p[hdr] != 0x05) return;
  uint32_t cellCount = get2(p + hdr + 3);
  for (uint32_t i = 0; i < cellCount && hdr + 12 + 2 * i + 2 <= pageSize_; ++i) {
    uint32_t cell = get2(p + hdr + 12 + 2 * i);
    if (cell + 5 > pageSize_) continue;
    walk(get4(p + cell), getVarint(p + cell + 4, p + pageSize_), depth + 1);
  }
  walk(get4(p + hdr + 8), maxKey, depth + 1);
}

void TableFreeSpace::addLeaf(uint32_t pgno, int64_t maxKey) {
  const uint8_t* p = page(pgno);
  uint32_t hdr = pgno == 1 ? 100 : 0;
  Leaf leaf{pgno, maxKey, {}};
  uint32_t pointersEnd = hdr + 8 + 2 * get2(p + hdr + 3);
  uint32_t contentStart = get2(p + hdr + 5);
  if (contentStart == 0) contentStart = 65536;
  if (pointersEnd < contentStart && contentStart <= pageSize_) leaf.regions.push_back({pointersEnd, contentStart});
  // A freeblock chain runs forward through the page, so it ends within pageSize_ steps.
  uint32_t at = get2(p + hdr + 1);
  while (at != 0 && at + 4 <= pageSize_) {
    uint32_t size = get2(p + at + 2);
    if (size < 4 || size > pageSize_ - at) break;
    leaf.regions.push_back({at, at + size});
    uint32_t next = get2(p + at);
    if (next <= at) break;
    at = next;
  }
  leaves_.push_back(leaf);
}

bool TableFreeSpace::holds(int64_t rowid, const std::string& bytes) const {
  if (bytes.empty() || leaves_.empty()) return false;
  auto home = std::lower_bound(leaves_.begin(), leaves_.end(), rowid,
                               [](const Leaf& leaf, int64_t key) { return leaf.maxKey < key; });
  std::ptrdiff_t index = std::min<std::ptrdiff_t>(home - leaves_.begin(), static_cast<std::ptrdiff_t>(leaves_.size()) - 1);
  std::ptrdiff_t from = std::max<std::ptrdiff_t>(0, index - 2);
  std::ptrdiff_t to = std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(leaves_.size()) - 1, index + 2);
  for (std::ptrdiff_t i = from; i <= to; ++i) {
    const Leaf& leaf = leaves_[static_cast<std::size_t>(i)];
    const uint8_t* p = page(leaf.pgno);
    for (const auto& region : leaf.regions) {
      const uint8_t* begin = p + region.first;
      const uint8_t* end = p + region.second;
      if (std::search(begin, end, bytes.begin(), bytes.end(),
                      [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }) != end)
        return true;
    }
  }
  return false;
}

WalFrameSpace::WalFrameSpace(const std::string& walPath, int columnCount) {
  std::ifstream in(walPath, std::ios::binary);
  uint8_t header[32];
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return;
  uint32_t pageSize = get4(header + 8);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return;
  uint8_t frameHeader[24];
  std::vector<uint8_t> image(pageSize);
  // Each pass consumes a whole frame or ends the loop, so it ends with the file.
  while (in.read(reinterpret_cast<char*>(frameHeader), sizeof frameHeader) &&
         in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(pageSize))) {
    uint32_t hdr = get4(frameHeader) == 1 ? 100 : 0;
    if (image[hdr] != 0x0D) continue;
    uint32_t cellCount = get2(image.data() + hdr + 3);
    Image leaf{cellCount == 0, 0, 0, {}};
    if (cellCount > 0) {
      if (hdr + 8 + 2 * cellCount > pageSize) continue;
      int columns = 0, lastColumns = 0;
      if (!readLeafCell(image.data(), pageSize, get2(image.data() + hdr + 8), leaf.firstKey, columns) ||
          !readLeafCell(image.data(), pageSize, get2(image.data() + hdr + 8 + 2 * (cellCount - 1)), leaf.lastKey,
                        lastColumns) ||
          columns != columnCount)
        continue;
    }
    leaf.bytes = image;
    images_.push_back(std::move(leaf));
  }
}

bool WalFrameSpace::holds(int64_t rowid, const std::string& bytes) const {
  if (bytes.empty()) return false;
  for (const Image& image : images_) {
    if (!image.empty && (rowid < image.firstKey || rowid > image.lastKey)) continue;
    if (std::search(image.bytes.begin(), image.bytes.end(), bytes.begin(), bytes.end(),
                    [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }) != image.bytes.end())
      return true;
  }
  return false;
}

}  // namespace samplephone
