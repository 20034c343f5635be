// The phone emulator set up in a fresh folder as the bridge client, with a phone of the
// test's making, and one pull run against it the way the window runs it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AdbPull.h"

// Bytes of every value, CR, LF and NUL included, so that any text-mode damage shows.
std::string NoiseBytes(uint32_t seed, size_t n);
// A database as SQLite lays it out: a header counting `pages` pages of 4096 bytes (in
// write-ahead-log mode when `wal`), the rest noise.
std::string DatabaseBytes(uint32_t seed, uint32_t pages, bool wal);
std::string DatabaseHeader(uint32_t pages, bool wal);  // its first 100 bytes

bool FileExists(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);  // creates the folders
bool SameFiles(const std::string& a, const std::string& b);           // compared in chunks
std::wstring Wide(const std::string& utf8);

class EmulatedPhone {
 public:
  // Installs the emulator (--emulator= of the test's command line) as `exeName` in `folder`.
  EmulatedPhone(const std::string& folder, const std::string& scenario,
                const std::string& exeName = kAdbClientFileName);

  const std::string& folder() const { return folder_; }
  // Where a phone path lies in the emulator's folder.
  std::string Local(const std::string& phonePath) const;
  void Put(const std::string& phonePath, const std::string& bytes);
  void SetScenario(const std::string& scenario);
  void SetModes(const std::string& lines);  // "MODE OWNER PATH" lines

  std::string Modes() const;                  // phone-modes.txt as it is now
  std::vector<std::string> TempEntries() const;  // what lies in the phone's /data/local/tmp
  // Each command the client was given, its arguments joined by blanks.
  std::vector<std::string> Commands() const;
  // Whether any command changed the mode of a file outside /data/local/tmp.
  bool ChangedAModeOutsideTemp() const;

 private:
  std::string folder_;
};

struct PullRun {
  bool done = false;       // WM_PULL_DONE arrived with wParam 1 and lParam 0
  double seconds = 0;      // from the start until then
  int progressMessages = 0;
  uint64_t bytesCopied = 0;
  PullResult result;
};

// Limits of the real program, except where a test shortens one.
PullLimits RealLimits();

// Runs one pull with the client in `clientFolder`; `during`, when given, is called with
// the status every 50 ms while the pull runs (to cancel it, say).
PullRun RunPull(const std::string& clientFolder, const std::string& contactsCopy, const std::string& messagesCopy,
                const PullLimits& limits = RealLimits(),
                const std::function<void(PullStatus&, double seconds)>& during = {});

// Clients started from below `folder` (other tests may run clients at the same time).
int CountClientProcesses(const std::string& folder);
bool WaitForNoClients(const std::string& folder, DWORD ms);
