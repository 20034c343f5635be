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

}  // namespace samplephone
