// The emulated phone's file system: the folder phone\ beside the emulator (the phone path
// /a/b is the file phone\a\b), with owners and modes kept in phone-modes.txt, and who may
// read what.
//
// Modes: a line "MODE OWNER PATH" (mode in octal) for every path whose owner or mode is
// not the default; the emulator writes one when a command changes a mode or creates a
// file, and takes it away when the file goes, so tests can see that nothing changed.
// Defaults: the providers' files under /data/data and /data/user_de 0660, owned by the
// provider's user; /data/local/tmp 0771, owned by shell; anything else 0644 (0755 a
// folder), owned by root.
// Reading: root reads anything (unless the scenario confines it); the shell user reads a
// file whose mode lets it and whose folders it may pass, and on an enforcing phone nothing
// of the providers' at all, whatever the modes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Scenario.h"

struct PhoneMeta {
  unsigned mode = 0644;
  std::string owner = "root";
};

class PhoneFiles {
 public:
  PhoneFiles(const std::wstring& emulatorFolder, const Scenario& scenario);

  enum class Kind { kNone, kFile, kFolder };
  enum class Access { kOk, kNoEntry, kDenied };

  Kind KindOf(const std::string& path) const;
  uint64_t Size(const std::string& path) const;
  PhoneMeta MetaOf(const std::string& path) const;
  void SetMeta(const std::string& path, const PhoneMeta& meta);
  std::vector<std::string> List(const std::string& folder) const;  // names, sorted

  Access CanStat(const std::string& user, const std::string& path) const;
  Access CanRead(const std::string& user, const std::string& path) const;
  Access CanCreateIn(const std::string& user, const std::string& folder) const;
  bool Owns(const std::string& user, const std::string& path) const;

  // Local file operations; false when they fail.
  HANDLE OpenForReading(const std::string& path) const;
  HANDLE CreateForWriting(const std::string& path, const std::string& user);
  bool MakeFolder(const std::string& path, const std::string& user, unsigned mode);
  bool Remove(const std::string& path, bool recursive);

  // The absolute path of `path` seen from the phone's root; false for ".." and the like.
  static bool Valid(const std::string& path);
  static std::string Parent(const std::string& path);
  static std::string Name(const std::string& path);
  static bool IsProviderPath(const std::string& path);

 private:
  std::wstring Local(const std::string& path) const;
  bool MayPass(const std::string& user, const std::string& path) const;
  void Forget(const std::string& path);
  void SaveMeta() const;

  std::wstring phone_;
  std::wstring modesFile_;
  const Scenario& scenario_;
  std::map<std::string, PhoneMeta> meta_;
};
