#include "DatabaseFile.h"

#include <cstring>
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

void WalCopy::load(const std::string& path) {
  bytes_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size <= 0) return;
  in.seekg(0);
  bytes_.resize(static_cast<size_t>(std::min<std::streamoff>(size, kMaxBytes)));
  in.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  bytes_.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
}

std::vector<WalCopy::Frame> WalCopy::frames(uint32_t pageSize) const {
  std::vector<Frame> out;
  constexpr size_t kWalHeader = 32, kFrameHeader = 24;
  if (bytes_.size() < kWalHeader) return out;
  const uint32_t magic = readBigEndian32(bytes_.data());
  if (magic != 0x377F0682 && magic != 0x377F0683) return out;
  uint32_t walPageSize = readBigEndian32(bytes_.data() + 8);
  if (walPageSize == 1) walPageSize = 65536;  // as in the database header
  if (walPageSize != pageSize) return out;
  for (size_t at = kWalHeader; bytes_.size() - at >= kFrameHeader + pageSize; at += kFrameHeader + pageSize) {
    out.push_back({readBigEndian32(bytes_.data() + at), bytes_.data() + at + kFrameHeader});
  }
  return out;
}

}  // namespace engine
