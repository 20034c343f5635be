// The rollback journal beside a database ("<db>-journal"), read in place. It is a header
// (padded to the sector size), then records of page number, the page's original image and
// a checksum; a long transaction may start further headers at sector boundaries. A journal
// whose header is intact is hot: the database file holds changes it would undo, so the
// committed database is the file with the journal's images put back. A journal left by
// PERSIST mode has its header zeroed but keeps its records after it; they are found by the
// checksum, which for every record of one transaction gives the same nonce.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "ByteSource.h"

namespace engine {

class RollbackJournal {
 public:
  // Reads the journal of a database with pages of `pageSize` bytes and `pageCount` pages.
  RollbackJournal(ByteSource& source, uint32_t pageSize, uint64_t pageCount);

  // Whether the journal is hot; then `originalImage` gives what the committed database holds.
  bool hot() const { return hot_; }
  // Pages of the committed database when the journal is hot (the size before the change).
  uint32_t originalSize() const { return originalSize_; }
  // File offset of the image the hot journal puts back for `pgno`, or 0.
  uint64_t originalImage(uint32_t pgno) const;

  // Every record found, in journal order: page number and offset of its image.
  const std::vector<std::pair<uint32_t, uint64_t>>& records() const { return records_; }

 private:
  void readSegments(uint64_t sectorSize, bool fromValidHeader);
  bool plausibleRecord(uint64_t at, uint32_t& pgno, uint32_t& nonce);

  ByteSource& source_;
  uint32_t pageSize_;
  uint64_t pageCount_;
  bool hot_ = false;
  uint32_t originalSize_ = 0;
  std::unordered_map<uint32_t, uint64_t> originals_;
  std::vector<std::pair<uint32_t, uint64_t>> records_;
  std::vector<uint8_t> scratch_;
};

}  // namespace engine
