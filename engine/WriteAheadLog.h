// The write-ahead log beside a database, read in place: its frames, which of them are
// committed (salts and running checksum valid up to a commit frame), and the newest
// committed image of each page. Every frame, committed or not, is also an older image of
// its page that may hold deleted rows.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>

#include "ByteSource.h"

namespace engine {

class WriteAheadLog {
 public:
  // Reads the log's header and checks its frames; a source that is no log of pages of
  // `pageSize` bytes leaves no frames.
  WriteAheadLog(ByteSource& source, uint32_t pageSize);

  // Database size in pages after the last commit; 0 when the log holds no commit.
  uint32_t committedSize() const { return committedSize_; }
  // File offset of the page image of the newest committed frame of `pgno`, or 0.
  uint64_t committedImage(uint32_t pgno) const;

  // Hands every whole frame to `visit` in log order: its page number, the offset of its
  // page image, and whether it is the newest committed image of that page.
  void forEachFrame(const std::function<void(uint32_t pgno, uint64_t imageOffset, bool current)>& visit) const;

  static constexpr uint32_t kHeaderSize = 32;
  static constexpr uint32_t kFrameHeaderSize = 24;

 private:
  ByteSource& source_;
  uint32_t pageSize_ = 0;
  uint64_t frameCount_ = 0;
  uint32_t committedSize_ = 0;
  std::unordered_map<uint32_t, uint64_t> committed_;  // page -> image offset
};

}  // namespace engine
