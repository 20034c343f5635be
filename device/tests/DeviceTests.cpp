// Tests of the pull: command lines, the cut-off of hanging clients, the end message, and the
// clean-up of client processes. The phone emulator plays the bridge client: each test copies
// it under the client's file name into a fresh folder and reads the command lines it logged.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "AdbPull.h"
#include "WindowsTestFiles.h"

namespace {

using testfiles::Argument;
using testfiles::ReadFile;
using testfiles::TempFolder;

const char kChmodContacts[] =
    "shell su root chmod 777 /data/data/com.android.providers.contacts/databases/contacts2.db";
const char kChmodSms[] =
    "shell su root chmod 777 /data/data/com.android.providers.telephony/databases/mmssms.db";
const char kPullSms[] = "pull /data/data/com.android.providers.telephony/databases/mmssms.db";
const char kPullContacts[] = "pull /data/data/com.android.providers.contacts/databases/contacts2.db";
const char kPhoneContacts[] = "phone\\data\\data\\com.android.providers.contacts\\databases\\contacts2.db";
const char kPhoneSms[] = "phone\\data\\data\\com.android.providers.telephony\\databases\\mmssms.db";
const char kContactsRemote[] = "/data/data/com.android.providers.contacts/databases/contacts2.db";
const char kSmsRemote[] = "/data/data/com.android.providers.telephony/databases/mmssms.db";
const char kSmsRemoteUserDe[] =
    "/data/user_de/0/com.android.providers.telephony/databases/mmssms.db";

bool FileExists(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  for (size_t i = 3; i < path.size(); ++i) {
    if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
  std::ofstream(path, std::ios::binary) << bytes;
}

void ExpectSameBytes(const std::string& path, const std::string& expected) {
  const std::string got = ReadFile(path);
  EXPECT_EQ(got.size(), expected.size()) << path;
  EXPECT_TRUE(got == expected) << path << " differs from the phone's file";
}

// Sample phone content: distinct bytes per database so a swapped pull shows.
std::string PhoneBytes(char tag, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(tag + i % 7);
  return s;
}

// Puts the emulator into `folder` under `exeName` with both databases and a scenario.
void InstallPhone(const std::string& folder, const std::string& scenario,
                  const std::string& exeName = kAdbClientFileName) {
  const std::string emulator = Argument("emulator");
  ASSERT_FALSE(emulator.empty()) << "--emulator= missing";
  ASSERT_TRUE(CopyFileA(emulator.c_str(), (folder + "\\" + exeName).c_str(), FALSE)) << folder;
  WriteFile(folder + "\\" + kPhoneContacts, PhoneBytes('C', 40000));
  WriteFile(folder + "\\" + kPhoneSms, PhoneBytes('S', 30000));
  WriteFile(folder + "\\phone-scenario.txt", scenario);
}

// Where a phone path lies in the emulator's folder.
std::string PhoneLocal(const std::string& folder, const std::string& remote) {
  std::string local = folder + "\\phone" + remote;
  for (char& c : local) {
    if (c == '/') c = '\\';
  }
  return local;
}

void PutPhoneFile(const std::string& folder, const std::string& remote, const std::string& bytes) {
  WriteFile(PhoneLocal(folder, remote), bytes);
}

// The phone of Android 7 and later: the messages database only in device-protected storage.
void MoveSmsToDeviceProtectedStorage(const std::string& folder) {
  const std::string bytes = ReadFile(folder + "\\" + kPhoneSms);
  ASSERT_TRUE(DeleteFileA((folder + "\\" + kPhoneSms).c_str()));
  PutPhoneFile(folder, kSmsRemoteUserDe, bytes);
}

struct Invocation {
  std::string raw;                // command line as the client received it
  std::vector<std::string> args;  // its arguments after the program
  std::string joined() const {
    std::string s;
    for (const std::string& a : args) s += (s.empty() ? "" : " ") + a;
    return s;
  }
};

std::vector<Invocation> ReadLog(const std::string& folder) {
  std::vector<Invocation> log;
  std::istringstream in(ReadFile(folder + "\\phone-emulator.log"));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 2, "> ") == 0) {
      log.push_back({line.substr(2), {}});
    } else if (line.compare(0, 2, "| ") == 0 && !log.empty()) {
      log.back().args.push_back(line.substr(2));
    }
  }
  return log;
}

// Clients started from below `folder` (other tests may run clients at the same time).
int CountClientProcesses(const std::string& folder) {
  int n = 0;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 e;
  e.dwSize = sizeof(e);
  for (BOOL ok = Process32First(snap, &e); ok; ok = Process32Next(snap, &e)) {
    if (_stricmp(e.szExeFile, kAdbClientFileName) != 0) continue;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID);
    if (h == nullptr) continue;
    char image[1024];
    DWORD size = sizeof(image);
    if (QueryFullProcessImageNameA(h, 0, image, &size) &&
        _strnicmp(image, folder.c_str(), folder.size()) == 0) {
      ++n;
    }
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

// Runs PullThreadProc on a worker as the window does and waits for WM_PULL_DONE on a
// message-only window of this thread. Returns the seconds until it arrived, or -1.
struct PullOutcome {
  double seconds = -1;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

PullOutcome RunPull(const std::string& programFolder, const std::string& contactsDb,
                    const std::string& smsDb, DWORD startDelayMs = 5000) {
  PullOutcome out;
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  PullJob* job = new PullJob;
  job->hwndNotify = window;
  job->contactsDb = contactsDb;
  job->smsDb = smsDb;
  job->programFolder = programFolder;
  job->startDelayMs = startDelayMs;
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  HANDLE thread = CreateThread(nullptr, 0, PullThreadProc, job, 0, nullptr);
  const DWORD deadline = GetTickCount() + 70000;
  while (out.seconds < 0 && static_cast<LONG>(deadline - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_PULL_DONE && msg.hwnd == window) {
        QueryPerformanceCounter(&now);
        out.seconds = static_cast<double>(now.QuadPart - start.QuadPart) / freq.QuadPart;
        out.wParam = msg.wParam;
        out.lParam = msg.lParam;
      }
    }
  }
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  DestroyWindow(window);
  return out;
}

// Splits a command line the way the system's own parser does.
std::vector<std::string> ParseCommandLine(const std::string& cmd) {
  std::wstring w(cmd.begin(), cmd.end());
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(w.c_str(), &n);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) {
    std::wstring a = argv[i];
    out.emplace_back(a.begin(), a.end());
  }
  LocalFree(argv);
  return out;
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

// ---- Command lines --------------------------------------------------------------------------

TEST(CommandLine, FourStepsInOrderWithQuotedClient) {
  const std::vector<std::string> cmds = BuildPullCommandLines(
      "C:\\Program Files\\Quillfen Retrievo", "C:\\Quillfen\\contacts2.db",
      "C:\\quillfen-retrievo\\mmssms.db");
  const std::string client = "\"C:\\Program Files\\Quillfen Retrievo\\quillfen-retrievo-adb-help.exe\" ";
  ASSERT_EQ(cmds.size(), 4u);
  EXPECT_EQ(cmds[0], client + kChmodContacts);
  EXPECT_EQ(cmds[1], client + kChmodSms);
  EXPECT_EQ(cmds[2], client + kPullSms + " C:\\quillfen-retrievo\\mmssms.db");
  EXPECT_EQ(cmds[3], client + kPullContacts + " C:\\Quillfen\\contacts2.db");
}

TEST(CommandLine, LongPathsAreKeptWholeAndParseBack) {
  // Far beyond 260 characters in all: a long folder and a long destination.
  std::string folder = "C:\\Program Files";
  while (folder.size() < 300) folder += "\\Quillfen Retrievo Folder";
  std::string dest = "D:";
  while (dest.size() < 400) dest += "\\long-destination-folder";
  const std::string contacts = dest + "\\contacts2.db";
  const std::string sms = dest + "\\mmssms.db";
  const std::vector<std::string> cmds = BuildPullCommandLines(folder, contacts, sms);
  const std::string client = folder + "\\" + kAdbClientFileName;
  const std::vector<std::vector<std::string>> expected = {
      {client, "shell", "su", "root", "chmod", "777", "/data/data/com.android.providers.contacts/databases/contacts2.db"},
      {client, "shell", "su", "root", "chmod", "777", "/data/data/com.android.providers.telephony/databases/mmssms.db"},
      {client, "pull", "/data/data/com.android.providers.telephony/databases/mmssms.db", sms},
      {client, "pull", "/data/data/com.android.providers.contacts/databases/contacts2.db", contacts},
  };
  ASSERT_EQ(cmds.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(ParseCommandLine(cmds[i]), expected[i]) << cmds[i];
}

TEST(CommandLine, DestinationsWithBlanksOrQuotesStayOneArgument) {
  for (const std::string& dest : {std::string("C:\\My Copies\\contacts2.db"),
                                 std::string("C:\\dir with trailing\\"),
                                 std::string("C:\\odd\"name\\x.db"), std::string("")}) {
    const std::vector<std::string> cmds = BuildPullCommandLines("C:\\p", dest, dest);
    const std::vector<std::string> args = ParseCommandLine(cmds[3]);
    ASSERT_EQ(args.size(), 4u) << cmds[3];
    EXPECT_EQ(args[3], dest);
  }
}

TEST(CommandLine, SideFilesAreFetchedInTheFormsOfTheFixedCommands) {
  const std::string remote = "/data/user_de/0/com.android.providers.telephony/databases/mmssms.db";
  const std::string copy = "C:\\My Copies\\mmssms.db";
  const std::vector<std::string> cmds = BuildSideFileCommandLines("C:\\p q", remote, copy);
  const std::string client = "C:\\p q\\quillfen-retrievo-adb-help.exe";
  const std::vector<std::vector<std::string>> expected = {
      {client, "shell", "su", "root", "chmod", "777", remote + "-wal"},
      {client, "pull", remote + "-wal", copy + "-wal"},
      {client, "shell", "su", "root", "chmod", "777", remote + "-journal"},
      {client, "pull", remote + "-journal", copy + "-journal"},
  };
  ASSERT_EQ(cmds.size(), expected.size());
  for (size_t i = 0; i < cmds.size(); ++i) {
    EXPECT_EQ(ParseCommandLine(cmds[i]), expected[i]) << cmds[i];
  }
  EXPECT_EQ(cmds[0], "\"" + client + "\" shell su root chmod 777 " + remote + "-wal");
}

// ---- RunAdbCommand ---------------------------------------------------------------------------

TEST(RunAdbCommand, MissingClientReportsFailure) {
  TempFolder dir("missing");
  EXPECT_EQ(RunAdbCommand("\"" + dir.path() + "\\" + kAdbClientFileName + "\" shell su root chmod 777 /x"), 0);
}

TEST(RunAdbCommand, HungClientIsEndedAfterTheTimeout) {
  TempFolder dir("hung");
  InstallPhone(dir.path(), "mode = hang\n");
  const DWORD start = GetTickCount();
  EXPECT_EQ(RunAdbCommand("\"" + dir.path() + "\\" + kAdbClientFileName + "\" pull /a b"), 1);
  const DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 2900u);
  EXPECT_LT(took, 4500u);
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000)) << "the hung client is still running";
}

// ---- KillAdbProcesses ------------------------------------------------------------------------

TEST(KillAdbProcesses, EndsEveryLetterCaseOfTheClientAndNothingElse) {
  TempFolder dir("kill");
  const std::vector<std::string> names = {kAdbClientFileName, "QUILLFEN-RETRIEVO-ADB-HELP.EXE",
                                          "Quillfen-Retrievo-Adb-Help.exe", "phone-emulator.exe"};
  std::vector<PROCESS_INFORMATION> procs;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string folder = dir.path() + "\\p" + std::to_string(i);
    CreateDirectoryA(folder.c_str(), nullptr);
    InstallPhone(folder, "mode = hang\n", names[i]);
    std::string cmd = "\"" + folder + "\\" + names[i] + "\" shell";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &si, &pi));
    procs.push_back(pi);
  }
  // Wait until the three clients are up.
  for (int i = 0; i < 100 && CountClientProcesses(dir.path()) < 3; ++i) Sleep(50);
  ASSERT_EQ(CountClientProcesses(dir.path()), 3);

  bool result = false;
  const std::string out = CaptureStdout([&] { result = KillAdbProcesses(); });
  EXPECT_TRUE(result);
  EXPECT_EQ(out, "hCurrentProcess is terminate.\n"
                 "hCurrentProcess is terminate.\n"
                 "hCurrentProcess is terminate.\n");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(WaitForSingleObject(procs[i].hProcess, 5000), WAIT_OBJECT_0) << names[i];
  }
  EXPECT_EQ(WaitForSingleObject(procs[3].hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "a process of another name was ended";

  // Nothing left to end: false and no trace.
  const std::string again = CaptureStdout([&] { result = KillAdbProcesses(); });
  EXPECT_FALSE(result);
  EXPECT_EQ(again, "");

  for (PROCESS_INFORMATION& pi : procs) {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

// ---- PullThreadProc --------------------------------------------------------------------------

// Every command of one pull, in order: the four fixed ones, the contacts database's side
// files, then the messages database's side files, or, when no messages copy arrived from the
// old location, the messages database of device-protected storage and its side files.
std::vector<std::string> ExpectedPull(const std::string& client, const std::string& contacts,
                                      const std::string& sms, bool smsFromUserDe) {
  auto chmod = [&](const std::string& remote) {
    return client + "shell su root chmod 777 " + remote;
  };
  auto pull = [&](const std::string& remote, const std::string& local) {
    return client + "pull " + remote + " " + local;
  };
  std::vector<std::string> cmds = {client + kChmodContacts, client + kChmodSms,
                                   client + kPullSms + " " + sms,
                                   client + kPullContacts + " " + contacts};
  auto sides = [&](const std::string& remote, const std::string& local) {
    for (const char* suffix : {"-wal", "-journal"}) {
      cmds.push_back(chmod(remote + suffix));
      cmds.push_back(pull(remote + suffix, local + suffix));
    }
  };
  sides(kContactsRemote, contacts);
  if (smsFromUserDe) {
    cmds.push_back(chmod(kSmsRemoteUserDe));
    cmds.push_back(pull(kSmsRemoteUserDe, sms));
    sides(kSmsRemoteUserDe, sms);
  } else {
    sides(kSmsRemote, sms);
  }
  return cmds;
}

std::vector<std::string> RawLog(const std::string& folder) {
  std::vector<std::string> raw;
  for (const Invocation& inv : ReadLog(folder)) raw.push_back(inv.raw);
  return raw;
}

TEST(PullOrder, FixedCommandsFirstThenSideFilesThenDoneMessage) {
  TempFolder dir("order");
  InstallPhone(dir.path(), "mode = normal\n");
  // The SMS copy's folder does not exist yet: the client creates it.
  const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
  const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
  const PullOutcome done = RunPull(dir.path(), contacts, sms);
  ASSERT_GE(done.seconds, 0) << "no WM_PULL_DONE";
  EXPECT_GE(done.seconds, 4.9);
  EXPECT_LT(done.seconds, 12.0);
  EXPECT_EQ(done.wParam, 1u);
  EXPECT_EQ(done.lParam, 0);

  const std::string client = "\"" + dir.path() + "\\" + kAdbClientFileName + "\" ";
  const std::vector<Invocation> log = ReadLog(dir.path());
  EXPECT_EQ(RawLog(dir.path()), ExpectedPull(client, contacts, sms, false));
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0].joined(), kChmodContacts);
  EXPECT_EQ(log[2].joined(), std::string(kPullSms) + " " + sms);

  ExpectSameBytes(contacts, PhoneBytes('C', 40000));
  ExpectSameBytes(sms, PhoneBytes('S', 30000));
  // A phone without side files: the failed pulls leave nothing beside the copies.
  for (const char* suffix : {"-wal", "-journal"}) {
    EXPECT_FALSE(FileExists(contacts + suffix)) << suffix;
    EXPECT_FALSE(FileExists(sms + suffix)) << suffix;
  }
}

TEST(PullHang, ClientThatNeverReturnsIsCutOffAtEveryStepAndThePullEndsInAMinute) {
  TempFolder dir("hang");
  InstallPhone(dir.path(), "mode = hang\n");
  const PullOutcome done =
      RunPull(dir.path(), dir.path() + "\\out\\contacts2.db", dir.path() + "\\out2\\mmssms.db");
  ASSERT_GE(done.seconds, 0) << "no WM_PULL_DONE";
  // 5 s start delay, then 14 commands of 3 s each: nothing arrives, so the messages database
  // is tried in device-protected storage too.
  EXPECT_GE(done.seconds, 46.8);
  EXPECT_LT(done.seconds, 52.0);
  EXPECT_EQ(ReadLog(dir.path()).size(), 14u);
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000)) << "a cut-off client is still running";
  EXPECT_FALSE(FileExists(dir.path() + "\\out\\contacts2.db"));
}

TEST(PullMissingClient, DoneMessageAfterTheStartDelayAndNoCopies) {
  TempFolder dir("noclient");
  const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
  const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
  const PullOutcome done = RunPull(dir.path(), contacts, sms);
  ASSERT_GE(done.seconds, 0) << "no WM_PULL_DONE";
  EXPECT_GE(done.seconds, 4.9);
  EXPECT_LT(done.seconds, 7.0);
  EXPECT_EQ(done.wParam, 1u);
  EXPECT_FALSE(FileExists(contacts));
  EXPECT_FALSE(FileExists(sms));
}

// The phone's misbehaviours, without the start delay.
TEST(PullScenarios, NoPhoneNotRootedAndOneDatabaseMissing) {
  struct Case {
    const char* scenario;
    bool contactsPulled;
    bool smsPulled;
    size_t commands;  // 14 when the messages database is also looked for under user_de
  };
  const Case cases[] = {
      {"mode = no-device\n", false, false, 14},
      {"mode = not-rooted\n", false, false, 14},
      {"missing = /data/data/com.android.providers.telephony/databases/mmssms.db\n", true, false, 14},
      {"# a connected, rooted phone\nmode = normal\n", true, true, 12},
  };
  for (const Case& c : cases) {
    TempFolder dir("scenario");
    InstallPhone(dir.path(), c.scenario);
    const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
    const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
    const PullOutcome done = RunPull(dir.path(), contacts, sms, 0);
    EXPECT_GE(done.seconds, 0) << c.scenario;
    EXPECT_LT(done.seconds, 8.0) << c.scenario;
    EXPECT_EQ(ReadLog(dir.path()).size(), c.commands) << c.scenario;
    EXPECT_EQ(FileExists(contacts), c.contactsPulled) << c.scenario;
    EXPECT_EQ(FileExists(sms), c.smsPulled) << c.scenario;
  }
}

// Android 7 and later: no mmssms.db under /data/data, so it comes from user_de, in WAL mode
// here, with its log beside it; the contacts database has a journal.
TEST(PullLayouts, Android7MessagesFromDeviceProtectedStorageWithSideFiles) {
  TempFolder dir("android7");
  InstallPhone(dir.path(), "mode = normal\n");
  MoveSmsToDeviceProtectedStorage(dir.path());
  PutPhoneFile(dir.path(), std::string(kSmsRemoteUserDe) + "-wal", PhoneBytes('W', 70000));
  PutPhoneFile(dir.path(), std::string(kContactsRemote) + "-journal", PhoneBytes('J', 5000));
  const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
  const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
  const PullOutcome done = RunPull(dir.path(), contacts, sms, 0);
  ASSERT_GE(done.seconds, 0) << "no WM_PULL_DONE";
  const std::string client = "\"" + dir.path() + "\\" + kAdbClientFileName + "\" ";
  EXPECT_EQ(RawLog(dir.path()), ExpectedPull(client, contacts, sms, true));
  ExpectSameBytes(contacts, PhoneBytes('C', 40000));
  ExpectSameBytes(sms, PhoneBytes('S', 30000));
  ExpectSameBytes(sms + "-wal", PhoneBytes('W', 70000));
  ExpectSameBytes(contacts + "-journal", PhoneBytes('J', 5000));
  EXPECT_FALSE(FileExists(contacts + "-wal"));
  EXPECT_FALSE(FileExists(sms + "-journal"));
}

// Android 6 and earlier in WAL mode: both logs arrive beside the copies from /data/data, and
// user_de is not asked.
TEST(PullLayouts, WalModePhoneBringsBothLogs) {
  TempFolder dir("wal");
  InstallPhone(dir.path(), "mode = normal\n");
  PutPhoneFile(dir.path(), std::string(kContactsRemote) + "-wal", PhoneBytes('c', 33000));
  PutPhoneFile(dir.path(), std::string(kSmsRemote) + "-wal", PhoneBytes('s', 41000));
  const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
  const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
  const PullOutcome done = RunPull(dir.path(), contacts, sms, 0);
  ASSERT_GE(done.seconds, 0) << "no WM_PULL_DONE";
  const std::string client = "\"" + dir.path() + "\\" + kAdbClientFileName + "\" ";
  EXPECT_EQ(RawLog(dir.path()), ExpectedPull(client, contacts, sms, false));
  ExpectSameBytes(contacts + "-wal", PhoneBytes('c', 33000));
  ExpectSameBytes(sms + "-wal", PhoneBytes('s', 41000));
}

// Side files that do not belong to this pull never stay beside a copy: a log left by an
// earlier pull would be read with the new copy. A log without its database still arrives
// and ends nothing.
TEST(PullLayouts, StaleSideFilesAreReplacedAndALogWithoutItsDatabaseIsHarmless) {
  TempFolder dir("stale");
  InstallPhone(dir.path(), std::string("missing = ") + kSmsRemote + "\n");
  PutPhoneFile(dir.path(), std::string(kSmsRemote) + "-wal", PhoneBytes('s', 9000));
  PutPhoneFile(dir.path(), std::string(kSmsRemoteUserDe) + "-wal", PhoneBytes('u', 9000));
  const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
  const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
  WriteFile(contacts + "-wal", "left by an earlier pull");
  WriteFile(contacts + "-journal", "left by an earlier pull");
  const PullOutcome done = RunPull(dir.path(), contacts, sms, 0);
  ASSERT_GE(done.seconds, 0) << "no WM_PULL_DONE";
  EXPECT_EQ(ReadLog(dir.path()).size(), 14u);
  ExpectSameBytes(contacts, PhoneBytes('C', 40000));
  EXPECT_FALSE(FileExists(contacts + "-wal"));
  EXPECT_FALSE(FileExists(contacts + "-journal"));
  // No messages database anywhere: only the log of the user_de location, which was tried.
  EXPECT_FALSE(FileExists(sms));
  ExpectSameBytes(sms + "-wal", PhoneBytes('u', 9000));
}

TEST(PullSlow, PullSlowerThanTheCutOffLeavesAPartialFile) {
  TempFolder dir("slow");
  InstallPhone(dir.path(), "pull-ms = 8000\n");
  const std::string contacts = dir.path() + "\\Quillfen\\contacts2.db";
  const std::string sms = dir.path() + "\\quillfen-retrievo\\mmssms.db";
  const PullOutcome done = RunPull(dir.path(), contacts, sms, 0);
  ASSERT_GE(done.seconds, 0);
  EXPECT_GE(done.seconds, 5.8);
  EXPECT_LT(done.seconds, 11.0);  // and the quick side-file commands
  const std::string got = ReadFile(contacts);
  const std::string whole = PhoneBytes('C', 40000);
  EXPECT_GT(got.size(), 0u);
  EXPECT_LT(got.size(), whole.size());
  EXPECT_TRUE(got == whole.substr(0, got.size())) << "the partial copy is not a prefix";
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000));
}

// The program's own folder has blanks and is long, and so is the destination: the probe, a
// copy of the window's use of the pull, runs from there with the client beside it.
TEST(PullFromProgramFolder, BlanksAndLongPathsReachTheClientWhole) {
  TempFolder dir("folder");
  // An unquoted first token would make the system try "<dir>\Program.exe" first: a trap.
  InstallPhone(dir.path(), "mode = normal\n", "Program.exe");
  std::string folder = dir.path() + "\\Program Files\\Quillfen Retrievo";
  // Long, yet short enough for the phone files beside the client to stay under MAX_PATH.
  while (folder.size() < 150) folder += "\\Sub Folder";
  CreateDirectoryA((dir.path() + "\\Program Files").c_str(), nullptr);
  for (size_t i = 3; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '\\') CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
  }
  InstallPhone(folder, "mode = normal\n");
  const std::string probe = folder + "\\device-pull-probe.exe";
  ASSERT_TRUE(CopyFileA(Argument("probe").c_str(), probe.c_str(), FALSE));

  std::string dest = dir.path() + "\\copies";
  while (dest.size() < 230) dest += "\\deeper-destination";
  const std::string contacts = dest + "\\contacts2.db";
  const std::string sms = dest + "-sms\\mmssms.db";
  ASSERT_LT(contacts.size(), static_cast<size_t>(MAX_PATH));

  std::string cmd = "\"" + probe + "\" " + contacts + " " + sms;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(code, 0u) << "the probe saw no proper WM_PULL_DONE";
  EXPECT_FALSE(FileExists(dir.path() + "\\phone-emulator.log")) << "\"Program.exe\" was started";

  const std::vector<Invocation> log = ReadLog(folder);
  ASSERT_EQ(log.size(), 12u);
  const std::string client = "\"" + folder + "\\" + kAdbClientFileName + "\" ";
  EXPECT_GT(log[3].raw.size(), 260u);
  EXPECT_EQ(log[0].raw, client + kChmodContacts);
  EXPECT_EQ(log[2].raw, client + kPullSms + " " + sms);
  EXPECT_EQ(log[3].raw, client + kPullContacts + " " + contacts);
  EXPECT_EQ(log[3].joined(), std::string(kPullContacts) + " " + contacts);
  EXPECT_EQ(log[5].joined(), std::string("pull ") + kContactsRemote + "-wal " + contacts + "-wal");
  ExpectSameBytes(contacts, PhoneBytes('C', 40000));
  ExpectSameBytes(sms, PhoneBytes('S', 30000));
}

// A program that ends in the middle of a pull (its window was closed) takes the client it
// was waiting for with it: nothing would end that client otherwise.
TEST(PullFromProgramFolder, ClientsEndWithTheProgram) {
  TempFolder dir("ended");
  InstallPhone(dir.path(), "mode = hang\n");
  const std::string probe = dir.path() + "\\device-pull-probe.exe";
  ASSERT_TRUE(CopyFileA(Argument("probe").c_str(), probe.c_str(), FALSE));
  std::string cmd = "\"" + probe + "\" " + dir.path() + "\\c\\contacts2.db " + dir.path() + "\\s\\mmssms.db";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  // The first client starts after the 5 s delay and hangs.
  for (int i = 0; i < 200 && CountClientProcesses(dir.path()) < 1; ++i) Sleep(50);
  ASSERT_EQ(CountClientProcesses(dir.path()), 1);
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_TRUE(WaitForNoClients(dir.path(), 3000)) << "a client outlived the program that started it";
}
