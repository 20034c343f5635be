#include "DatabaseFile.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "RecordHeader.h"

namespace engine {

bool readFileHeader(const uint8_t* bytes, uint64_t fileSize, FileHeader& header) {
  static const char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes
  if (fileSize < kFileHeaderSize || std::memcmp(bytes, kMagic, 16) != 0) return false;
  uint32_t pageSize = readBigEndian16(bytes + 16);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return false;
  const uint32_t reserved = bytes[20];
  if (pageSize - reserved < 480) return false;
  header.pageSize = pageSize;
  header.usable = pageSize - reserved;
  header.pageCount = fileSize / pageSize;
  header.schemaFormat = readBigEndian32(bytes + 44);
  header.textEncoding = readBigEndian32(bytes + 56);
  if (header.textEncoding < 1 || header.textEncoding > 3) header.textEncoding = 1;  // an empty file says 0
  header.firstTrunk = readBigEndian32(bytes + 32);
  return true;
}

WalCopy::~WalCopy() {
  if (!copyPath_.empty()) std::remove(copyPath_.c_str());
}

void WalCopy::load(const std::string& path) {
  if (!copyPath_.empty()) std::remove(copyPath_.c_str());
  copyPath_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return;
  // A name no other run uses at the same time: this object's address and the clock.
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string target =
      (folder / ("retrievo-wal-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "-" + std::to_string(stamp)))
          .string();
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) return;
  copyPath_ = target;
  std::vector<char> chunk(1 << 20);
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    out.write(chunk.data(), in.gcount());
  }
  if (!out.good()) {
    out.close();
    std::remove(copyPath_.c_str());
    copyPath_.clear();
  }
}

void WalCopy::forEachFrame(uint32_t pageSize,
                           const std::function<void(uint32_t pgno, const uint8_t* image)>& visit) const {
  if (copyPath_.empty()) return;
  std::ifstream in(copyPath_, std::ios::binary);
  constexpr size_t kWalHeader = 32, kFrameHeader = 24;
  uint8_t header[kWalHeader];
  if (!in.read(reinterpret_cast<char*>(header), kWalHeader)) return;
  const uint32_t magic = readBigEndian32(header);
  if (magic != 0x377F0682 && magic != 0x377F0683) return;
  uint32_t walPageSize = readBigEndian32(header + 8);
  if (walPageSize == 1) walPageSize = 65536;  // as in the database header
  if (walPageSize != pageSize) return;
  std::vector<uint8_t> frame(kFrameHeader + pageSize);
  // Ends: every round reads one whole frame further, until the copy has no whole frame left.
  while (in.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frame.size()))) {
    visit(readBigEndian32(frame.data()), frame.data() + kFrameHeader);
  }
}

}  // namespace engine
