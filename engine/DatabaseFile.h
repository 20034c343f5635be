// The parts of a database file the engine checks before it carves: the file header, and
// the write-ahead log beside the file, copied before SQLite opens the database (closing
// the last connection checkpoints the log into the file and deletes it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// A private copy of a write-ahead log, made before SQLite opens the database (which deletes
// the log when it closes), and read back one frame at a time: a log of any size is kept
// whole while the run's memory stays bounded by one page. The copy lives in the system's
// temporary folder and is removed with this object.
class WalCopy {
 public:
  WalCopy() = default;
  ~WalCopy();
  WalCopy(const WalCopy&) = delete;
  WalCopy& operator=(const WalCopy&) = delete;

  // Copies `path` when it exists; a missing or unreadable file leaves no frames.
  void load(const std::string& path);

  // Hands each frame whose page size matches the database's to `visit`, in log order, with
  // the page as the frame holds it; nothing when the copy's header is not one of a
  // write-ahead log.
  void forEachFrame(uint32_t pageSize, const std::function<void(uint32_t pgno, const uint8_t* image)>& visit) const;

 private:
  std::string copyPath_;  // empty: no copy
};

}  // namespace engine
