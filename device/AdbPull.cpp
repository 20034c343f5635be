#include "AdbPull.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

const char kAdbClientFileName[] = "quillfen-retrievo-adb-help.exe";

namespace {

// Argument texts appended to the quoted client path; the two pulls end with the space that
// separates them from the destination.
const char kChmodContacts[] =
    " shell su root chmod 777 /data/data/com.android.providers.contacts/databases/contacts2.db";
const char kChmodSms[] =
    " shell su root chmod 777 /data/data/com.android.providers.telephony/databases/mmssms.db";
const char kPullSms[] = " pull /data/data/com.android.providers.telephony/databases/mmssms.db ";
const char kPullContacts[] =
    " pull /data/data/com.android.providers.contacts/databases/contacts2.db ";

const char kContactsRemote[] = "/data/data/com.android.providers.contacts/databases/contacts2.db";
const char kSmsRemote[] = "/data/data/com.android.providers.telephony/databases/mmssms.db";
// Android 7 and later keep the telephony provider's files in device-protected storage.
const char kSmsRemoteDeviceProtected[] =
    "/data/user_de/0/com.android.providers.telephony/databases/mmssms.db";

// The files SQLite keeps beside a database between checkpoints or during a transaction.
const char* const kSideFileSuffixes[] = {"-wal", "-journal"};

std::string ClientToken(const std::string& programFolder) {
  // A Windows path cannot contain a quote, so wrapping the client path is enough; quoting it
  // keeps CreateProcess from trying "C:\Program.exe" for a folder with blanks.
  return "\"" + programFolder + "\\" + kAdbClientFileName + "\"";
}

bool LocalFileExists(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  // Backslashes are literal unless they precede a quote; those before a quote (or before the
  // closing quote) are doubled.
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

std::vector<std::string> BuildPullCommandLines(const std::string& programFolder,
                                               const std::string& contactsDb,
                                               const std::string& smsDb) {
  const std::string client = ClientToken(programFolder);
  return {
      client + kChmodContacts,
      client + kChmodSms,
      client + kPullSms + QuoteArgument(smsDb),
      client + kPullContacts + QuoteArgument(contactsDb),
  };
}

std::vector<std::string> BuildFetchCommandLines(const std::string& programFolder,
                                                const std::string& remotePath,
                                                const std::string& localPath) {
  const std::string client = ClientToken(programFolder);
  return {
      client + " shell su root chmod 777 " + remotePath,
      client + " pull " + remotePath + " " + QuoteArgument(localPath),
  };
}

std::vector<std::string> BuildSideFileCommandLines(const std::string& programFolder,
                                                   const std::string& remoteDb,
                                                   const std::string& localCopy) {
  std::vector<std::string> lines;
  for (const char* suffix : kSideFileSuffixes) {
    for (std::string& line :
         BuildFetchCommandLines(programFolder, remoteDb + suffix, localCopy + suffix)) {
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

std::string ProgramFolder() {
  // GetModuleFileNameA cuts the name to the buffer without failing, so grow until it fits.
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size() - 1 || buf.size() >= 65536) {
      std::string path(buf.data(), n);
      size_t slash = path.find_last_of("\\/");
      return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    buf.resize(buf.size() * 2);
  }
}

namespace {
// Every client runs in one job object that ends its processes when the program ends: when
// the window closes during a pull, the pull thread does not outlive the program, and nothing
// else would end a client it had just started, which would then go on writing into the
// copies' folders after the program is gone. The handle is closed only by the end of the
// process, which is what ends the clients.
HANDLE ClientJob() {
  static const HANDLE job = [] {
    HANDLE created = CreateJobObjectA(nullptr, nullptr);
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
}  // namespace

int RunAdbCommand(const std::string& commandLine, DWORD timeoutMs) {
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  si.wShowWindow = 0;
  si.dwFlags = 0;
  // CreateProcessA may write into the command line, so hand it a private copy.
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                      nullptr, nullptr, &si, &pi)) {
    return 0;
  }
  // Joined before it runs, so it cannot start children of its own outside the job. Where
  // the job cannot be had, the client still runs, as before.
  if (HANDLE job = ClientJob()) AssignProcessToJobObject(job, pi.hProcess);
  ResumeThread(pi.hThread);
  if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 0);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 1;
}

bool KillAdbProcesses() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  const DWORD self = GetCurrentProcessId();
  bool lastOutcome = false;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    // Some systems report a full path here; compare the file name only.
    const char* name = entry.szExeFile;
    if (const char* slash = std::strrchr(name, '\\')) name = slash + 1;
    if (_stricmp(name, kAdbClientFileName) != 0 || entry.th32ProcessID == self) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    // A process that was opened but could not be ended counts as a failure too.
    lastOutcome = process != nullptr && TerminateProcess(process, 0) != FALSE;
    if (lastOutcome) {
      std::printf("hCurrentProcess is terminate.\n");
    } else {
      std::printf("hCurrentProcess is invalid: %lu\n", entry.th32ProcessID);
    }
    std::fflush(stdout);
    if (process != nullptr) CloseHandle(process);
  }
  CloseHandle(snapshot);
  return lastOutcome;
}

DWORD WINAPI PullThreadProc(LPVOID param) {
  std::unique_ptr<PullJob> job(static_cast<PullJob*>(param));
  if (!job) return 1;
  Sleep(job->startDelayMs);
  const std::string folder = job->programFolder.empty() ? ProgramFolder() : job->programFolder;
  // Each step runs whether or not the earlier ones worked; the window judges by the files.
  for (const std::string& commandLine : BuildPullCommandLines(folder, job->contactsDb, job->smsDb)) {
    RunAdbCommand(commandLine, job->stepTimeoutMs);
  }
  // A side file left from another pull would be read as this database's log or journal; only
  // what this pull brings may lie beside the copies.
  auto pullSideFiles = [&](const char* remoteDb, const std::string& localCopy) {
    for (const char* suffix : kSideFileSuffixes) DeleteFileA((localCopy + suffix).c_str());
    for (const std::string& commandLine : BuildSideFileCommandLines(folder, remoteDb, localCopy)) {
      RunAdbCommand(commandLine, job->stepTimeoutMs);
    }
  };
  pullSideFiles(kContactsRemote, job->contactsDb);
  const char* smsRemote = kSmsRemote;
  if (!LocalFileExists(job->smsDb)) {
    smsRemote = kSmsRemoteDeviceProtected;
    for (const std::string& commandLine : BuildFetchCommandLines(folder, smsRemote, job->smsDb)) {
      RunAdbCommand(commandLine, job->stepTimeoutMs);
    }
  }
  pullSideFiles(smsRemote, job->smsDb);
  PostMessageA(job->hwndNotify, WM_PULL_DONE, 1, 0);
  return 1;
}

HANDLE StartPullThread(HWND hwndNotify, const std::string& contactsDb, const std::string& smsDb) {
  PullJob* job = new PullJob;
  job->hwndNotify = hwndNotify;
  job->contactsDb = contactsDb;
  job->smsDb = smsDb;
  HANDLE thread = CreateThread(nullptr, 0, PullThreadProc, job, 0, nullptr);
  if (thread == nullptr) delete job;
  return thread;
}
