// Copies one database with its side files from the phone, by the roads the phone allows:
// the plain pull on phones before Android 5, else as root, streamed with exec-out or,
// without it, through a private folder in /data/local/tmp. Each copy is measured against
// the phone's file and tried once more when short; a database's copies are kept together
// or not at all. Runs on the pull's worker thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AdbPull.h"
#include "LocalCopy.h"
#include "PhoneLink.h"

// The status's byte count and the window's progress message, at most five a second.
class CopyProgress {
 public:
  CopyProgress(PullStatus& status, HWND notify) : status_(status), notify_(notify) {}
  void Grew(uint64_t currentCopyBytes);  // the copy being made holds this many bytes
  void Settled(uint64_t bytes);          // that copy was finished with this many bytes
  void Dropped();                        // that copy was given up

 private:
  PullStatus& status_;
  HWND notify_;
  uint64_t settled_ = 0;
  ULONGLONG lastPost_ = 0;
};

struct DatabaseOutcome {
  enum class Kind { kWhole, kAbsent, kFailed };
  Kind kind = Kind::kFailed;
  PullCause cause;                  // when not whole
  std::vector<PulledFile> files;    // the copies kept: side files, then the database
};

class DatabaseFetch {
 public:
  DatabaseFetch(PhoneLink& link, CopyProgress& progress);

  DatabaseOutcome Fetch(const std::string& phonePath, const std::wstring& localPath);

 private:
  struct Copied {
    std::unique_ptr<LocalCopy> copy;
    PullCause cause;  // when copy is null
    bool execOutMissing = false;
  };
  // What makes a copy whole besides its size; empty for side files.
  struct Shape {
    bool database = false;
    bool journalBeside = false;
  };

  DatabaseOutcome ByPlainPull(const std::string& phonePath, const std::wstring& localPath);
  DatabaseOutcome AsRoot(SuForm form, const std::string& phonePath, uint64_t size,
                         const std::wstring& localPath);
  Copied CopyAsRoot(SuForm form, const std::string& phonePath, uint64_t size,
                    const std::wstring& localPath, const Shape& shape);
  Copied Stream(SuForm form, const std::string& phonePath, uint64_t size, const std::wstring& localPath,
                const Shape& shape);
  Copied ThroughPhoneFolder(SuForm form, const std::string& phonePath, uint64_t size,
                            const std::wstring& localPath, const Shape& shape);
  std::unique_ptr<LocalCopy> PlainPull(const std::string& phonePath, const std::wstring& localPath,
                                       PullCause* cause);

  bool Whole(const LocalCopy& copy, uint64_t expected, const Shape& shape, std::string* why) const;
  // Whole at the size expected, or, when not, at the size the phone gives for the file now
  // (it may have changed while it was copied); `expected` becomes that size.
  bool ArrivedWhole(SuForm form, const std::string& phonePath, const LocalCopy& copy, uint64_t* expected,
                    const Shape& shape, std::string* why);
  PullCause Failed(PullFailure failure, const std::string& detail) const;
  PullCause LocalFailure(const std::wstring& localPath, DWORD error) const;

  PhoneLink& link_;
  CopyProgress& progress_;
  enum class ExecOut { kUntried, kWorks, kMissing } execOut_;
  unsigned folderCounter_ = 0;
  bool plainPullWorked_ = false;  // a database came by the plain pull: readable without root
};
