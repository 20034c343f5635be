#include "ClientProcess.h"

#include <algorithm>
#include <utility>

#include "Handles.h"

namespace {

const DWORD kPipeBuffer = 64 * 1024;
// How many pipe names one run tries before it gives up.
const int kPipeNameTries = 8;
const size_t kMaxKeptText = 64 * 1024;
// How often the watched bytes and the clocks are looked at while nothing else happens.
const DWORD kPollMs = 250;
// After the client ended: how long its output may take to drain, and the longest pause in
// it (a background server the client started may hold a pipe open without writing).
const DWORD kDrainMs = 2000;
const DWORD kDrainPauseMs = 200;

// The reading end of one of the client's output pipes, read with overlapped I/O so that
// one thread can wait for both pipes, the process and the cancel event at once.
class PipeReader {
 public:
  PipeReader() = default;
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;
  ~PipeReader() { Stop(); }

  // Creates the pipe under a name no other process can have taken first, and its
  // inheritable write end for the client.
  bool Create(const std::wstring& name, winframe::CHandle* writeEnd) {
    open_ = false;
    server_ = winframe::CHandle(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        kPipeBuffer, 0, nullptr));
    if (!server_.IsValid()) return false;
    event_ = winframe::CHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event_.IsValid()) return false;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    *writeEnd = winframe::CHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!writeEnd->IsValid()) return false;
    OVERLAPPED connect = {};
    connect.hEvent = event_.Get();
    if (!ConnectNamedPipe(server_.Get(), &connect)) {
      const DWORD error = GetLastError();
      if (error == ERROR_IO_PENDING) {
        DWORD ignored = 0;
        if (!GetOverlappedResult(server_.Get(), &connect, &ignored, TRUE)) return false;
      } else if (error != ERROR_PIPE_CONNECTED) {
        return false;
      }
    }
    open_ = true;
    return true;
  }

  bool open() const { return open_; }
  bool pending() const { return pending_; }
  HANDLE event() const { return event_.Get(); }

  // Starts the next read unless one is pending or the pipe has closed.
  void Read() {
    if (!open_ || pending_) return;
    ResetEvent(event_.Get());
    overlapped_ = OVERLAPPED();
    overlapped_.hEvent = event_.Get();
    // Also when it completes at once the event is set and the result is collected there.
    if (ReadFile(server_.Get(), buffer_, kPipeBuffer, nullptr, &overlapped_) ||
        GetLastError() == ERROR_IO_PENDING) {
      pending_ = true;
    } else {
      open_ = false;
    }
  }

  // After the event was set: the bytes of the completed read (none when the pipe closed).
  size_t Complete(const char** data) {
    DWORD n = 0;
    if (!pending_) return 0;
    pending_ = false;
    if (!GetOverlappedResult(server_.Get(), &overlapped_, &n, FALSE)) {
      open_ = false;  // broken pipe: every holder of the write end has closed it
      return 0;
    }
    *data = buffer_;
    return n;
  }

  // A read still pending must end before its buffer goes.
  void Stop() {
    if (pending_) {
      CancelIo(server_.Get());
      DWORD ignored = 0;
      GetOverlappedResult(server_.Get(), &overlapped_, &ignored, TRUE);
      pending_ = false;
    }
    open_ = false;
  }

 private:
  winframe::CHandle server_;
  winframe::CHandle event_;
  OVERLAPPED overlapped_ = {};
  bool open_ = false;
  bool pending_ = false;
  char buffer_[kPipeBuffer];
};

void Keep(std::string* text, const char* data, size_t n) {
  const size_t room = kMaxKeptText - std::min(kMaxKeptText, text->size());
  text->append(data, std::min(room, n));
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The three handles a client inherits, and nothing else.
class InheritList {
 public:
  explicit InheritList(HANDLE (&handles)[3]) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    ready_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
             UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                       sizeof(handles), nullptr, nullptr);
  }
  ~InheritList() {
    if (ready_) DeleteProcThreadAttributeList(list_);
  }
  InheritList(const InheritList&) = delete;
  InheritList& operator=(const InheritList&) = delete;
  bool ready() const { return ready_; }
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::vector<char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  bool ready_ = false;
};

}  // namespace

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  // Backslashes are literal unless they precede a quote; those before a quote (or before
  // the closing quote) are doubled.
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

// Every client runs in one job object that ends its processes when the program ends: when
// the window closes during a pull the worker does not outlive the program, and nothing
// else would end a client it had just started, which would then go on writing into the
// copies' folder after the program is gone. The handle lives as long as the process on
// purpose: its closing at the process's end is what ends the clients.
HANDLE ClientJob() {
  static const HANDLE job = [] {
    HANDLE created = CreateJobObjectW(nullptr, nullptr);
    if (!created) return created;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
      CloseHandle(created);
      return HANDLE(nullptr);
    }
    return created;
  }();
  return job;
}

ClientRunner::ClientRunner(std::wstring clientPath, HANDLE cancelEvent)
    : clientPath_(std::move(clientPath)), cancelEvent_(cancelEvent) {}

ClientRun ClientRunner::Run(const std::vector<std::wstring>& args, const CommandLimits& limits,
                            ByteSink* sink, const GrowthWatch& watch, bool ignoreCancel) {
  ClientRun run;
  if (!ignoreCancel && cancelEvent_ && WaitForSingleObject(cancelEvent_, 0) == WAIT_OBJECT_0) {
    run.end = ClientRun::End::kCancelled;
    return run;
  }
  const std::wstring pipePrefix = L"\\\\.\\pipe\\quillfen-retrievo-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(GetCurrentThreadId()) + L"-" +
                                  std::to_wstring(reinterpret_cast<uintptr_t>(this)) + L"-";
  PipeReader outPipe;
  PipeReader errPipe;
  winframe::CHandle outWrite;
  winframe::CHandle errWrite;
  // A name can still be held by a pipe of an ended process whose id this one now has (the
  // system reuses ids, and a client that process started may outlive it for a moment, its
  // pipe open): such a name is passed over for the next.
  bool piped = false;
  for (int tries = 0; tries < kPipeNameTries && !piped; ++tries) {
    const std::wstring pipeName = pipePrefix + std::to_wstring(++pipeCounter_);
    piped = outPipe.Create(pipeName + L"-out", &outWrite) && errPipe.Create(pipeName + L"-err", &errWrite);
    if (!piped) run.startError = GetLastError();
  }
  if (!piped) return run;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  winframe::CHandle nul(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!nul.IsValid()) {
    run.startError = GetLastError();
    return run;
  }
  HANDLE inherited[3] = {nul.Get(), outWrite.Get(), errWrite.Get()};
  InheritList inheritList(inherited);
  if (!inheritList.ready()) {
    run.startError = GetLastError();
    return run;
  }
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  startup.StartupInfo.hStdInput = nul.Get();
  startup.StartupInfo.hStdOutput = outWrite.Get();
  startup.StartupInfo.hStdError = errWrite.Get();
  startup.lpAttributeList = inheritList.get();
  // The client path is quoted always: unquoted, a folder with blanks would make the system
  // try "C:\Program.exe" first; the application name given as well rules out any search.
  std::wstring commandLine = L"\"" + clientPath_ + L"\"";
  for (const std::wstring& arg : args) commandLine += L" " + QuoteArgument(arg);
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  const std::wstring folder = FolderOf(clientPath_);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(clientPath_.c_str(), writable.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &pi)) {
    run.startError = GetLastError();
    return run;
  }
  winframe::CHandle process(pi.hProcess);
  winframe::CHandle thread(pi.hThread);
  // Only the client holds the write ends now, so the pipes break when it has ended.
  outWrite.Close();
  errWrite.Close();
  nul.Close();
  // Joined before it runs, so it cannot start children of its own outside the job.
  if (HANDLE job = ClientJob()) AssignProcessToJobObject(job, process.Get());
  ResumeThread(thread.Get());
  thread.Close();

  bool sinkFailed = false;
  auto collect = [&](PipeReader& pipe, bool isOutput) {
    const char* data = nullptr;
    const size_t n = pipe.Complete(&data);
    if (n > 0 && isOutput && sink) {
      if (sink->Write(data, n)) {
        run.streamed += n;
      } else {
        sinkFailed = true;
      }
    } else if (n > 0) {
      Keep(isOutput ? &run.out : &run.err, data, n);
    }
    pipe.Read();
  };

  const ULONGLONG started = GetTickCount64();
  ULONGLONG lastGrowth = started;
  uint64_t watched = 0;
  outPipe.Read();
  errPipe.Read();
  ClientRun::End end = ClientRun::End::kExited;
  for (;;) {
    HANDLE waits[4];
    DWORD count = 0;
    waits[count++] = process.Get();
    const DWORD cancelIndex = (!ignoreCancel && cancelEvent_) ? count : MAXDWORD;
    if (cancelIndex != MAXDWORD) waits[count++] = cancelEvent_;
    const DWORD outIndex = outPipe.pending() ? count : MAXDWORD;
    if (outIndex != MAXDWORD) waits[count++] = outPipe.event();
    const DWORD errIndex = errPipe.pending() ? count : MAXDWORD;
    if (errIndex != MAXDWORD) waits[count++] = errPipe.event();

    ULONGLONG now = GetTickCount64();
    ULONGLONG wait = kPollMs;
    wait = std::min<ULONGLONG>(wait, started + limits.totalMs > now ? started + limits.totalMs - now : 0);
    if (limits.idleMs) {
      wait = std::min<ULONGLONG>(wait, lastGrowth + limits.idleMs > now ? lastGrowth + limits.idleMs - now : 0);
    }
    const DWORD signalled = WaitForMultipleObjects(count, waits, FALSE, static_cast<DWORD>(wait));
    // An index no wait slot has when nothing was signalled (a time-out or a failed wait).
    const DWORD index = signalled - WAIT_OBJECT_0 < count ? signalled - WAIT_OBJECT_0 : MAXDWORD - 1;
    if (index == outIndex) collect(outPipe, true);
    if (index == errIndex) collect(errPipe, false);
    if (sinkFailed) {
      end = ClientRun::End::kSinkFailed;
      break;
    }
    if (index == cancelIndex) {
      end = ClientRun::End::kCancelled;
      break;
    }
    if (index == 0) break;  // the client has ended

    const uint64_t nowWatched = watch.bytes ? watch.bytes() : run.streamed;
    now = GetTickCount64();
    if (nowWatched > watched) {
      watched = nowWatched;
      lastGrowth = now;
      if (watch.onGrowth) watch.onGrowth(watched);
    }
    if (now - started >= limits.totalMs || (limits.idleMs && now - lastGrowth >= limits.idleMs)) {
      end = ClientRun::End::kCutOff;
      break;
    }
  }

  if (end == ClientRun::End::kExited) {
    // What the client wrote before it ended is still in the pipes.
    const ULONGLONG drainStart = GetTickCount64();
    while ((outPipe.pending() || errPipe.pending()) && !sinkFailed &&
           GetTickCount64() - drainStart < kDrainMs) {
      HANDLE waits[2];
      DWORD count = 0;
      if (outPipe.pending()) waits[count++] = outPipe.event();
      if (errPipe.pending()) waits[count++] = errPipe.event();
      const DWORD signalled = WaitForMultipleObjects(count, waits, FALSE, kDrainPauseMs);
      if (signalled >= WAIT_OBJECT_0 + count) break;
      HANDLE fired = waits[signalled - WAIT_OBJECT_0];
      collect(fired == outPipe.event() ? outPipe : errPipe, fired == outPipe.event());
    }
    if (sinkFailed) end = ClientRun::End::kSinkFailed;
    GetExitCodeProcess(process.Get(), &run.exitCode);
    if (watch.onGrowth) {
      const uint64_t nowWatched = watch.bytes ? watch.bytes() : run.streamed;
      if (nowWatched > watched) watch.onGrowth(nowWatched);
    }
  }
  if (end != ClientRun::End::kExited) {
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), 5000);
  }
  run.end = end;
  return run;
}
