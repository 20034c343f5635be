#include "RollbackJournal.h"

#include <algorithm>
#include <cstring>

#include "Bytes.h"

namespace engine {

namespace {

const uint8_t kMagic[8] = {0xD9, 0xD5, 0x05, 0xF9, 0x20, 0xA1, 0x63, 0xD7};
constexpr uint32_t kHeaderBytes = 28;

// The record checksum without its nonce: one byte every 200, from the end of the page.
uint32_t sampleSum(const uint8_t* image, uint32_t pageSize) {
  uint32_t sum = 0;
  for (int64_t i = static_cast<int64_t>(pageSize) - 200; i > 0; i -= 200) sum += image[i];
  return sum;
}

bool validSectorSize(uint32_t s) { return s >= 512 && s <= 65536 && (s & (s - 1)) == 0; }

}  // namespace

RollbackJournal::RollbackJournal(ByteSource& source, uint32_t pageSize, uint64_t pageCount)
    : source_(source), pageSize_(pageSize), pageCount_(pageCount) {
  scratch_.resize(pageSize_ + 8);
  uint8_t header[kHeaderBytes];
  if (source_.read(0, header, kHeaderBytes) != kHeaderBytes) return;
  if (std::memcmp(header, kMagic, 8) == 0) {
    const uint32_t sectorSize = readBigEndian32(header + 20);
    if (readBigEndian32(header + 24) == pageSize_ && validSectorSize(sectorSize)) {
      readSegments(sectorSize, true);
      return;
    }
  }
  // A zeroed (or foreign) header: the records start at the first sector boundary whose
  // slot holds a believable record.
  for (uint32_t sector = 512; sector <= 65536; sector *= 2) {
    uint32_t pgno = 0, nonce = 0;
    if (plausibleRecord(sector, pgno, nonce)) {
      readSegments(sector, false);
      return;
    }
  }
}

// A record at `at` whose page number lies in the file and whose checksum gives a nonce.
bool RollbackJournal::plausibleRecord(uint64_t at, uint32_t& pgno, uint32_t& nonce) {
  const size_t recordSize = pageSize_ + 8;
  if (source_.read(at, scratch_.data(), recordSize) != recordSize) return false;
  pgno = readBigEndian32(scratch_.data());
  if (pgno == 0 || pgno > pageCount_ + 1024) return false;
  nonce = readBigEndian32(scratch_.data() + 4 + pageSize_) - sampleSum(scratch_.data() + 4, pageSize_);
  return true;
}

// Walks the segments from offset 0. With a valid first header, its records up to its
// record count are the ones a rollback would play, if their checksums hold; every other
// slot that holds a believable record is an older image all the same.
void RollbackJournal::readSegments(uint64_t sectorSize, bool fromValidHeader) {
  const uint64_t recordSize = pageSize_ + 8ull;
  uint64_t at = 0;
  bool firstSegment = true;
  // Ends: every segment moves `at` forward by at least one sector.
  while (at < source_.size()) {
    uint8_t header[kHeaderBytes] = {};
    const bool headerValid = source_.read(at, header, kHeaderBytes) == kHeaderBytes &&
                             std::memcmp(header, kMagic, 8) == 0;
    uint32_t count = headerValid ? readBigEndian32(header + 8) : 0;
    const uint32_t headerNonce = headerValid ? readBigEndian32(header + 12) : 0;
    if (headerValid && count == 0xFFFFFFFF) {
      count = static_cast<uint32_t>(std::min<uint64_t>((source_.size() - at - sectorSize) / recordSize, 0xFFFFFFFE));
    }
    if (firstSegment && fromValidHeader && headerValid) {
      hot_ = count > 0;
      originalSize_ = readBigEndian32(header + 16);
    }
    uint64_t slot = at + sectorSize;
    uint32_t index = 0;
    // Ends: one record further each round, never past the end of the journal.
    for (; slot + recordSize <= source_.size(); slot += recordSize, ++index) {
      if (headerValid && index == count) break;
      uint32_t pgno = 0, nonce = 0;
      if (!plausibleRecord(slot, pgno, nonce)) {
        if (headerValid) continue;
        break;
      }
      records_.emplace_back(pgno, slot + 4);
      // A rollback plays every segment whose header is intact, while the checksums hold.
      const bool played = fromValidHeader && headerValid && nonce == headerNonce;
      if (played) originals_.emplace(pgno, slot + 4);  // the first image of a page is the original
    }
    if (!headerValid) break;
    // The next header starts at the sector boundary after the last record.
    const uint64_t end = slot - at;
    at += (end + sectorSize - 1) / sectorSize * sectorSize;
    firstSegment = false;
  }
  if (hot_ && originals_.empty()) hot_ = false;
}

uint64_t RollbackJournal::originalImage(uint32_t pgno) const {
  const auto found = originals_.find(pgno);
  return found == originals_.end() ? 0 : found->second;
}

}  // namespace engine
