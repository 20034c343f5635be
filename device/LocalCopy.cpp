#include "LocalCopy.h"

#include <utility>

namespace {

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

}  // namespace

std::unique_ptr<LocalCopy> LocalCopy::CreateNew(const std::wstring& path, DWORD* error) {
  winframe::CHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION identity = {};
  if (!file.IsValid() || !GetFileInformationByHandle(file.Get(), &identity)) {
    *error = GetLastError();
    return nullptr;
  }
  return std::unique_ptr<LocalCopy>(new LocalCopy(path, std::move(file), identity));
}

LocalCopy::LocalCopy(std::wstring path, winframe::CHandle file, const BY_HANDLE_FILE_INFORMATION& identity)
    : path_(std::move(path)), file_(std::move(file)), identity_(identity) {}

LocalCopy::~LocalCopy() {
  if (!settled_) Discard();
}

bool LocalCopy::Write(const char* data, size_t n) {
  while (n > 0) {
    const DWORD chunk = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    OVERLAPPED at = At(written_);
    DWORD done = 0;
    if (!WriteFile(file_.Get(), data, chunk, &done, &at) || done == 0) {
      lastError_ = GetLastError();
      return false;
    }
    written_ += done;
    data += done;
    n -= done;
  }
  return true;
}

bool LocalCopy::Restart() {
  written_ = 0;
  LARGE_INTEGER zero = {};
  if (SetFilePointerEx(file_.Get(), zero, nullptr, FILE_BEGIN) && SetEndOfFile(file_.Get())) return true;
  lastError_ = GetLastError();
  return false;
}

uint64_t LocalCopy::Size() const {
  LARGE_INTEGER size = {};
  if (!file_.IsValid() || !GetFileSizeEx(file_.Get(), &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

std::vector<uint8_t> LocalCopy::Head(size_t n) const {
  std::vector<uint8_t> head(n);
  OVERLAPPED at = At(0);
  DWORD got = 0;
  if (!file_.IsValid() || !ReadFile(file_.Get(), head.data(), static_cast<DWORD>(n), &got, &at)) got = 0;
  head.resize(got);
  return head;
}

bool LocalCopy::Keep() {
  settled_ = true;
  const bool flushed = FlushFileBuffers(file_.Get()) != FALSE;
  file_.Close();
  return flushed;
}

void LocalCopy::Discard() {
  settled_ = true;
  file_.Close();
  // Opened again without following a link; deleted only if it is still our file.
  winframe::CHandle again(CreateFileW(path_.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION now = {};
  if (!again.IsValid() || !GetFileInformationByHandle(again.Get(), &now) || !SameFile(now, identity_)) return;
  FILE_DISPOSITION_INFO dispose = {TRUE};
  SetFileInformationByHandle(again.Get(), FileDispositionInfo, &dispose, sizeof(dispose));
}
