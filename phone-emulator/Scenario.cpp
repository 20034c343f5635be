#include "Scenario.h"

#include <cstdlib>
#include <sstream>

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

bool ReadLines(const std::wstring& path, std::vector<std::string>* lines) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char chunk[4096];
  DWORD n = 0;
  while (ReadFile(h, chunk, sizeof(chunk), &n, nullptr) && n > 0) text.append(chunk, n);
  CloseHandle(h);
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines->push_back(Trim(line));
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(h);
  return ok;
}

void AppendFile(const std::wstring& path, const std::string& text) {
  HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

bool Scenario::SuAccepts(const std::string& firstWord) const {
  for (const std::string& form : suForms) {
    if (form == firstWord) return true;
  }
  return false;
}

bool Scenario::SuIsRootManager() const { return SuAccepts("-c"); }

namespace {

bool Yes(const std::string& value) { return value == "yes" || value == "true" || value == "1"; }

std::vector<std::string> Words(const std::string& value) {
  std::istringstream in(value);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

}  // namespace

Scenario LoadScenario(const std::wstring& folder) {
  Scenario sc;
  std::vector<std::string> lines;
  ReadLines(folder + L"\\phone-scenario.txt", &lines);
  // Keys whose default follows the Android version are applied after it is known.
  std::string execOut, shellProtocol, crlf, stat, enforcing;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    if (key == "mode") {
      sc.mode = value;
      if (value == "not-rooted") sc.suPresent = false;  // the name older scenarios use
    } else if (key == "sdk") {
      sc.sdk = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (key == "su") {
      sc.suForms = Words(value);
      sc.suPresent = !(sc.suForms.size() == 1 && sc.suForms[0] == "none");
    } else if (key == "su-refused") {
      sc.suRefused = Yes(value);
    } else if (key == "read-refused") {
      sc.readRefused = Yes(value);
    } else if (key == "enforcing") {
      enforcing = value;
    } else if (key == "exec-out") {
      execOut = value;
    } else if (key == "client-exec-out") {
      sc.clientExecOut = Yes(value);
    } else if (key == "shell-protocol") {
      shellProtocol = value;
    } else if (key == "crlf") {
      crlf = value;
    } else if (key == "stat") {
      stat = value;
    } else if (key == "pull-ms") {
      sc.pullMs = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (key == "stall-after") {
      sc.stallAfter = std::strtoull(value.c_str(), nullptr, 10);
    } else if (key == "short-once") {
      sc.shortOnce = Yes(value);
    } else if (key == "server-ms") {
      sc.serverMs = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (key == "missing") {
      sc.missing.push_back(value);
    }
  }
  // What each Android version brought: SELinux enforcing (5), exec-out (5), stat in the
  // toolbox (6), the shell protocol (7), without which shell output passes a terminal.
  sc.enforcing = enforcing.empty() ? sc.sdk >= 21 : Yes(enforcing);
  sc.phoneExecOut = execOut.empty() ? sc.sdk >= 21 : Yes(execOut);
  sc.hasStat = stat.empty() ? sc.sdk >= 23 : Yes(stat);
  sc.shellProtocol = (shellProtocol.empty() ? sc.sdk >= 24 : Yes(shellProtocol)) && sc.clientExecOut;
  sc.crlf = crlf.empty() ? !sc.shellProtocol : Yes(crlf);
  return sc;
}
