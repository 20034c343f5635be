#include "PhoneLink.h"

#include "ClientWords.h"

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  return Narrow(message) + " (error " + std::to_string(error) + ")";
}

namespace {

std::vector<std::wstring> WideArgs(const ClientArgs& args) {
  std::vector<std::wstring> wide;
  for (const std::string& arg : args) wide.push_back(Widen(arg));
  return wide;
}

PullFailure ConnectionFailure(ClientSays says) {
  switch (says) {
    case ClientSays::kNoDevice: return PullFailure::kNoDevice;
    case ClientSays::kUnauthorized: return PullFailure::kUnauthorized;
    case ClientSays::kOffline: return PullFailure::kOffline;
    default: return PullFailure::kClientFailed;
  }
}

std::string Seconds(DWORD ms) { return std::to_string((ms + 999) / 1000) + " s"; }

}  // namespace

PhoneLink::PhoneLink(ClientRunner& runner, const PullLimits& limits, PullStatus& status)
    : runner_(runner), limits_(limits), status_(status) {}

void PhoneLink::End(PullFailure failure, const std::string& detail) {
  if (stopped()) return;
  ended_.failure = failure;
  ended_.detail = detail;
}

ClientRun PhoneLink::Run(const std::vector<std::wstring>& args, const CommandLimits& limits, ByteSink* sink,
                         const GrowthWatch& watch, bool ignoreCancel) {
  ClientRun run = runner_.Run(args, limits, sink, watch, ignoreCancel);
  if (run.end == ClientRun::End::kCancelled) {
    End(PullFailure::kCancelled, "");
  } else if (run.end == ClientRun::End::kNotStarted) {
    End(PullFailure::kClientMissing, Narrow(runner_.clientPath()) + ": " + SystemMessage(run.startError));
  } else {
    // A stream's standard output is the file; the client's own words are on its error.
    const ClientWords words = ReadClientWords(sink ? run.err : run.Said());
    if (IsConnectionFailure(words.says)) End(ConnectionFailure(words.says), words.line);
  }
  return run;
}

ClientRun PhoneLink::Run(const ClientArgs& args, const CommandLimits& limits) {
  return Run(WideArgs(args), limits);
}

bool PhoneLink::Connect() {
  status_.stage = PullStage::kConnecting;
  const ClientRun server = Run(StartServerArgs(), {limits_.serverMs, 0});
  if (stopped()) return false;
  if (server.end == ClientRun::End::kCutOff) {
    End(PullFailure::kClientFailed, "start-server did not end within " + Seconds(limits_.serverMs));
    return false;
  }
  if (server.exitCode != 0) {
    const ClientWords words = ReadClientWords(server.Said());
    End(PullFailure::kClientFailed,
        words.line.empty() ? "start-server ended with exit code " + std::to_string(server.exitCode) : words.line);
    return false;
  }
  const ClientRun version = Run(SdkVersionArgs(), Quick());
  if (stopped()) return false;
  if (version.end == ClientRun::End::kCutOff) {
    End(PullFailure::kOffline, "the phone did not answer within " + Seconds(limits_.quickMs));
    return false;
  }
  uint64_t sdk = 0;
  if (version.exitCode == 0 && ParseNumber(version.out, &sdk) && sdk < 1000) sdk_ = static_cast<unsigned>(sdk);
  return true;
}

bool PhoneLink::FindRoot(SuForm* form) {
  if (!rootAsked_) {
    rootAsked_ = true;
    const PullStage before = status_.stage;
    status_.stage = PullStage::kFindingRoot;
    bool suMissing = false;
    std::string refusal;
    std::string lastWords;
    for (SuForm candidate : kSuForms) {
      const ClientRun probe = Run(RootProbeArgs(candidate), {limits_.rootProbeMs, 0});
      if (stopped()) return false;
      // Phones without the shell protocol mix the error into the output: read both.
      if (probe.end == ClientRun::End::kExited && AnswersAsRoot(probe.Said())) {
        rootFound_ = true;
        rootForm_ = candidate;
        break;
      }
      const ClientWords words = ReadClientWords(probe.Said());
      if (words.says == ClientSays::kSuMissing) {
        suMissing = true;
        lastWords = words.line;
        break;
      }
      if (words.says == ClientSays::kPermissionDenied) refusal = std::string(SuFormText(candidate)) + " id: " + words.line;
      if (probe.end == ClientRun::End::kCutOff) {
        lastWords = std::string(SuFormText(candidate)) + " id: no answer within " + Seconds(limits_.rootProbeMs);
      } else {
        lastWords = std::string(SuFormText(candidate)) + " id: " + (words.line.empty() ? "no answer" : words.line);
      }
    }
    status_.stage = before;
    if (!rootFound_) {
      rootCause_.failure = suMissing ? PullFailure::kNotRooted : PullFailure::kRootRefused;
      rootCause_.detail = refusal.empty() ? lastWords : refusal;
    }
  }
  *form = rootForm_;
  return rootFound_;
}

PhoneLink::Presence PhoneLink::Measure(SuForm form, const std::string& phonePath, uint64_t* size,
                                       std::string* words) {
  auto judge = [&](const ClientRun& run) {
    const ClientWords said = ReadClientWords(run.Said());
    *words = said.line;
    if (said.says == ClientSays::kNoSuchFile) return Presence::kAbsent;
    if (said.says == ClientSays::kPermissionDenied) return Presence::kRefused;
    return Presence::kUnknown;
  };
  if (!listingForSize_) {
    const ClientRun stat = Run(SizeArgs(form, phonePath), Quick());
    if (stopped()) return Presence::kUnknown;
    if (ParseNumber(stat.out, size)) return Presence::kPresent;
    const Presence presence = judge(stat);
    if (presence != Presence::kUnknown) return presence;
  }
  // Toolboxes before Android 6 have no stat; their ls -l shows the size too.
  const ClientRun listing = Run(ListingArgs(form, phonePath), Quick());
  if (stopped()) return Presence::kUnknown;
  if (ParseListingSize(listing.out, size)) {
    listingForSize_ = true;
    return Presence::kPresent;
  }
  return judge(listing);
}
