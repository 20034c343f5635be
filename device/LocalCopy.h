// One copy of a phone file on this PC, created new by the pull and deleted again unless it
// arrived whole.
//
// The file is created with CREATE_NEW, which fails on anything already at that name, a
// link or junction included, so the pull never writes through a link nor over a file it
// did not make. The handle stays open while the copy is filled, either through Write (a
// stream from the client's output) or by the client itself ("pull" writes the path; the
// handle shares writing but not deleting, so the file cannot be swapped meanwhile).
// Discard deletes the file only when it is still the one this object created.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ClientProcess.h"
#include "Handles.h"

class LocalCopy : public ByteSink {
 public:
  // Null with the system's error code in `error` when the file cannot be created new.
  static std::unique_ptr<LocalCopy> CreateNew(const std::wstring& path, DWORD* error);
  ~LocalCopy() override;  // discards a copy that was not kept
  LocalCopy(const LocalCopy&) = delete;
  LocalCopy& operator=(const LocalCopy&) = delete;

  bool Write(const char* data, size_t n) override;  // appends
  bool Restart();                                    // empties the copy for another try
  uint64_t Size() const;
  std::vector<uint8_t> Head(size_t n) const;         // up to the first n bytes

  bool Keep();     // flushes and closes; the file stays
  void Discard();  // closes and deletes the file

  const std::wstring& path() const { return path_; }
  DWORD lastError() const { return lastError_; }  // of the last Write or Restart that failed

 private:
  LocalCopy(std::wstring path, winframe::CHandle file, const BY_HANDLE_FILE_INFORMATION& identity);

  std::wstring path_;
  winframe::CHandle file_;
  BY_HANDLE_FILE_INFORMATION identity_;
  uint64_t written_ = 0;
  DWORD lastError_ = 0;
  bool settled_ = false;  // kept or discarded
};
