// Where a phone command's output goes: the client's standard output or error (through a
// terminal that writes LF as CR LF on phones without the shell protocol), a phone file, or
// nowhere; and the copy of a phone file to the PC as the scenario's link makes it (slow,
// stalled, or cut short once).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Scenario.h"

class Output {
 public:
  virtual ~Output() = default;
  virtual bool Write(const char* data, size_t n) = 0;
  // True for the client's own output: what goes there travels to the PC.
  virtual bool ToPc() const { return false; }
  bool Print(const std::string& text) { return Write(text.data(), text.size()); }
};

class HandleOutput : public Output {
 public:
  HandleOutput(HANDLE handle, bool crlf) : handle_(handle), crlf_(crlf) {}
  bool Write(const char* data, size_t n) override;
  bool ToPc() const override { return true; }

 private:
  HANDLE handle_;
  bool crlf_;
};

// Owns a handle to a phone file or a local file.
class FileOutput : public Output {
 public:
  explicit FileOutput(HANDLE handle) : handle_(handle) {}
  ~FileOutput() override;
  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;
  bool Write(const char* data, size_t n) override;

 private:
  HANDLE handle_;
};

class NullOutput : public Output {
 public:
  bool Write(const char* /*data*/, size_t /*n*/) override { return true; }
};

// Copies `size` bytes of an open phone file to the PC the way the scenario's link does:
// in 16 pieces over pull-ms, stopping for ever after stall-after bytes, or ending at half
// the file the first time this phone path is served when short-once is set (the paths
// served so far are kept in phone-served.txt beside the emulator).
bool SendToPc(HANDLE source, uint64_t size, Output& out, const Scenario& scenario,
              const std::wstring& emulatorFolder, const std::string& phonePath);

// Copies a whole open file into `out` as it is.
bool CopyAll(HANDLE source, Output& out);
