#include "CopyCheck.h"

#include <cstring>

namespace {

const size_t kHeaderSize = 100;

uint32_t BigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

}  // namespace

uint32_t DatabasePageSize(const uint8_t* head, size_t n) {
  static const char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes
  if (n < kHeaderSize || std::memcmp(head, kMagic, sizeof(kMagic)) != 0) return 0;
  const uint32_t raw = static_cast<uint32_t>(head[16]) << 8 | head[17];
  const uint32_t pageSize = raw == 1 ? 65536 : raw;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return 0;
  return pageSize;
}

bool IsWholeDatabase(const uint8_t* head, size_t n, uint64_t size, bool journalBeside,
                     std::string* why) {
  const uint32_t pageSize = DatabasePageSize(head, n);
  if (pageSize == 0) {
    *why = "no SQLite database header";
    return false;
  }
  if (size < pageSize || size % pageSize != 0) {
    *why = "ends inside a page";
    return false;
  }
  const bool walMode = head[18] == 2 && head[19] == 2;
  const uint32_t pageCount = BigEndian32(head + 28);
  // The count is valid only when written by the same change as the change counter.
  const bool countValid = pageCount != 0 && std::memcmp(head + 92, head + 24, 4) == 0;
  if (walMode || journalBeside || !countValid) return true;
  if (size != static_cast<uint64_t>(pageCount) * pageSize) {
    *why = "holds " + std::to_string(size / pageSize) + " of the " + std::to_string(pageCount) +
           " pages its header counts";
    return false;
  }
  return true;
}
