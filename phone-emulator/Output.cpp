#include "Output.h"

#include <algorithm>
#include <vector>

namespace {

const DWORD kChunk = 64 * 1024;

bool WriteAll(HANDLE h, const char* data, size_t n) {
  while (n > 0) {
    DWORD done = 0;
    if (!WriteFile(h, data, static_cast<DWORD>(std::min<size_t>(n, kChunk)), &done, nullptr) || done == 0) {
      return false;
    }
    data += done;
    n -= done;
  }
  return true;
}

}  // namespace

bool HandleOutput::Write(const char* data, size_t n) {
  if (!crlf_) return WriteAll(handle_, data, n);
  std::string translated;
  translated.reserve(n + n / 16);
  for (size_t i = 0; i < n; ++i) {
    if (data[i] == '\n') translated.push_back('\r');
    translated.push_back(data[i]);
  }
  return WriteAll(handle_, translated.data(), translated.size());
}

FileOutput::~FileOutput() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool FileOutput::Write(const char* data, size_t n) { return WriteAll(handle_, data, n); }

bool CopyAll(HANDLE source, Output& out) {
  std::vector<char> chunk(kChunk);
  DWORD n = 0;
  while (ReadFile(source, chunk.data(), kChunk, &n, nullptr) && n > 0) {
    if (!out.Write(chunk.data(), n)) return false;
  }
  return true;
}

bool SendToPc(HANDLE source, uint64_t size, Output& out, const Scenario& scenario,
              const std::wstring& emulatorFolder, const std::string& phonePath) {
  uint64_t limit = size;
  if (scenario.shortOnce) {
    const std::wstring served = emulatorFolder + L"\\phone-served.txt";
    std::vector<std::string> lines;
    ReadLines(served, &lines);
    if (std::find(lines.begin(), lines.end(), phonePath) == lines.end()) {
      AppendFile(served, phonePath + "\r\n");
      limit = size / 2;
    }
  }
  const uint64_t pieces = scenario.pullMs > 0 ? 16 : 1;
  const uint64_t pieceSize = (limit + pieces - 1) / pieces;
  std::vector<char> chunk(kChunk);
  uint64_t sent = 0;
  for (uint64_t piece = 0; piece < pieces; ++piece) {
    const uint64_t pieceEnd = std::min(limit, sent + pieceSize);
    while (sent < pieceEnd) {
      if (scenario.stallAfter && sent >= scenario.stallAfter) {
        FlushFileBuffers(GetStdHandle(STD_OUTPUT_HANDLE));
        Sleep(INFINITE);
      }
      uint64_t want = std::min<uint64_t>(kChunk, pieceEnd - sent);
      if (scenario.stallAfter) want = std::min(want, scenario.stallAfter - sent);
      DWORD n = 0;
      if (!ReadFile(source, chunk.data(), static_cast<DWORD>(want), &n, nullptr) || n == 0) return false;
      if (!out.Write(chunk.data(), n)) return false;
      sent += n;
    }
    if (scenario.pullMs > 0) Sleep(scenario.pullMs / static_cast<DWORD>(pieces));
  }
  return true;
}
