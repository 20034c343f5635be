#include "MappedFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace engine {

#ifdef _WIN32

std::unique_ptr<MappedFile> MappedFile::open(const std::string& path) {
  std::unique_ptr<MappedFile> file(new MappedFile());
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  file->file_ = handle;  // closed by the destructor from here on
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size) || size.QuadPart <= 0 ||
      static_cast<uint64_t>(size.QuadPart) > std::numeric_limits<size_t>::max()) {
    return nullptr;
  }
  file->mapping_ = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (file->mapping_ == nullptr) return nullptr;
  const void* view = MapViewOfFile(file->mapping_, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) return nullptr;
  file->data_ = static_cast<const uint8_t*>(view);
  file->size_ = static_cast<uint64_t>(size.QuadPart);
  return file;
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
  if (file_ != nullptr) CloseHandle(file_);
}

#else

std::unique_ptr<MappedFile> MappedFile::open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  void* view = MAP_FAILED;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      static_cast<uint64_t>(info.st_size) <= std::numeric_limits<size_t>::max()) {
    view = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  }
  ::close(fd);  // the mapping keeps the file
  if (view == MAP_FAILED) return nullptr;
  std::unique_ptr<MappedFile> file(new MappedFile());
  file->data_ = static_cast<const uint8_t*>(view);
  file->size_ = static_cast<uint64_t>(info.st_size);
  return file;
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<uint8_t*>(data_), static_cast<size_t>(size_));
}

#endif

size_t MappedFile::read(uint64_t offset, uint8_t* dst, size_t length) {
  if (offset >= size_ || length == 0) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
  std::memcpy(dst, data_ + offset, n);
  return n;
}

std::unique_ptr<ByteSource> openFileForReading(const std::string& path) {
  if (std::unique_ptr<MappedFile> mapped = MappedFile::open(path)) return mapped;
  return FileBytes::open(path);
}

}  // namespace engine
