#include "AdbPull.h"

#include <utility>
#include <vector>

#include "DatabaseFetch.h"
#include "PhoneCommands.h"
#include "PhoneLink.h"
#include "ProgramFolder.h"
#include "WorkerThread.h"

const char kAdbClientFileName[] = "quillfen-retrievo-adb-help.exe";

// ---- Status shared with the window ------------------------------------------------------

PullStatus::PullStatus() : cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PullStatus::~PullStatus() {
  if (cancelEvent_) CloseHandle(cancelEvent_);
}

void PullStatus::Cancel() {
  if (cancelEvent_) SetEvent(cancelEvent_);
}

bool PullStatus::Finished() const { return finished_.load(std::memory_order_acquire); }

PullResult PullStatus::Result() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return result_;
}

void PullStatus::Finish(PullResult result) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = std::move(result);
  }
  stage = PullStage::kDone;
  finished_.store(true, std::memory_order_release);
}

const wchar_t* PullFailureText(PullFailure failure) {
  switch (failure) {
    case PullFailure::kNone: return L"";
    case PullFailure::kClientMissing:
      return L"The phone connection program is missing from the program's folder: install the program again.";
    case PullFailure::kClientFailed:
      return L"The phone connection program did not start: close other phone tools and try again.";
    case PullFailure::kNoDevice:
      return L"No phone is connected.";
    case PullFailure::kUnauthorized:
      return L"The phone has not accepted this PC: unlock it and allow USB debugging for this computer.";
    case PullFailure::kOffline:
      return L"The phone does not answer: unplug it, plug it in again and unlock it.";
    case PullFailure::kNotRooted:
      return L"The phone is not rooted: reading its contacts and messages needs root.";
    case PullFailure::kRootRefused:
      return L"The phone refused root: allow root for the shell in its root manager and try again.";
    case PullFailure::kReadRefused:
      return L"The phone refused to let its contacts and messages databases be read.";
    case PullFailure::kNotFound:
      return L"The phone has no contacts or messages database where Android keeps them.";
    case PullFailure::kIncomplete:
      return L"A database did not arrive whole from the phone: keep the cable connected and try again.";
    case PullFailure::kLocalCopy:
      return L"The copy of a database could not be written on this PC.";
    case PullFailure::kCancelled:
      return L"The copy from the phone was stopped.";
  }
  return L"";
}

const wchar_t* PullStageText(PullStage stage) {
  switch (stage) {
    case PullStage::kConnecting: return L"Connecting to the phone";
    case PullStage::kFindingRoot: return L"Asking the phone for root: allow it on the phone if it asks";
    case PullStage::kCopyingContacts: return L"Copying the contacts database";
    case PullStage::kCopyingMessages: return L"Copying the messages database";
    case PullStage::kWaiting:
    case PullStage::kDone: return L"";
  }
  return L"";
}

// ---- The worker ---------------------------------------------------------------------------

std::wstring ProgramClientPath() { return ProgramFolderW() + Widen(kAdbClientFileName); }

namespace {

struct PullJob {
  PullRequest request;
  std::shared_ptr<PullStatus> status;
};

std::wstring ClientPath(const PullRequest& request) {
  if (request.clientFolder.empty()) return ProgramClientPath();
  return request.clientFolder + L"\\" + Widen(kAdbClientFileName);
}

// One database and where to look for it on the phone, in order.
struct Target {
  const std::wstring& copy;
  std::vector<const char*> phonePaths;
  bool& whole;
  PullStage stage;
};

PullResult RunPull(const PullRequest& request, PullStatus& status) {
  PullResult result;
  auto note = [&result](const PullCause& cause) {
    if (result.failure != PullFailure::kNone || cause.failure == PullFailure::kNone) return;
    result.failure = cause.failure;
    result.detail = cause.detail;
  };
  if (request.startDelayMs && status.CancelEvent() &&
      WaitForSingleObject(status.CancelEvent(), request.startDelayMs) == WAIT_OBJECT_0) {
    result.failure = PullFailure::kCancelled;
    return result;
  }
  ClientRunner runner(ClientPath(request), status.CancelEvent());
  PhoneLink link(runner, request.limits, status);
  if (!link.Connect()) {
    note(link.ended());
    return result;
  }
  CopyProgress progress(status, request.notify);
  DatabaseFetch fetch(link, progress);
  Target targets[] = {
      {request.contactsCopy, {kContactsPhonePath}, result.contactsWhole, PullStage::kCopyingContacts},
      {request.messagesCopy, {kMessagesPhonePath, kMessagesDeviceProtectedPath}, result.messagesWhole,
       PullStage::kCopyingMessages},
  };
  for (Target& target : targets) {
    if (target.copy.empty()) continue;
    DatabaseOutcome outcome;
    for (const char* phonePath : target.phonePaths) {
      status.stage = target.stage;
      outcome = fetch.Fetch(phonePath, target.copy);
      if (outcome.kind != DatabaseOutcome::Kind::kAbsent) break;
    }
    if (outcome.kind == DatabaseOutcome::Kind::kWhole) {
      target.whole = true;
      for (PulledFile& file : outcome.files) result.files.push_back(std::move(file));
    } else {
      note(outcome.cause);
    }
    if (link.stopped()) break;
  }
  note(link.ended());
  result.rootCommand = link.rootCommand();
  return result;
}

void RunPullJob(const PullJob& job) {
  PullResult result;
  try {
    result = RunPull(job.request, *job.status);
  } catch (const std::exception& e) {
    result.failure = PullFailure::kClientFailed;
    result.detail = std::string("the pull stopped on an error: ") + e.what();
  }
  job.status->Finish(std::move(result));
  PostMessageW(job.request.notify, WM_PULL_DONE, 1, 0);
}

}  // namespace

HANDLE StartPullThread(const PullRequest& request, std::shared_ptr<PullStatus> status) {
  if (!status) return nullptr;
  winframe::CHandle thread = winframe::StartWorkerThread([job = PullJob{request, status}] { RunPullJob(job); });
  if (!thread.IsValid()) {
    PullResult failed;
    failed.failure = PullFailure::kClientFailed;
    failed.detail = "the pull's thread could not be started: " + SystemMessage(GetLastError());
    status->Finish(std::move(failed));
    return nullptr;
  }
  return thread.Detach();
}

