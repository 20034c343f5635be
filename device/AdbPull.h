// Pull of the phone's two databases through the Android Debug Bridge client that lies in the
// program folder, and the clean-up of left-over client processes.
//
// How it works: the main window starts PullThreadProc on a worker thread with a PullJob
// (StartPullThread does both). The worker owns the job and frees it at its end; it touches
// no window state. It waits 5 seconds and runs four client commands in a fixed order (two
// chmod through "su", two pulls). Then it fetches the side files of both databases ("-wal"
// and "-journal", each made readable and pulled beside its copy, after removing any left
// there by an earlier pull) and, when no messages copy arrived, the messages database of
// Android 7 and later from device-protected storage with its side files. Every command is cut
// off after 3 seconds whether or not it worked, and there are at most 14 of them, so even a
// client that never returns ends the pull within 5 + 42 seconds. At the end the worker posts
// WM_PULL_DONE (wParam 1) to the window. Success is judged afterwards by the window, by
// looking whether the local copies exist. Posting to a window that is gone just fails, so a
// worker that outlives the window ends harmlessly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Posted by the pull thread to the window when all its commands have run.
#ifndef WM_PULL_DONE
#define WM_PULL_DONE (WM_USER + 111)
#endif

// File name of the bridge client beside the program.
extern const char kAdbClientFileName[];

// What one pull needs. PullThreadProc takes ownership of a job allocated with new.
struct PullJob {
  HWND hwndNotify = nullptr;   // receives WM_PULL_DONE
  std::string contactsDb;      // local path of the contacts2.db copy
  std::string smsDb;           // local path of the mmssms.db copy
  std::string programFolder;   // folder of the client; empty = folder of the running program
  DWORD startDelayMs = 5000;   // wait before the first command
  DWORD stepTimeoutMs = 3000;  // cut-off of each command
};

// Starts PullThreadProc for a new job; returns the thread handle (the caller closes it) or
// null when the thread could not be started (the job is then freed here).
HANDLE StartPullThread(HWND hwndNotify, const std::string& contactsDb, const std::string& smsDb);

// Thread procedure; `param` is a PullJob* allocated with new, freed here. Returns 1.
DWORD WINAPI PullThreadProc(LPVOID param);

// Runs one client command line, waits at most `timeoutMs` and then terminates the client.
// Returns 1 if the process could be started, 0 if not.
int RunAdbCommand(const std::string& commandLine, DWORD timeoutMs = 3000);

// Ends every running process named like the client, whatever the letter case, writing one
// trace line per match to the standard output. Returns the outcome of the last match
// (false when there was none).
bool KillAdbProcesses();

// Folder of the running program, without a trailing backslash; no length limit.
std::string ProgramFolder();

// The four command lines of one pull, in the order they run. The client path is quoted as
// the first token; a destination path is quoted only when it contains blanks or quotes, so
// the client receives exactly the arguments of the fixed command texts.
std::vector<std::string> BuildPullCommandLines(const std::string& programFolder,
                                               const std::string& contactsDb,
                                               const std::string& smsDb);

// The two commands that fetch one phone file: "shell su root chmod 777 REMOTE", then
// "pull REMOTE LOCAL", in the forms of the four fixed commands.
std::vector<std::string> BuildFetchCommandLines(const std::string& programFolder,
                                                const std::string& remotePath,
                                                const std::string& localPath);

// The fetch commands of a database's side files, "-wal" then "-journal": each phone file is
// the database's path with the suffix, each local file the copy's path with the suffix.
std::vector<std::string> BuildSideFileCommandLines(const std::string& programFolder,
                                                   const std::string& remoteDb,
                                                   const std::string& localCopy);

// One command-line argument in the quoting that CommandLineToArgvW and the C runtime undo.
std::string QuoteArgument(const std::string& arg);
