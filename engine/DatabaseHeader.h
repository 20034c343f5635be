// The 100-byte header at the start of page 1: what the engine believes of it and the
// checks a header must pass before any page offset is computed from it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

constexpr size_t kFileHeaderSize = 100;

// Zero bytes kept after the usable part of every page buffer, so a varint or a look-ahead
// that starts inside the page never leaves the allocation.
constexpr size_t kPageSlack = 32;

struct FileHeader {
  uint32_t pageSize = 0;
  uint32_t usable = 0;           // page size minus the reserved bytes at the end of each page
  uint32_t databaseSize = 0;     // in-header database size in pages; 0 when not valid
  uint32_t firstTrunk = 0;       // first freelist trunk page
  uint32_t freelistCount = 0;
  uint32_t schemaFormat = 0;
  uint32_t textEncoding = 1;     // 1 UTF-8, 2 UTF-16le, 3 UTF-16be
  uint32_t largestRoot = 0;      // non-zero: auto-vacuum, with pointer-map pages
  bool walMode = false;          // read/write versions (bytes 18 and 19) of 2
};

// Checks the first 100 bytes of page 1: the magic text, a page size that is a power of two
// from 512 to 65536 (1 meaning 65536), a usable size of at least 480. False when any check
// fails: such a file is not read.
bool readFileHeader(const uint8_t* bytes, FileHeader& header);

// Whether page `pgno` is a pointer-map page of an auto-vacuum file with `usable` bytes per page.
bool isPointerMapPage(uint32_t pgno, uint32_t usable);

}  // namespace engine
