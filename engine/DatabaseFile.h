// The parts of a database file the engine checks before it carves: the file header, and
// the write-ahead log beside the file, copied before SQLite opens the database (closing
// the last connection checkpoints the log into the file and deletes it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

constexpr size_t kFileHeaderSize = 100;

struct FileHeader {
  uint32_t pageSize = 0;
  uint32_t usable = 0;        // page size minus the reserved bytes at the end of each page
  uint64_t pageCount = 0;     // whole pages in the file
  uint32_t schemaFormat = 0;
  uint32_t textEncoding = 0;
  uint32_t firstTrunk = 0;    // first freelist trunk page
};

// Checks the first 100 bytes of a file of `fileSize` bytes: the magic text, a page size
// that is a power of two from 512 to 65536 (1 meaning 65536), a usable size of at least
// 480. False when any check fails: such a file is not carved.
bool readFileHeader(const uint8_t* bytes, uint64_t fileSize, FileHeader& header);

// A copy of a write-ahead log's frames.
class WalCopy {
 public:
  // Frames beyond this many bytes are not kept: a log that large is far beyond what a
  // phone leaves behind, and the run's memory stays bounded.
  static constexpr size_t kMaxBytes = 32u << 20;

  // Reads `path` when it exists; a missing or unreadable file leaves no frames.
  void load(const std::string& path);

  struct Frame {
    uint32_t pgno;
    const uint8_t* image;  // the page as the frame holds it
  };
  // The frames whose page size matches the database's, in log order; none when the log's
  // header is not one of a write-ahead log.
  std::vector<Frame> frames(uint32_t pageSize) const;

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace engine
