#include "DatabaseFetch.h"

#include <utility>

#include "ClientWords.h"
#include "CopyCheck.h"

namespace {

const unsigned kFirstSdkWithExecOut = 21;  // Android 5
const ULONGLONG kProgressEveryMs = 200;
const size_t kComplaintBytes = 4096;       // a stream this short may be an error message

std::vector<std::wstring> WideArgs(const ClientArgs& args) {
  std::vector<std::wstring> wide;
  for (const std::string& arg : args) wide.push_back(Widen(arg));
  return wide;
}

}  // namespace

void CopyProgress::Grew(uint64_t currentCopyBytes) {
  status_.bytesCopied = settled_ + currentCopyBytes;
  const ULONGLONG now = GetTickCount64();
  if (notify_ && now - lastPost_ >= kProgressEveryMs) {
    lastPost_ = now;
    PostMessageW(notify_, WM_PULL_PROGRESS, 0, 0);
  }
}

void CopyProgress::Settled(uint64_t bytes) {
  settled_ += bytes;
  status_.bytesCopied = settled_;
}

void CopyProgress::Dropped() { status_.bytesCopied = settled_; }

DatabaseFetch::DatabaseFetch(PhoneLink& link, CopyProgress& progress)
    : link_(link),
      progress_(progress),
      execOut_(link.sdk() != 0 && link.sdk() < kFirstSdkWithExecOut ? ExecOut::kMissing : ExecOut::kUntried) {}

PullCause DatabaseFetch::Failed(PullFailure failure, const std::string& detail) const {
  return PullCause{failure, detail};
}

PullCause DatabaseFetch::LocalFailure(const std::wstring& localPath, DWORD error) const {
  return Failed(PullFailure::kLocalCopy, Narrow(localPath) + ": " + SystemMessage(error));
}

DatabaseOutcome DatabaseFetch::Fetch(const std::string& phonePath, const std::wstring& localPath) {
  DatabaseOutcome plain;
  // Android 4 and earlier (or a phone that did not say): the old road first.
  if (link_.sdk() < kFirstSdkWithExecOut) {
    plain = ByPlainPull(phonePath, localPath);
    if (plain.kind == DatabaseOutcome::Kind::kWhole || link_.stopped() ||
        plain.cause.failure == PullFailure::kLocalCopy) {
      return plain;
    }
  }
  DatabaseOutcome out;
  SuForm form;
  if (!link_.FindRoot(&form)) {
    if (link_.stopped()) {
      out.cause = link_.ended();
    } else if (plain.cause.failure == PullFailure::kIncomplete) {
      out = plain;
    } else if (plainPullWorked_ && plain.cause.failure == PullFailure::kNotFound) {
      // The phone's databases are readable without root, so this one is not there.
      out.kind = DatabaseOutcome::Kind::kAbsent;
      out.cause = plain.cause;
    } else {
      out.cause = link_.rootCause();
    }
    return out;
  }
  uint64_t size = 0;
  std::string words;
  switch (link_.Measure(form, phonePath, &size, &words)) {
    case PhoneLink::Presence::kPresent:
      return AsRoot(form, phonePath, size, localPath);
    case PhoneLink::Presence::kAbsent:
      out.kind = DatabaseOutcome::Kind::kAbsent;
      out.cause = Failed(PullFailure::kNotFound, words);
      return out;
    case PhoneLink::Presence::kRefused:
      out.cause = Failed(PullFailure::kReadRefused, words);
      return out;
    case PhoneLink::Presence::kUnknown:
      break;
  }
  out.cause = link_.stopped() ? link_.ended()
                              : Failed(PullFailure::kReadRefused,
                                       phonePath + ": the phone did not tell its size" + (words.empty() ? "" : ": " + words));
  return out;
}

DatabaseOutcome DatabaseFetch::ByPlainPull(const std::string& phonePath, const std::wstring& localPath) {
  DatabaseOutcome out;
  std::unique_ptr<LocalCopy> database = PlainPull(phonePath, localPath, &out.cause);
  if (!database) return out;
  // Readable without root: so are its side files, where it has them.
  std::vector<std::unique_ptr<LocalCopy>> sides;
  Shape shape{true, false};
  for (const char* suffix : kSideFileSuffixes) {
    PullCause sideCause;
    std::unique_ptr<LocalCopy> side = PlainPull(phonePath + suffix, localPath + Widen(suffix), &sideCause);
    if (side) {
      shape.journalBeside = shape.journalBeside || std::string(suffix) == "-journal";
      out.files.push_back({side->path(), phonePath + suffix, side->Size()});
      sides.push_back(std::move(side));
    } else if (link_.stopped() || sideCause.failure == PullFailure::kLocalCopy ||
               sideCause.failure == PullFailure::kIncomplete) {
      out.files.clear();
      out.cause = link_.stopped() ? link_.ended() : sideCause;
      return out;
    }
  }
  std::string why;
  if (!Whole(*database, database->Size(), shape, &why)) {
    out.files.clear();
    out.cause = Failed(PullFailure::kIncomplete, phonePath + ": " + why);
    return out;
  }
  out.files.push_back({database->path(), phonePath, database->Size()});
  for (auto& side : sides) side->Keep();
  database->Keep();
  out.kind = DatabaseOutcome::Kind::kWhole;
  return out;
}

std::unique_ptr<LocalCopy> DatabaseFetch::PlainPull(const std::string& phonePath, const std::wstring& localPath,
                                                    PullCause* cause) {
  DWORD error = 0;
  std::unique_ptr<LocalCopy> copy = LocalCopy::CreateNew(localPath, &error);
  if (!copy) {
    *cause = LocalFailure(localPath, error);
    return nullptr;
  }
  LocalCopy& written = *copy;
  GrowthWatch watch;
  watch.bytes = [&written] { return written.Size(); };
  watch.onGrowth = [this](uint64_t n) { progress_.Grew(n); };
  const ClientRun run = link_.Run({L"pull", Widen(phonePath), localPath}, link_.Copying(), nullptr, watch);
  const std::string said = run.Said();
  const ClientWords words = ReadClientWords(said);
  const uint64_t got = copy->Size();
  uint64_t reported = 0;
  if (link_.stopped()) {
    *cause = link_.ended();
  } else if (run.end == ClientRun::End::kCutOff) {
    *cause = Failed(PullFailure::kIncomplete, phonePath + ": " + std::to_string(got) + " bytes arrived, then nothing");
  } else if (run.exitCode != 0 || words.says == ClientSays::kPermissionDenied || words.says == ClientSays::kNoSuchFile) {
    *cause = Failed(words.says == ClientSays::kNoSuchFile ? PullFailure::kNotFound : PullFailure::kReadRefused,
                    words.line.empty() ? "pull ended with exit code " + std::to_string(run.exitCode) : words.line);
  } else if (ParsePulledBytes(said, &reported) && reported != got) {
    *cause = Failed(PullFailure::kIncomplete, phonePath + ": " + std::to_string(got) + " of " +
                                                  std::to_string(reported) + " bytes arrived");
  } else {
    plainPullWorked_ = true;
    progress_.Settled(got);
    return copy;
  }
  progress_.Dropped();
  return nullptr;
}

DatabaseOutcome DatabaseFetch::AsRoot(SuForm form, const std::string& phonePath, uint64_t size,
                                      const std::wstring& localPath) {
  DatabaseOutcome out;
  std::vector<std::unique_ptr<LocalCopy>> sides;
  Shape shape{true, false};
  // The log and the journal first: a checkpoint between the copies then only brings the
  // database pages the log copy already holds.
  for (const char* suffix : kSideFileSuffixes) {
    const std::string sidePath = phonePath + suffix;
    uint64_t sideSize = 0;
    std::string words;
    const PhoneLink::Presence presence = link_.Measure(form, sidePath, &sideSize, &words);
    if (presence == PhoneLink::Presence::kAbsent) continue;
    if (presence != PhoneLink::Presence::kPresent) {
      out.files.clear();
      out.cause = link_.stopped() ? link_.ended()
                                  : Failed(PullFailure::kReadRefused, words.empty() ? sidePath + ": no size" : words);
      return out;
    }
    Copied side = CopyAsRoot(form, sidePath, sideSize, localPath + Widen(suffix), Shape());
    if (!side.copy) {
      out.files.clear();
      out.cause = side.cause;
      return out;
    }
    shape.journalBeside = shape.journalBeside || std::string(suffix) == "-journal";
    out.files.push_back({side.copy->path(), sidePath, side.copy->Size()});
    sides.push_back(std::move(side.copy));
  }
  Copied database = CopyAsRoot(form, phonePath, size, localPath, shape);
  if (!database.copy) {
    out.files.clear();
    out.cause = database.cause;
    return out;
  }
  out.files.push_back({database.copy->path(), phonePath, database.copy->Size()});
  for (auto& side : sides) side->Keep();
  database.copy->Keep();
  out.kind = DatabaseOutcome::Kind::kWhole;
  return out;
}

DatabaseFetch::Copied DatabaseFetch::CopyAsRoot(SuForm form, const std::string& phonePath, uint64_t size,
                                                const std::wstring& localPath, const Shape& shape) {
  if (execOut_ != ExecOut::kMissing) {
    Copied streamed = Stream(form, phonePath, size, localPath, shape);
    if (!streamed.execOutMissing) {
      if (streamed.copy) execOut_ = ExecOut::kWorks;
      return streamed;
    }
    execOut_ = ExecOut::kMissing;
  }
  return ThroughPhoneFolder(form, phonePath, size, localPath, shape);
}

bool DatabaseFetch::Whole(const LocalCopy& copy, uint64_t expected, const Shape& shape, std::string* why) const {
  const uint64_t got = copy.Size();
  if (got != expected) {
    *why = std::to_string(got) + " of " + std::to_string(expected) + " bytes arrived";
    return false;
  }
  if (!shape.database) return true;
  const std::vector<uint8_t> head = copy.Head(100);
  return IsWholeDatabase(head.data(), head.size(), got, shape.journalBeside, why);
}

bool DatabaseFetch::ArrivedWhole(SuForm form, const std::string& phonePath, const LocalCopy& copy,
                                 uint64_t* expected, const Shape& shape, std::string* why) {
  if (Whole(copy, *expected, shape, why)) return true;
  std::string words;
  return link_.Measure(form, phonePath, expected, &words) == PhoneLink::Presence::kPresent &&
         Whole(copy, *expected, shape, why);
}

DatabaseFetch::Copied DatabaseFetch::Stream(SuForm form, const std::string& phonePath, uint64_t size,
                                            const std::wstring& localPath, const Shape& shape) {
  Copied out;
  DWORD error = 0;
  std::unique_ptr<LocalCopy> copy = LocalCopy::CreateNew(localPath, &error);
  if (!copy) {
    out.cause = LocalFailure(localPath, error);
    return out;
  }
  GrowthWatch watch;
  watch.onGrowth = [this](uint64_t n) { progress_.Grew(n); };
  uint64_t expected = size;
  std::string why;
  bool stalled = false;
  // One more try when the copy came short: a cable moved, or the phone wrote meanwhile.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0 && !copy->Restart()) {
      progress_.Dropped();
      out.cause = LocalFailure(localPath, copy->lastError());
      return out;
    }
    const ClientRun run = link_.Run(WideArgs(StreamArgs(form, phonePath)), link_.Copying(), copy.get(), watch);
    if (link_.stopped()) {
      progress_.Dropped();
      out.cause = link_.ended();
      return out;
    }
    if (run.end == ClientRun::End::kSinkFailed) {
      progress_.Dropped();
      out.cause = LocalFailure(localPath, copy->lastError());
      return out;
    }
    if (run.streamed == 0 && run.end == ClientRun::End::kExited &&
        (run.exitCode != 0 || ReadClientWords(run.err).says == ClientSays::kExecOutMissing)) {
      progress_.Dropped();
      out.execOutMissing = true;
      return out;
    }
    stalled = run.end == ClientRun::End::kCutOff;
    if (ArrivedWhole(form, phonePath, *copy, &expected, shape, &why)) {
      progress_.Settled(copy->Size());
      out.copy = std::move(copy);
      return out;
    }
    if (link_.stopped()) break;
  }
  progress_.Dropped();
  if (link_.stopped()) {
    out.cause = link_.ended();
    return out;
  }
  // exec-out mixes the phone's errors into the stream: a short copy may be one.
  const uint64_t got = copy->Size();
  if (got < kComplaintBytes) {
    const std::vector<uint8_t> head = copy->Head(static_cast<size_t>(got));
    const ClientWords words = ReadClientWords(std::string(head.begin(), head.end()));
    if (words.says == ClientSays::kPermissionDenied) {
      out.cause = Failed(PullFailure::kReadRefused, words.line);
      return out;
    }
  }
  out.cause = Failed(PullFailure::kIncomplete,
                     phonePath + ": " + why + (stalled ? ", then nothing more came" : ""));
  return out;
}

DatabaseFetch::Copied DatabaseFetch::ThroughPhoneFolder(SuForm form, const std::string& phonePath, uint64_t size,
                                                        const std::wstring& localPath, const Shape& shape) {
  Copied out;
  DWORD error = 0;
  std::unique_ptr<LocalCopy> copy = LocalCopy::CreateNew(localPath, &error);
  if (!copy) {
    out.cause = LocalFailure(localPath, error);
    return out;
  }
  LocalCopy& written = *copy;
  GrowthWatch watch;
  watch.bytes = [&written] { return written.Size(); };
  watch.onGrowth = [this](uint64_t n) { progress_.Grew(n); };
  uint64_t expected = size;
  std::string why;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::string folder = kPhoneTempPrefix + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(GetTickCount64()) + "-" + std::to_string(++folderCounter_);
    const ClientRun staged = link_.Run(TempCopyArgs(form, phonePath, folder), {link_.limits().phoneCopyMs, 0});
    const bool ready = !link_.stopped() && staged.Said().find(kScriptDone) != std::string::npos;
    ClientRun pulled;
    if (ready) {
      pulled = link_.Run({L"pull", Widen(TempCopyPath(folder)), localPath}, link_.Copying(), nullptr, watch);
    }
    // Removed whatever happened, after a cancel too: the copy is readable by the shell user.
    link_.Run(WideArgs(TempRemoveArgs(form, folder)), link_.Quick(), nullptr, GrowthWatch(), true);
    if (link_.stopped()) {
      progress_.Dropped();
      out.cause = link_.ended();
      return out;
    }
    if (!ready) {
      progress_.Dropped();
      const ClientWords words = ReadClientWords(staged.Said());
      out.cause = Failed(PullFailure::kReadRefused, "copying " + phonePath + " on the phone failed" +
                                                        (words.line.empty() ? "" : ": " + words.line));
      return out;
    }
    const bool pulledWell = pulled.end == ClientRun::End::kExited && pulled.exitCode == 0;
    if (pulledWell && ArrivedWhole(form, phonePath, *copy, &expected, shape, &why)) {
      progress_.Settled(copy->Size());
      out.copy = std::move(copy);
      return out;
    }
    if (!pulledWell) why = std::to_string(copy->Size()) + " of " + std::to_string(expected) + " bytes arrived";
    if (link_.stopped()) break;
  }
  progress_.Dropped();
  out.cause = link_.stopped() ? link_.ended() : Failed(PullFailure::kIncomplete, phonePath + ": " + why);
  return out;
}
