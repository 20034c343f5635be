// The client process itself: what it says and its exit code come through pipes, it
// inherits nothing but them, it is ended by the cut-offs and the cancel, left-over clients
// are ended only when they are this program's own, and the window's way of starting a
// pull works from any program folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <io.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ClientProcess.h"
#include "EmulatedPhone.h"
#include "Handles.h"
#include "WindowsTestFiles.h"

namespace {

using testfiles::Argument;
using testfiles::ReadFile;
using testfiles::TempFolder;

ClientRunner Runner(const std::string& folder, HANDLE cancel = nullptr) {
  return ClientRunner(Wide(folder + "\\" + kAdbClientFileName), cancel);
}

std::vector<std::wstring> Args(std::initializer_list<const char*> words) {
  std::vector<std::wstring> args;
  for (const char* w : words) args.push_back(Wide(w));
  return args;
}

// Starts a process of `exe` that hangs (its scenario says so).
PROCESS_INFORMATION StartHanging(const std::string& exe) {
  std::string cmd = "\"" + exe + "\" shell";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  EXPECT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
  return pi;
}

// Captures what the calling thread writes to the standard output while `fn` runs.
template <typename F>
std::string CaptureStdout(F fn) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string path = std::string(tmp) + "retrievo-stdout-" + std::to_string(GetCurrentProcessId()) + ".txt";
  std::fflush(stdout);
  const int saved = _dup(_fileno(stdout));
  FILE* f = std::fopen(path.c_str(), "wb");
  _dup2(_fileno(f), _fileno(stdout));
  fn();
  std::fflush(stdout);
  _dup2(saved, _fileno(stdout));
  _close(saved);
  std::fclose(f);
  std::string text = ReadFile(path);
  DeleteFileA(path.c_str());
  return text;
}

}  // namespace

TEST(ClientRun, OutputErrorsAndExitCodeComeThroughPipes) {
  TempFolder dir("pipes");
  EmulatedPhone phone(dir.path(), "");
  ClientRunner runner = Runner(dir.path());
  const ClientRun id = runner.Run(Args({"shell", "su", "-c", "id"}), {5000, 0});
  EXPECT_EQ(id.end, ClientRun::End::kExited);
  EXPECT_EQ(id.exitCode, 0u);
  EXPECT_EQ(id.out.compare(0, 12, "uid=0(root) "), 0) << id.out;
  const ClientRun refused = runner.Run(Args({"shell", "cat", "/data/data/x"}), {5000, 0});
  EXPECT_EQ(refused.exitCode, 1u);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "cat: /data/data/x: Permission denied\n");

  const ClientRun missing = Runner(dir.path() + "\\nowhere").Run(Args({"start-server"}), {5000, 0});
  EXPECT_EQ(missing.end, ClientRun::End::kNotStarted);
  EXPECT_NE(missing.startError, 0u);

  // The names of the next run's pipes held already, as by a pipe of an ended process with
  // this one's id that its client keeps open: the run takes other names.
  ClientRunner fresh = Runner(dir.path());
  const std::wstring taken = L"\\\\.\\pipe\\quillfen-retrievo-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetCurrentThreadId()) + L"-" +
                             std::to_wstring(reinterpret_cast<uintptr_t>(&fresh)) + L"-1-out";
  winframe::CHandle holder(CreateNamedPipeW(taken.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr));
  ASSERT_TRUE(holder.IsValid());
  const ClientRun despite = fresh.Run(Args({"shell", "su", "-c", "id"}), {5000, 0});
  EXPECT_EQ(despite.end, ClientRun::End::kExited);
  EXPECT_EQ(despite.out.compare(0, 12, "uid=0(root) "), 0) << despite.out;
}

// An inheritable handle of the program (a copy's file, another pipe) never reaches the
// client; the same handle does reach a process started the usual way, so the probe works.
TEST(ClientRun, TheClientInheritsOnlyItsPipes) {
  TempFolder dir("inherit");
  EmulatedPhone phone(dir.path(), "");
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  // A semaphore of a count the probe knows, so no other handle with its number passes for it.
  HANDLE semaphore = CreateSemaphoreW(&inherit, 7, 100, nullptr);
  ASSERT_NE(semaphore, nullptr);
  const std::string value = std::to_string(reinterpret_cast<uintptr_t>(semaphore));
  const ClientRun run = Runner(dir.path()).Run({L"probe-handle", Wide(value)}, {5000, 0});
  EXPECT_EQ(run.out, "closed\n");

  const std::string out = dir.path() + "\\probe.txt";
  HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  std::string cmd = "\"" + dir.path() + "\\" + kAdbClientFileName + "\" probe-handle " + value;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = file;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(file);
  CloseHandle(semaphore);
  EXPECT_EQ(ReadFile(out), "open\n");
}

TEST(ClientRun, CutOffsAndTheCancelEndTheClient) {
  TempFolder dir("cutoff");
  EmulatedPhone phone(dir.path(), "mode = hang\n");
  DWORD start = GetTickCount();
  const ClientRun hung = Runner(dir.path()).Run(Args({"start-server"}), {1000, 0});
  EXPECT_EQ(hung.end, ClientRun::End::kCutOff);
  EXPECT_GE(GetTickCount() - start, 950u);
  EXPECT_LT(GetTickCount() - start, 3000u);

  // A stream that stops: ended after the idle limit, what came is kept.
  phone.SetScenario("stall-after = 70000\n");
  phone.Put("/data/local/tmp/big", NoiseBytes(1, 200000));
  struct Bytes : ByteSink {
    std::string got;
    bool Write(const char* data, size_t n) override {
      got.append(data, n);
      return true;
    }
  } sink;
  start = GetTickCount();
  const ClientRun stalled =
      Runner(dir.path()).Run(Args({"exec-out", "cat", "/data/local/tmp/big"}), {60000, 800}, &sink);
  EXPECT_EQ(stalled.end, ClientRun::End::kCutOff);
  EXPECT_EQ(sink.got, NoiseBytes(1, 200000).substr(0, 70000));
  EXPECT_LT(GetTickCount() - start, 4000u);

  // The cancel event ends a client that would never end by itself.
  phone.SetScenario("mode = hang\n");
  HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::unique_ptr<void, decltype(&CloseHandle)> closeCancel(cancel, &CloseHandle);
  std::thread timer([cancel] {
    Sleep(300);
    SetEvent(cancel);
  });
  start = GetTickCount();
  const ClientRun cancelled = Runner(dir.path(), cancel).Run(Args({"start-server"}), {60000, 0});
  EXPECT_EQ(cancelled.end, ClientRun::End::kCancelled);
  EXPECT_LT(GetTickCount() - start, 2000u);
  timer.join();
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000)) << "a client outlived its cut-off";
}

TEST(KillClients, EndsOnlyThisProgramsOwnClient) {
  TempFolder dir("kill");
  const std::string ours = dir.path() + "\\ours";
  const std::string other = dir.path() + "\\other";
  CreateDirectoryA(ours.c_str(), nullptr);
  CreateDirectoryA(other.c_str(), nullptr);
  EmulatedPhone ourPhone(ours, "mode = hang\n");
  EmulatedPhone otherPhone(other, "mode = hang\n");
  EmulatedPhone otherName(ours, "mode = hang\n", "phone-emulator.exe");
  std::vector<PROCESS_INFORMATION> procs = {
      StartHanging(ours + "\\" + kAdbClientFileName), StartHanging(ours + "\\" + kAdbClientFileName),
      StartHanging(other + "\\" + kAdbClientFileName), StartHanging(ours + "\\phone-emulator.exe")};
  for (int i = 0; i < 100 && CountClientProcesses(dir.path()) < 4; ++i) Sleep(50);
  ASSERT_EQ(CountClientProcesses(dir.path()), 4);

  bool result = false;
  // Another letter case of the same path is the same file.
  std::string path = ours + "\\QUILLFEN-RETRIEVO-ADB-HELP.EXE";
  const std::string out = CaptureStdout([&] { result = KillClientProcesses(Wide(path)); });
  EXPECT_TRUE(result);
  EXPECT_EQ(out, "hCurrentProcess is terminate.\nhCurrentProcess is terminate.\n");
  EXPECT_EQ(WaitForSingleObject(procs[0].hProcess, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(procs[1].hProcess, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(procs[2].hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "another folder's client";
  EXPECT_EQ(WaitForSingleObject(procs[3].hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "another file name";

  const std::string again = CaptureStdout([&] { result = KillClientProcesses(Wide(path)); });
  EXPECT_FALSE(result);
  EXPECT_EQ(again, "");
  for (PROCESS_INFORMATION& pi : procs) {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

// The window's start: the probe copied into a long folder with blanks finds the client
// beside itself; a decoy "Program.exe" where an unquoted path would lead is never started.
TEST(PullFromProgramFolder, BlanksAndLongPathsReachTheClientWhole) {
  TempFolder dir("folder");
  EmulatedPhone decoy(dir.path(), "", "Program.exe");
  std::string folder = dir.path() + "\\Program Files\\Quillfen Retrievo";
  while (folder.size() < 150) folder += "\\Sub Folder";
  for (size_t i = 3; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '\\') CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  }
  EmulatedPhone phone(folder, "");
  const char contactsPath[] = "/data/data/com.android.providers.contacts/databases/contacts2.db";
  phone.Put(contactsPath, DatabaseBytes(1, 10, false));
  const std::string probe = folder + "\\device-pull-probe.exe";
  ASSERT_TRUE(CopyFileA(Argument("probe").c_str(), probe.c_str(), FALSE));
  std::string dest = dir.path() + "\\copies with blanks";
  while (dest.size() < 230) dest += "\\deeper-destination";
  for (size_t i = 3; i <= dest.size(); ++i) {
    if (i == dest.size() || dest[i] == '\\') CreateDirectoryA(dest.substr(0, i).c_str(), nullptr);
  }
  const std::string contacts = dest + "\\contacts2.db";

  std::string cmd = "\"" + probe + "\" \"" + contacts + "\" \"" + dest + "\\mmssms.db\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(code, 0u) << "the probe saw no proper WM_PULL_DONE";
  EXPECT_TRUE(decoy.Commands().empty()) << "\"Program.exe\" was started";
  EXPECT_TRUE(SameFiles(phone.Local(contactsPath), contacts));
}

// A program that ends in the middle of a pull (its window was closed) takes the client it
// was waiting for with it: nothing would end that client otherwise.
TEST(PullFromProgramFolder, ClientsEndWithTheProgram) {
  TempFolder dir("ended");
  EmulatedPhone phone(dir.path(), "mode = hang\n");
  const std::string probe = dir.path() + "\\device-pull-probe.exe";
  ASSERT_TRUE(CopyFileA(Argument("probe").c_str(), probe.c_str(), FALSE));
  std::string cmd = "\"" + probe + "\" " + dir.path() + "\\contacts2.db " + dir.path() + "\\mmssms.db --now";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  for (int i = 0; i < 200 && CountClientProcesses(dir.path()) < 2; ++i) Sleep(50);
  ASSERT_EQ(CountClientProcesses(dir.path()), 2) << "the probe and its hanging client";
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000)) << "a client outlived the program that started it";
}
