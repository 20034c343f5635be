// Where the engine's bytes come from: a file opened for reading only, or a buffer (tests and
// the fuzzer). Every read says how many bytes it delivered; the caller never trusts more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace engine {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Copies up to `length` bytes from `offset`; returns how many it copied.
  virtual size_t read(uint64_t offset, uint8_t* dst, size_t length) = 0;
  // All size() bytes where they stand in memory, when the source has them so; else null.
  virtual const uint8_t* data() const { return nullptr; }
};

// A file opened for reading only; nothing is ever written to it or beside it.
class FileBytes : public ByteSource {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<FileBytes> open(const std::string& path);
  uint64_t size() const override { return size_; }
  size_t read(uint64_t offset, uint8_t* dst, size_t length) override;

 private:
  std::ifstream stream_;
  uint64_t size_ = 0;
};

class BufferBytes : public ByteSource {
 public:
  explicit BufferBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  BufferBytes(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  uint64_t size() const override { return bytes_.size(); }
  size_t read(uint64_t offset, uint8_t* dst, size_t length) override;
  const uint8_t* data() const override { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads of a source through cached blocks. A run reads each page several times and in
// tree order (the map, the live rows, the carving): every block read stays until the cache
// holds `budget` bytes, so a database up to that size is read from its file once; beyond
// it the block used longest ago makes room. A source whose bytes are in memory already
// (a mapped file, a buffer) is read directly.
class CachedReader {
 public:
  static constexpr uint64_t kDefaultBudget = uint64_t{32} << 20;
  explicit CachedReader(ByteSource& source, uint64_t budget = kDefaultBudget);
  uint64_t size() const { return source_.size(); }
  // Copies up to `length` bytes from `offset`; returns how many the source has.
  size_t read(uint64_t offset, uint8_t* dst, size_t length);

 private:
  static constexpr size_t kBlockSize = 64 * 1024;
  struct Block {
    uint64_t used = 0;  // when it was last used
    std::vector<uint8_t> bytes;
  };
  Block& blockFor(uint64_t blockNumber);

  ByteSource& source_;
  size_t maxBlocks_;
  std::unordered_map<uint64_t, Block> blocks_;  // by block number
  Block* last_ = nullptr;  // the block read last, and its number
  uint64_t lastNumber_ = 0;
  uint64_t clock_ = 0;
};

}  // namespace engine
