#include "PhoneFiles.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

const char kLocalTmp[] = "/data/local/tmp";

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool Under(const std::string& path, const std::string& folder) {
  return path == folder || StartsWith(path, folder + "/");
}

}  // namespace

PhoneFiles::PhoneFiles(const std::wstring& emulatorFolder, const Scenario& scenario)
    : phone_(emulatorFolder + L"\\phone"), modesFile_(emulatorFolder + L"\\phone-modes.txt"), scenario_(scenario) {
  std::vector<std::string> lines;
  ReadLines(modesFile_, &lines);
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::string mode, owner, path;
    if (in >> mode >> owner >> path) meta_[path] = PhoneMeta{static_cast<unsigned>(std::strtoul(mode.c_str(), nullptr, 8)), owner};
  }
  // Every phone has its /data/local/tmp.
  std::wstring folder = phone_;
  for (const wchar_t* part : {L"", L"\\data", L"\\data\\local", L"\\data\\local\\tmp"}) {
    folder = phone_ + part;
    CreateDirectoryW(folder.c_str(), nullptr);
  }
}

bool PhoneFiles::Valid(const std::string& path) {
  if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos) return false;
  return path.find_first_of("\\:*?\"<>|") == std::string::npos;
}

std::string PhoneFiles::Parent(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string PhoneFiles::Name(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool PhoneFiles::IsProviderPath(const std::string& path) {
  return StartsWith(path, "/data/data/") || StartsWith(path, "/data/user_de/");
}

std::wstring PhoneFiles::Local(const std::string& path) const {
  std::wstring local = phone_ + Widen(path);
  std::replace(local.begin(), local.end(), L'/', L'\\');
  while (local.size() > phone_.size() && local.back() == L'\\') local.pop_back();
  return local;
}

PhoneFiles::Kind PhoneFiles::KindOf(const std::string& path) const {
  if (!Valid(path)) return Kind::kNone;
  for (const std::string& missing : scenario_.missing) {
    if (missing == path) return Kind::kNone;
  }
  const DWORD attr = GetFileAttributesW(Local(path).c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return Kind::kNone;
  return (attr & FILE_ATTRIBUTE_DIRECTORY) ? Kind::kFolder : Kind::kFile;
}

uint64_t PhoneFiles::Size(const std::string& path) const {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Local(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

PhoneMeta PhoneFiles::MetaOf(const std::string& path) const {
  const auto found = meta_.find(path);
  if (found != meta_.end()) return found->second;
  const bool folder = KindOf(path) == Kind::kFolder;
  if (path == kLocalTmp) return PhoneMeta{0771, "shell"};
  if (IsProviderPath(path)) return folder ? PhoneMeta{0751, "system"} : PhoneMeta{0660, "radio"};
  return folder ? PhoneMeta{0755, "root"} : PhoneMeta{0644, "root"};
}

void PhoneFiles::SetMeta(const std::string& path, const PhoneMeta& meta) {
  meta_[path] = meta;
  SaveMeta();
}

void PhoneFiles::Forget(const std::string& path) {
  for (auto it = meta_.begin(); it != meta_.end();) {
    it = Under(it->first, path) ? meta_.erase(it) : std::next(it);
  }
  SaveMeta();
}

void PhoneFiles::SaveMeta() const {
  std::string text;
  for (const auto& entry : meta_) {
    char mode[8];
    std::snprintf(mode, sizeof(mode), "%04o", entry.second.mode);
    text += std::string(mode) + " " + entry.second.owner + " " + entry.first + "\r\n";
  }
  WriteWholeFile(modesFile_, text);
}

std::vector<std::string> PhoneFiles::List(const std::string& folder) const {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((Local(folder) + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

bool PhoneFiles::Owns(const std::string& user, const std::string& path) const {
  return user == "root" || MetaOf(path).owner == user;
}

bool PhoneFiles::MayPass(const std::string& user, const std::string& path) const {
  if (user == "root") return true;
  for (std::string folder = Parent(path); folder != "/"; folder = Parent(folder)) {
    const PhoneMeta meta = MetaOf(folder);
    if (!(meta.mode & (meta.owner == user ? 0100 : 0001))) return false;
  }
  return true;
}

PhoneFiles::Access PhoneFiles::CanStat(const std::string& user, const std::string& path) const {
  if (user != "root" && scenario_.enforcing && IsProviderPath(path)) return Access::kDenied;
  if (!MayPass(user, path)) return Access::kDenied;
  return KindOf(path) == Kind::kNone ? Access::kNoEntry : Access::kOk;
}

PhoneFiles::Access PhoneFiles::CanRead(const std::string& user, const std::string& path) const {
  const Access stat = CanStat(user, path);
  if (stat != Access::kOk) return stat;
  if (user == "root") return scenario_.readRefused && IsProviderPath(path) ? Access::kDenied : Access::kOk;
  const PhoneMeta meta = MetaOf(path);
  return (meta.mode & (meta.owner == user ? 0400 : 0004)) ? Access::kOk : Access::kDenied;
}

PhoneFiles::Access PhoneFiles::CanCreateIn(const std::string& user, const std::string& folder) const {
  if (KindOf(folder) != Kind::kFolder) return Access::kNoEntry;
  if (user == "root") return Access::kOk;
  if (!MayPass(user, folder + "/x")) return Access::kDenied;
  const PhoneMeta meta = MetaOf(folder);
  return (meta.mode & (meta.owner == user ? 0200 : 0002)) ? Access::kOk : Access::kDenied;
}

HANDLE PhoneFiles::OpenForReading(const std::string& path) const {
  return CreateFileW(Local(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE PhoneFiles::CreateForWriting(const std::string& path, const std::string& user) {
  const bool existed = KindOf(path) == Kind::kFile;
  HANDLE h = CreateFileW(Local(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  // A new file gets its creator and the creator's umask: root's su 077, the shell's 022.
  if (h != INVALID_HANDLE_VALUE && !existed) SetMeta(path, PhoneMeta{user == "root" ? 0600u : 0644u, user});
  return h;
}

bool PhoneFiles::MakeFolder(const std::string& path, const std::string& user, unsigned mode) {
  if (!CreateDirectoryW(Local(path).c_str(), nullptr)) return false;
  SetMeta(path, PhoneMeta{mode, user});
  return true;
}

bool PhoneFiles::Remove(const std::string& path, bool recursive) {
  const Kind kind = KindOf(path);
  if (kind == Kind::kFolder) {
    if (recursive) {
      for (const std::string& name : List(path)) Remove(path + "/" + name, true);
    }
    if (!RemoveDirectoryW(Local(path).c_str())) return false;
  } else if (kind == Kind::kFile) {
    if (!DeleteFileW(Local(path).c_str())) return false;
  } else {
    return false;
  }
  Forget(path);
  return true;
}
