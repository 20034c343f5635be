// A stand-in for the Android Debug Bridge client, for tests and demonstrations without a
// phone. Copied beside the program under the client's file name, it answers the commands
// the pull sends, from a phone that lies beside its own executable (see README.md):
//
//   start-server                 starts the client's background server (server-ms)
//   shell <command text>         runs the text in the phone's shell as the shell user
//   exec-out <command text>      the same, its output passed unchanged and errors mixed in
//   pull <phone path> <local>    copies a phone file the shell user may read
//
// with the words and exit codes a real client and phone give, in the states the scenario
// names: no phone, a phone that has not accepted the PC, offline, a client that hangs.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Output.h"
#include "PhoneFiles.h"
#include "PhoneShell.h"
#include "Scenario.h"

namespace {

std::wstring ExeFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return L".";
    if (n < buf.size() - 1 || buf.size() >= 65536) {
      const std::wstring path(buf.data(), n);
      const size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? L"." : path.substr(0, slash);
    }
    buf.resize(buf.size() * 2);
  }
}

std::vector<std::string> Arguments() {
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> args;
  for (int i = 0; i < n; ++i) args.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return args;
}

// Log record: "> " and the raw command line, then "| " and each argument after the program.
void LogInvocation(const std::wstring& folder, const std::vector<std::string>& args) {
  std::string record = "> " + Narrow(GetCommandLineW()) + "\r\n";
  for (size_t i = 1; i < args.size(); ++i) record += "| " + args[i] + "\r\n";
  AppendFile(folder + L"\\phone-emulator.log", record);
}

void PrintTo(DWORD stdHandle, const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(stdHandle), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// The command text a client sends to the phone: the first word as it is, the others as
// that client quotes them. Today's client joins shell words as they are (like ssh) and
// single-quotes every exec-out word; a client from before exec-out escapes blanks, quotes,
// backslashes and parentheses of shell words with a backslash.
std::string PhoneCommand(const std::vector<std::string>& args, bool execOut, bool oldClient) {
  std::string text = args.size() > 2 ? args[2] : "";
  for (size_t i = 3; i < args.size(); ++i) {
    std::string word;
    if (execOut) {
      word = "'";
      for (char c : args[i]) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
      word += "'";
    } else if (oldClient) {
      for (char c : args[i]) {
        if (c == ' ' || c == '"' || c == '\\' || c == '(' || c == ')') word.push_back('\\');
        word.push_back(c);
      }
    } else {
      word = args[i];
    }
    text += " " + word;
  }
  return text;
}

// The first command of a session starts the client's server; a real one takes seconds.
void StartServer(const std::wstring& folder, const Scenario& sc, bool asked) {
  const std::wstring marker = folder + L"\\phone-server.txt";
  if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  Sleep(sc.serverMs);
  WriteWholeFile(marker, "started\r\n");
  if (asked) PrintTo(STD_ERROR_HANDLE, "* daemon not running; starting now at tcp:5037\n* daemon started successfully\n");
}

// The client's own words when it cannot reach a phone; 0 when it can.
int DeviceState(const Scenario& sc) {
  if (sc.mode == "no-device") {
    PrintTo(STD_ERROR_HANDLE, "adb: no devices/emulators found\n");
  } else if (sc.mode == "unauthorized") {
    PrintTo(STD_ERROR_HANDLE,
            "adb: device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not set\n"
            "Try 'adb kill-server' if that seems wrong.\nOtherwise check for a confirmation dialog on your device.\n");
  } else if (sc.mode == "offline") {
    PrintTo(STD_ERROR_HANDLE, "adb: device offline\n");
  } else {
    return 0;
  }
  return 1;
}

int Shell(const std::wstring& folder, const Scenario& sc, const std::vector<std::string>& args) {
  PhoneFiles files(folder, sc);
  PhoneShell shell(files, sc, folder);
  HandleOutput out(GetStdHandle(STD_OUTPUT_HANDLE), sc.crlf);
  HandleOutput err(GetStdHandle(STD_ERROR_HANDLE), sc.crlf);
  // Without the shell protocol the phone's errors arrive in the output and the exit code
  // is lost: the client ends with 0 whatever the command did.
  const int status = shell.Run(PhoneCommand(args, false, !sc.clientExecOut), "shell", out,
                               sc.shellProtocol ? static_cast<Output&>(err) : out);
  return sc.shellProtocol ? status : 0;
}

int ExecOut(const std::wstring& folder, const Scenario& sc, const std::vector<std::string>& args) {
  if (!sc.clientExecOut) {
    // A client from before exec-out prints its usage for any command it does not know.
    PrintTo(STD_ERROR_HANDLE, "Android Debug Bridge version 1.0.31\n\n -a - directs adb to listen on all interfaces"
                              " for a connection\n -d - directs command to the only connected USB device\n");
    return 1;
  }
  if (!sc.phoneExecOut) {
    PrintTo(STD_ERROR_HANDLE, "error: closed\n");
    return 1;
  }
  PhoneFiles files(folder, sc);
  PhoneShell shell(files, sc, folder);
  HandleOutput out(GetStdHandle(STD_OUTPUT_HANDLE), false);
  shell.Run(PhoneCommand(args, true, false), "shell", out, out);
  return 0;
}

// Creates every missing folder on the way to `path`'s parent, as the client does.
void CreateParentFolders(const std::wstring& path) {
  for (size_t i = 3; i < path.size(); ++i) {
    if (path[i] == L'\\' || path[i] == L'/') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

int Pull(const std::wstring& folder, const Scenario& sc, const std::vector<std::string>& args) {
  if (args.size() != 4) {
    PrintTo(STD_ERROR_HANDLE, "adb: usage: pull REMOTE LOCAL\n");
    return 1;
  }
  const std::string& remote = args[2];
  PhoneFiles files(folder, sc);
  const bool oldPhone = sc.sdk < 21;
  // Phones before Android 5 answer a refused stat as if the file were not there.
  const PhoneFiles::Access stat = files.CanStat("shell", remote);
  if (stat != PhoneFiles::Access::kOk || files.KindOf(remote) != PhoneFiles::Kind::kFile) {
    PrintTo(STD_ERROR_HANDLE, oldPhone ? "remote object '" + remote + "' does not exist\n"
                                       : "adb: error: failed to stat remote object '" + remote + "': " +
                                             (stat == PhoneFiles::Access::kDenied ? "Permission denied"
                                                                                  : "No such file or directory") + "\n");
    return 1;
  }
  std::wstring target = Widen(args[3]);
  const DWORD attr = GetFileAttributesW(target.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) target += L"\\" + Widen(PhoneFiles::Name(remote));
  if (files.CanRead("shell", remote) != PhoneFiles::Access::kOk) {
    PrintTo(STD_ERROR_HANDLE, std::string(oldPhone ? "" : "adb: error: ") + "failed to copy '" + remote + "' to '" +
                                  args[3] + "': " + (oldPhone ? "" : "remote open failed: ") + "Permission denied\n");
    return 1;
  }
  CreateParentFolders(target);
  HANDLE source = files.OpenForReading(remote);
  HANDLE sink = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE || sink == INVALID_HANDLE_VALUE) {
    if (source != INVALID_HANDLE_VALUE) CloseHandle(source);
    if (sink != INVALID_HANDLE_VALUE) CloseHandle(sink);
    PrintTo(STD_ERROR_HANDLE, "adb: error: cannot create '" + args[3] + "': Permission denied\n");
    return 1;
  }
  const uint64_t size = files.Size(remote);
  FileOutput out(sink);
  const bool sent = SendToPc(source, size, out, sc, folder, remote);
  CloseHandle(source);
  if (!sent) {
    PrintTo(STD_ERROR_HANDLE, "adb: error: failed to copy '" + remote + "': connection closed\n");
    return 1;
  }
  const std::string bytes = "(" + std::to_string(size) + " bytes in 0.100s)\n";
  if (sc.clientExecOut) {
    PrintTo(STD_OUTPUT_HANDLE, remote + ": 1 file pulled, 0 skipped. 10.0 MB/s " + bytes);
  } else {
    PrintTo(STD_ERROR_HANDLE, "1000 KB/s " + bytes);
  }
  return 0;
}

// For the tests of the client's start: whether a handle value is open in this process.
int ProbeHandle(const std::string& value) {
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(value.c_str(), nullptr, 10)));
  // Only the test's own semaphore, made with a count of 7, counts: a handle of this process
  // that happens to have the same number is some other object.
  LONG previous = 0;
  const bool inherited = ReleaseSemaphore(h, 1, &previous) && previous == 7;
  PrintTo(STD_OUTPUT_HANDLE, inherited ? "open\n" : "closed\n");
  return 0;
}

}  // namespace

int main() {
  const std::wstring folder = ExeFolder();
  const std::vector<std::string> args = Arguments();
  LogInvocation(folder, args);
  if (args.size() == 3 && args[1] == "probe-handle") return ProbeHandle(args[2]);
  const Scenario sc = LoadScenario(folder);
  if (sc.mode == "hang") Sleep(INFINITE);
  if (args.size() < 2) {
    PrintTo(STD_ERROR_HANDLE, "usage: start-server | shell COMMAND... | exec-out COMMAND... | pull REMOTE LOCAL\n");
    return 1;
  }
  const std::string& command = args[1];
  if (command == "kill-server") {
    DeleteFileW((folder + L"\\phone-server.txt").c_str());
    return 0;
  }
  StartServer(folder, sc, command == "start-server");
  if (command == "start-server") return 0;
  if (const int failed = DeviceState(sc)) return failed;
  if (command == "shell") return Shell(folder, sc, args);
  if (command == "exec-out") return ExecOut(folder, sc, args);
  if (command == "pull") return Pull(folder, sc, args);
  PrintTo(STD_ERROR_HANDLE, "adb: unknown command " + command + "\n");
  return 1;
}
