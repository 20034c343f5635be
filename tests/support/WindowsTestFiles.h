// Files and arguments of the Windows tests that run under Wine: paths handed over on the
// command line, whole-file reads, and temporary folders removed with everything in them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace testfiles {

// Paths given on a test's command line are Linux paths; Wine's drive Z: is the root.
inline std::string WindowsPath(std::string p) {
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

// The value of "--name=value" on the test's command line, as a Windows path; "" if absent.
inline std::string Argument(const char* name) {
  const std::string prefix = std::string("--") + name + "=";
  for (const std::string& arg : testing::internal::GetArgvs()) {
    if (arg.compare(0, prefix.size(), prefix) == 0) return WindowsPath(arg.substr(prefix.size()));
  }
  return std::string();
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Removes a folder and everything in it, read-only files included.
inline void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

// A fresh folder under the temporary folder, removed at the end of the test.
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag = "test") {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    path_ = std::string(base) + "retrievo-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace testfiles
