#include "WriteAheadLog.h"

#include <cstring>
#include <vector>

#include "Bytes.h"

namespace engine {

namespace {

uint32_t word(const uint8_t* p, bool bigEndian) {
  return bigEndian ? readBigEndian32(p)
                   : static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                         static_cast<uint32_t>(p[1]) << 8 | p[0];
}

// The log's running checksum over `n` bytes (a multiple of 8), continued from s0 and s1.
void checksum(const uint8_t* p, size_t n, bool bigEndian, uint32_t& s0, uint32_t& s1) {
  for (size_t i = 0; i + 8 <= n; i += 8) {
    s0 += word(p + i, bigEndian) + s1;
    s1 += word(p + i + 4, bigEndian) + s0;
  }
}

}  // namespace

WriteAheadLog::WriteAheadLog(ByteSource& source, uint32_t pageSize) : source_(source), pageSize_(pageSize) {
  uint8_t header[kHeaderSize];
  if (source_.read(0, header, kHeaderSize) != kHeaderSize) return;
  const uint32_t magic = readBigEndian32(header);
  if (magic != 0x377F0682 && magic != 0x377F0683) return;
  uint32_t logPageSize = readBigEndian32(header + 8);
  if (logPageSize == 1) logPageSize = 65536;  // as in the database header
  if (logPageSize != pageSize_) return;
  const uint64_t frameSize = kFrameHeaderSize + uint64_t{pageSize_};
  if (source_.size() < kHeaderSize + frameSize) return;
  frameCount_ = (source_.size() - kHeaderSize) / frameSize;

  // Frames are committed while their salts match the header's and the running checksum
  // holds, up to the last frame that ends a transaction.
  const bool bigEndian = (magic & 1) != 0;
  uint32_t s0 = 0, s1 = 0;
  checksum(header, 24, bigEndian, s0, s1);
  if (s0 != readBigEndian32(header + 24) || s1 != readBigEndian32(header + 28)) return;
  std::vector<uint8_t> frame(static_cast<size_t>(frameSize));
  std::unordered_map<uint32_t, uint64_t> pending;
  // Ends: one frame further each round, at most frameCount_ rounds.
  for (uint64_t i = 0; i < frameCount_; ++i) {
    const uint64_t at = kHeaderSize + i * frameSize;
    if (source_.read(at, frame.data(), frame.size()) != frame.size()) break;
    if (std::memcmp(frame.data() + 8, header + 16, 8) != 0) break;
    checksum(frame.data(), 8, bigEndian, s0, s1);
    checksum(frame.data() + kFrameHeaderSize, pageSize_, bigEndian, s0, s1);
    if (s0 != readBigEndian32(frame.data() + 16) || s1 != readBigEndian32(frame.data() + 20)) break;
    const uint32_t pgno = readBigEndian32(frame.data());
    if (pgno == 0) break;
    pending[pgno] = at + kFrameHeaderSize;
    const uint32_t sizeAfterCommit = readBigEndian32(frame.data() + 4);
    if (sizeAfterCommit != 0) {
      for (const auto& [page, offset] : pending) committed_[page] = offset;
      pending.clear();
      committedSize_ = sizeAfterCommit;
    }
  }
}

uint64_t WriteAheadLog::committedImage(uint32_t pgno) const {
  const auto found = committed_.find(pgno);
  return found == committed_.end() ? 0 : found->second;
}

void WriteAheadLog::forEachFrame(
    const std::function<void(uint32_t pgno, uint64_t imageOffset, bool current)>& visit) const {
  const uint64_t frameSize = kFrameHeaderSize + uint64_t{pageSize_};
  uint8_t frameHeader[kFrameHeaderSize];
  for (uint64_t i = 0; i < frameCount_; ++i) {
    const uint64_t at = kHeaderSize + i * frameSize;
    if (source_.read(at, frameHeader, kFrameHeaderSize) != kFrameHeaderSize) break;
    const uint32_t pgno = readBigEndian32(frameHeader);
    const uint64_t image = at + kFrameHeaderSize;
    visit(pgno, image, committedImage(pgno) == image);
  }
}

}  // namespace engine
