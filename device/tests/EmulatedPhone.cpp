#include "EmulatedPhone.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "WindowsTestFiles.h"

using testfiles::Argument;
using testfiles::ReadFile;

std::string NoiseBytes(uint32_t seed, size_t n) {
  std::string bytes(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<char>(x);
  }
  return bytes;
}

std::string DatabaseHeader(uint32_t pages, bool wal) {
  std::string header(100, '\0');
  const char magic[] = "SQLite format 3";
  header.replace(0, sizeof(magic), magic, sizeof(magic));
  header[16] = 0x10;  // 4096 bytes a page
  header[18] = header[19] = wal ? 2 : 1;
  header[27] = header[95] = 1;  // change counter 1, and the page count valid for it
  for (int i = 0; i < 4; ++i) header[28 + i] = static_cast<char>(pages >> (24 - 8 * i));
  return header;
}

std::string DatabaseBytes(uint32_t seed, uint32_t pages, bool wal) {
  std::string bytes = NoiseBytes(seed, static_cast<size_t>(pages) * 4096);
  bytes.replace(0, 100, DatabaseHeader(pages, wal));
  return bytes;
}

bool FileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesW(Wide(path).c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  const std::wstring wide = Wide(path);
  for (size_t i = 3; i < wide.size(); ++i) {
    if (wide[i] == L'\\') CreateDirectoryW(wide.substr(0, i).c_str(), nullptr);
  }
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(h);
}

bool SameFiles(const std::string& a, const std::string& b) {
  std::ifstream fa(Wide(a).c_str(), std::ios::binary);
  std::ifstream fb(Wide(b).c_str(), std::ios::binary);
  if (!fa || !fb) return false;
  std::vector<char> ba(1 << 20), bb(1 << 20);
  for (;;) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount()) return false;
    if (!std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin())) return false;
    if (fa.gcount() == 0) return true;
  }
}

EmulatedPhone::EmulatedPhone(const std::string& folder, const std::string& scenario, const std::string& exeName)
    : folder_(folder) {
  const std::string emulator = Argument("emulator");
  EXPECT_FALSE(emulator.empty()) << "--emulator= missing";
  EXPECT_TRUE(CopyFileW(Wide(emulator).c_str(), Wide(folder + "\\" + exeName).c_str(), FALSE)) << folder;
  CreateDirectoryW(Wide(folder + "\\phone").c_str(), nullptr);
  SetScenario(scenario);
}

std::string EmulatedPhone::Local(const std::string& phonePath) const {
  std::string local = folder_ + "\\phone" + phonePath;
  for (char& c : local) {
    if (c == '/') c = '\\';
  }
  return local;
}

void EmulatedPhone::Put(const std::string& phonePath, const std::string& bytes) { WriteBytes(Local(phonePath), bytes); }

void EmulatedPhone::SetScenario(const std::string& scenario) { WriteBytes(folder_ + "\\phone-scenario.txt", scenario); }

void EmulatedPhone::SetModes(const std::string& lines) { WriteBytes(folder_ + "\\phone-modes.txt", lines); }

std::string EmulatedPhone::Modes() const { return ReadFile(folder_ + "\\phone-modes.txt"); }

std::vector<std::string> EmulatedPhone::TempEntries() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((Local("/data/local/tmp") + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

std::vector<std::string> EmulatedPhone::Commands() const {
  std::vector<std::string> commands;
  std::istringstream in(ReadFile(folder_ + "\\phone-emulator.log"));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 2, "> ") == 0) {
      commands.emplace_back();
    } else if (line.compare(0, 2, "| ") == 0 && !commands.empty()) {
      commands.back() += (commands.back().empty() ? "" : " ") + line.substr(2);
    }
  }
  return commands;
}

bool EmulatedPhone::ChangedAModeOutsideTemp() const {
  for (const std::string& command : Commands()) {
    for (size_t at = command.find("chmod "); at != std::string::npos; at = command.find("chmod ", at + 1)) {
      const size_t target = command.find(' ', at + 6);
      if (target == std::string::npos || command.compare(target + 1, 16, "/data/local/tmp/") != 0) return true;
    }
  }
  return false;
}

PullLimits RealLimits() { return PullLimits(); }

PullRun RunPull(const std::string& clientFolder, const std::string& contactsCopy, const std::string& messagesCopy,
                const PullLimits& limits, const std::function<void(PullStatus&, double)>& during) {
  PullRun run;
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  PullRequest request;
  request.notify = window;
  request.contactsCopy = Wide(contactsCopy);
  request.messagesCopy = Wide(messagesCopy);
  request.clientFolder = Wide(clientFolder);
  request.limits = limits;
  auto status = std::make_shared<PullStatus>();
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  auto elapsed = [&] {
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
  };
  HANDLE thread = StartPullThread(request, status);
  EXPECT_NE(thread, nullptr);
  while (thread && !run.done && elapsed() < 180) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd != window) continue;
      if (msg.message == WM_PULL_PROGRESS) ++run.progressMessages;
      if (msg.message == WM_PULL_DONE) {
        run.done = msg.wParam == 1 && msg.lParam == 0 && status->Finished();
        run.seconds = elapsed();
      }
    }
    if (!run.done && during) during(*status, elapsed());
  }
  if (thread) {
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << "the worker did not end";
    CloseHandle(thread);
  }
  DestroyWindow(window);
  run.result = status->Result();
  run.bytesCopied = status->bytesCopied;
  return run;
}

int CountClientProcesses(const std::string& folder) {
  int n = 0;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 e;
  e.dwSize = sizeof(e);
  for (BOOL ok = Process32First(snap, &e); ok; ok = Process32Next(snap, &e)) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID);
    if (h == nullptr) continue;
    char image[1024];
    DWORD size = sizeof(image);
    if (QueryFullProcessImageNameA(h, 0, image, &size) && _strnicmp(image, folder.c_str(), folder.size()) == 0) ++n;
    CloseHandle(h);
  }
  CloseHandle(snap);
  return n;
}

bool WaitForNoClients(const std::string& folder, DWORD ms) {
  const DWORD start = GetTickCount();
  while (CountClientProcesses(folder) > 0) {
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
  return true;
}
