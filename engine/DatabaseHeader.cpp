#include "DatabaseHeader.h"

#include <cstring>

#include "Bytes.h"

namespace engine {

bool readFileHeader(const uint8_t* bytes, FileHeader& header) {
  static const char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes
  if (std::memcmp(bytes, kMagic, 16) != 0) return false;
  uint32_t pageSize = readBigEndian16(bytes + 16);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return false;
  const uint32_t reserved = bytes[20];
  if (pageSize - reserved < 480) return false;
  FileHeader h;
  h.pageSize = pageSize;
  h.usable = pageSize - reserved;
  h.walMode = bytes[18] == 2 || bytes[19] == 2;
  // The in-header size is trusted only when the change counter matches the version it was
  // written for, as SQLite does; older writers left it stale.
  const uint32_t changeCounter = readBigEndian32(bytes + 24);
  if (changeCounter == readBigEndian32(bytes + 92)) h.databaseSize = readBigEndian32(bytes + 28);
  h.firstTrunk = readBigEndian32(bytes + 32);
  h.freelistCount = readBigEndian32(bytes + 36);
  h.schemaFormat = readBigEndian32(bytes + 44);
  h.largestRoot = readBigEndian32(bytes + 52);
  h.textEncoding = readBigEndian32(bytes + 56);
  if (h.textEncoding < 1 || h.textEncoding > 3) h.textEncoding = 1;  // an empty file says 0
  header = h;
  return true;
}

bool isPointerMapPage(uint32_t pgno, uint32_t usable) {
  // The first pointer-map page is page 2; each maps the usable / 5 pages after it.
  const uint32_t span = usable / 5 + 1;
  return pgno >= 2 && (pgno - 2) % span == 0;
}

}  // namespace engine
