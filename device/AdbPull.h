// Pull of the phone's two databases through the Android Debug Bridge client that lies in the
// program folder, and the clean-up of left-over client processes.
//
// How it works: the window starts a pull with StartPullThread, handing it the local paths
// of the copies and a PullStatus that both keep through a shared_ptr. The worker owns
// nothing of the window; what crosses threads is the status: the bytes copied so far and
// the stage (atomics the window may read at any time; WM_PULL_PROGRESS, posted at most
// five times a second while a copy grows, says when to look), the cancel request (an event
// the window sets on close or back; the worker then ends its client at once, deletes what
// it had copied and ends) and, at the end, the result, published before WM_PULL_DONE
// (wParam 1) is posted. A worker that outlives the window finds its posts failing and ends.
//
// The road on the phone:
//  1. "start-server" (15 s), so that the first phone command is not cut off while the
//     client starts its background server; then the Android version (getprop). Words of
//     the client about the connection (no device, unauthorized, offline) end the pull with
//     that cause, at this or any later step.
//  2. Phones before Android 5 get the old road first: the plain "pull" as the bridge's
//     shell user, which works where a database is readable without root. The old road
//     made the databases world-readable first ("su root chmod 777") and never put the mode
//     back. That step is gone rather than undone afterwards: a mode read and set back is
//     still a changed phone while the pull runs, and stays changed when the pull is cut
//     off. Every phone whose su could chmod can also read as root (steps 3 and 4), which
//     changes no mode at all; so no command of the pull changes a mode of the phone's files.
//  3. Root is found once, when first needed: "su -c id", "su 0 id", "su root id"; the first
//     that answers uid=0 is used for everything after. None: the phone is not rooted (no
//     su) or refused root.
//  4. As root each file is measured ("stat -c %s", or "ls -l" on toolboxes without stat)
//     and streamed binary-safe with "exec-out" and "su ... cat", the client's standard
//     output written through a pipe into the copy. Where exec-out is missing (client or
//     phone), the file is copied as root into a private folder under /data/local/tmp,
//     readable by the shell user only, pulled, and the folder deleted; nothing stays on the
//     phone (left-overs of an interrupted pull are removed by the next such copy).
//  5. A copy counts only when whole: as long as the phone's file, and for a database a
//     whole SQLite file (page count times page size; whole pages in write-ahead-log mode).
//     A short copy is tried once more; one that stays short is deleted (kIncomplete). The
//     write-ahead log and the journal are copied before their database, so that a
//     checkpoint between the copies cannot take frames the database copy lacks, and a
//     database's copies are kept together or not at all.
//
// Cut-offs: start-server 15 s; quick commands (getprop, stat, rm) 3 s; each su probe 20 s,
// the time a root manager gives its user to answer its prompt; a root copy inside the
// phone 5 minutes; a copy to this PC when it has not grown for 15 s or after 30 minutes in
// all. The copies are created new, never through a link, and the worker deletes every copy
// it made that did not arrive whole.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The worker posts WM_PULL_DONE (wParam 1) at its end, and WM_PULL_PROGRESS while copying,
// when the bytes copied have grown, at most five times a second: the numbers are in the
// PullStatus.
#include "WindowMessages.h"

// File name of the bridge client beside the program.
extern const char kAdbClientFileName[];

// Why a pull brought no whole copy of a database, or of all of them.
enum class PullFailure {
  kNone,
  kClientMissing,  // the client program is missing or cannot be started
  kClientFailed,   // the client did not start its server or did not answer
  kNoDevice,       // no phone is connected (or USB debugging is off)
  kUnauthorized,   // the phone has not accepted this PC's key
  kOffline,        // the phone is connected but does not answer
  kNotRooted,      // no su on the phone
  kRootRefused,    // su is there but refused root
  kReadRefused,    // reading a database was refused, even as root
  kNotFound,       // a database is not where Android keeps it
  kIncomplete,     // a copy did not arrive whole
  kLocalCopy,      // the copy could not be created on this PC
  kCancelled,      // the window asked the pull to stop
};

// The English sentence of the failure page for each cause ("" for kNone).
const wchar_t* PullFailureText(PullFailure failure);

enum class PullStage { kWaiting, kConnecting, kFindingRoot, kCopyingContacts, kCopyingMessages, kDone };

// What the connect page may say of each stage ("" for kWaiting and kDone).
const wchar_t* PullStageText(PullStage stage);

// One file the pull left on this PC: whole, as on the phone.
struct PulledFile {
  std::wstring localPath;
  std::string phonePath;
  uint64_t size = 0;
};

struct PullResult {
  PullFailure failure = PullFailure::kNone;  // the first cause met; kNone when all went well
  std::string detail;                        // the client's or phone's own words for it, UTF-8
  bool contactsWhole = false;                // the copies of the two databases
  bool messagesWhole = false;
  std::string rootCommand;                   // the su form that answered as root, or ""
  std::vector<PulledFile> files;             // every copy kept, side files included
};

// Shared by the window and the worker of one pull.
class PullStatus {
 public:
  PullStatus();
  ~PullStatus();
  PullStatus(const PullStatus&) = delete;
  PullStatus& operator=(const PullStatus&) = delete;

  std::atomic<uint64_t> bytesCopied{0};  // in all copies of this pull so far
  std::atomic<PullStage> stage{PullStage::kWaiting};

  // Window side: ends the pull as soon as possible (its client at once).
  void Cancel();
  // Window side, after WM_PULL_DONE: the outcome (Finished() is true from then on).
  bool Finished() const;
  PullResult Result() const;

  // Worker side.
  HANDLE CancelEvent() const { return cancelEvent_; }
  void Finish(PullResult result);

 private:
  HANDLE cancelEvent_;
  mutable std::mutex mutex_;
  PullResult result_;
  std::atomic<bool> finished_{false};
};

// Cut-offs of the client's commands, in milliseconds (see the header comment).
struct PullLimits {
  DWORD serverMs = 15000;
  DWORD quickMs = 3000;
  DWORD rootProbeMs = 20000;
  DWORD copyIdleMs = 15000;
  DWORD copyTotalMs = 30 * 60 * 1000;
  DWORD phoneCopyMs = 5 * 60 * 1000;  // a root copy into /data/local/tmp, on the phone
};

struct PullRequest {
  HWND notify = nullptr;          // receives WM_PULL_PROGRESS and WM_PULL_DONE
  std::wstring contactsCopy;      // local paths, created new; side files get "-wal",
  std::wstring messagesCopy;      // "-journal" appended; an empty path is not pulled
  std::wstring clientFolder;      // folder of the client; empty = that of this program
  DWORD startDelayMs = 0;         // wait before the first command (cancellable)
  PullLimits limits;
};

// Starts the worker; returns its thread handle (the caller closes it) or null when it
// could not be started (the status then holds kClientFailed and nothing is posted).
HANDLE StartPullThread(const PullRequest& request, std::shared_ptr<PullStatus> status);


// Ends the left-over clients of this program: processes whose image is this program's own
// client file (full path) and that run in this session. Writes one trace line per match
// to the standard output; returns the outcome of the last match (false when none).
bool KillAdbProcesses();
// The same for a given client file.
bool KillClientProcesses(const std::wstring& clientPath);

// The full path of this program's own client file, beside the program.
std::wstring ProgramClientPath();
