// A file opened for reading only and mapped into memory whole: the pages a run reads come
// straight from the system's file cache, without a copy into buffers of the engine's own.
// Nothing is ever written to it. The run works on copies of the phone's files that nobody
// else changes meanwhile (a file cut short under a mapping could not be read).
#pragma once

#include <memory>
#include <string>

#include "ByteSource.h"

namespace engine {

class MappedFile : public ByteSource {
 public:
  // Null when the file cannot be opened or mapped (an empty file, too little address
  // space): the caller then reads it as a stream.
  static std::unique_ptr<MappedFile> open(const std::string& path);
  ~MappedFile() override;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  uint64_t size() const override { return size_; }
  size_t read(uint64_t offset, uint8_t* dst, size_t length) override;
  const uint8_t* data() const override { return data_; }

 private:
  MappedFile() = default;

  const uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
#ifdef _WIN32
  void* file_ = nullptr;
  void* mapping_ = nullptr;
#endif
};

// The file at `path` for reading: mapped when it can be, else as a stream; null when it
// cannot be opened.
std::unique_ptr<ByteSource> openFileForReading(const std::string& path);

}  // namespace engine
