#include "ByteSource.h"

#include <algorithm>
#include <cstring>

namespace engine {

std::unique_ptr<FileBytes> FileBytes::open(const std::string& path) {
  std::unique_ptr<FileBytes> file(new FileBytes());
  // Unbuffered: the cached reader keeps its own blocks, so the stream's buffer would only
  // copy every byte twice. Set before open, as the standard requires.
  file->stream_.rdbuf()->pubsetbuf(nullptr, 0);
  file->stream_.open(path, std::ios::binary | std::ios::in);
  if (!file->stream_.is_open()) return nullptr;
  file->stream_.seekg(0, std::ios::end);
  const std::streamoff end = file->stream_.tellg();
  file->stream_.clear();
  file->size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
  return file;
}

size_t FileBytes::read(uint64_t offset, uint8_t* dst, size_t length) {
  if (offset >= size_ || length == 0) return 0;
  length = static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(offset));
  stream_.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(length));
  const std::streamsize got = stream_.gcount();
  stream_.clear();
  return got > 0 ? static_cast<size_t>(got) : 0;
}

size_t BufferBytes::read(uint64_t offset, uint8_t* dst, size_t length) {
  if (offset >= bytes_.size()) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(length, bytes_.size() - offset));
  if (n > 0) std::memcpy(dst, bytes_.data() + offset, n);
  return n;
}

CachedReader::CachedReader(ByteSource& source, uint64_t budget)
    : source_(source), maxBlocks_(static_cast<size_t>(std::max<uint64_t>(budget / kBlockSize, 2))) {}

CachedReader::Block& CachedReader::blockFor(uint64_t blockNumber) {
  if (last_ != nullptr && lastNumber_ == blockNumber) {
    last_->used = ++clock_;
    return *last_;
  }
  auto found = blocks_.find(blockNumber);
  if (found == blocks_.end()) {
    if (blocks_.size() >= maxBlocks_) {
      auto oldest = blocks_.begin();
      for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
        if (it->second.used < oldest->second.used) oldest = it;
      }
      blocks_.erase(oldest);
    }
    found = blocks_.emplace(blockNumber, Block()).first;
    std::vector<uint8_t>& bytes = found->second.bytes;
    bytes.resize(kBlockSize);
    bytes.resize(source_.read(blockNumber * kBlockSize, bytes.data(), kBlockSize));
    bytes.shrink_to_fit();
  }
  last_ = &found->second;
  lastNumber_ = blockNumber;
  last_->used = ++clock_;
  return *last_;
}

size_t CachedReader::read(uint64_t offset, uint8_t* dst, size_t length) {
  if (const uint8_t* bytes = source_.data()) {
    if (offset >= source_.size() || length == 0) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(length, source_.size() - offset));
    std::memcpy(dst, bytes + offset, n);
    return n;
  }
  size_t done = 0;
  // Ends: every round copies at least one byte or stops.
  while (done < length) {
    const uint64_t at = offset + done;
    const Block& block = blockFor(at / kBlockSize);
    const uint64_t inBlock = at % kBlockSize;
    if (inBlock >= block.bytes.size()) break;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(length - done, block.bytes.size() - inBlock));
    std::memcpy(dst + done, block.bytes.data() + inBlock, n);
    done += n;
  }
  return done;
}

}  // namespace engine
