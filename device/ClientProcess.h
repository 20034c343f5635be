// Runs one command of the bridge client and reads what it says.
//
// How it works: the client starts suspended, inherits exactly three handles (the null
// device as its input and the write ends of two pipes as its standard output and error,
// named in the attribute list of handles to inherit), joins the job that ends every client
// with this program, and resumes. The calling thread then waits on the process, the cancel
// event and the overlapped reads of both pipes at once: the standard output goes into a
// sink (a copy) or is kept as text, the standard error is kept as text. The client is
// ended when the cancel event is set, when the time limit has passed, or when the watched
// byte count (what arrived in the sink, or the size of a file the client writes itself)
// has not grown for the idle limit. Everything runs on the calling thread; nothing
// outlives Run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CommandLimits {
  DWORD totalMs = 3000;  // the client is ended after this long in all
  DWORD idleMs = 0;      // when not 0: ended once the watched bytes did not grow this long
};

// Where a client's standard output goes when it is a file's bytes.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const char* data, size_t n) = 0;
};

struct ClientRun {
  enum class End { kExited, kNotStarted, kCutOff, kCancelled, kSinkFailed };
  End end = End::kNotStarted;
  DWORD exitCode = 0;    // when kExited
  DWORD startError = 0;  // when kNotStarted: the system's error code
  std::string out;       // standard output, when no sink took it (first 64 KiB)
  std::string err;       // standard error (first 64 KiB)
  uint64_t streamed = 0; // bytes handed to the sink
  std::string Said() const { return err + "\n" + out; }
};

// What a command watches besides its output, and whom it tells of growth.
struct GrowthWatch {
  std::function<uint64_t()> bytes;            // when set, polled instead of the sink count
  std::function<void(uint64_t)> onGrowth;     // called when the watched count grew
};

class ClientRunner {
 public:
  // `cancelEvent` (not owned) ends any command at once when set.
  ClientRunner(std::wstring clientPath, HANDLE cancelEvent);

  // Runs the client with `args` (each quoted as one argument). `sink`, when given, takes
  // the standard output. `ignoreCancel` is for the clean-up on the phone after a cancel.
  ClientRun Run(const std::vector<std::wstring>& args, const CommandLimits& limits,
                ByteSink* sink = nullptr, const GrowthWatch& watch = GrowthWatch(),
                bool ignoreCancel = false);

  const std::wstring& clientPath() const { return clientPath_; }

 private:
  std::wstring clientPath_;
  HANDLE cancelEvent_;
  unsigned pipeCounter_ = 0;
};

// One command-line argument in the quoting that CommandLineToArgvW and the C runtime undo.
std::wstring QuoteArgument(const std::wstring& arg);

// The process-wide job that ends every client with this program (null if unavailable).
HANDLE ClientJob();
