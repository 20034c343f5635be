// The conversation with one phone through the bridge client: connecting, the Android
// version, finding root once, measuring a phone file as root, and the first failure that
// ends the pull (no device, unauthorized, offline, a cancel). Used by the pull's worker
// only, on its thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AdbPull.h"
#include "ClientProcess.h"
#include "PhoneCommands.h"

// A cause with the words that showed it.
struct PullCause {
  PullFailure failure = PullFailure::kNone;
  std::string detail;
};

class PhoneLink {
 public:
  PhoneLink(ClientRunner& runner, const PullLimits& limits, PullStatus& status);

  // start-server, then the Android version. False when the pull cannot go on (see ended()).
  bool Connect();

  // The su form that answers as root, asked for once; false when none did (the cause is in
  // rootCause(), or in ended() when the connection failed meanwhile).
  bool FindRoot(SuForm* form);
  const PullCause& rootCause() const { return rootCause_; }
  // "su -c", "su 0" or "su root" once root was found, "" otherwise.
  std::string rootCommand() const { return rootFound_ ? SuFormText(rootForm_) : ""; }

  enum class Presence { kPresent, kAbsent, kRefused, kUnknown };
  // The size of a phone file, asked as root; `words` gets what the phone said otherwise.
  Presence Measure(SuForm form, const std::string& phonePath, uint64_t* size, std::string* words);

  // Runs one command; words about the connection and a cancel end the pull (ended()).
  ClientRun Run(const std::vector<std::wstring>& args, const CommandLimits& limits,
                ByteSink* sink = nullptr, const GrowthWatch& watch = GrowthWatch(),
                bool ignoreCancel = false);
  ClientRun Run(const ClientArgs& args, const CommandLimits& limits);

  // The Android API level, 0 when the phone did not say.
  unsigned sdk() const { return sdk_; }
  // Set once the pull cannot go on; the first cause stays.
  const PullCause& ended() const { return ended_; }
  bool stopped() const { return ended_.failure != PullFailure::kNone; }

  const PullLimits& limits() const { return limits_; }
  CommandLimits Quick() const { return {limits_.quickMs, 0}; }
  CommandLimits Copying() const { return {limits_.copyTotalMs, limits_.copyIdleMs}; }

 private:
  void End(PullFailure failure, const std::string& detail);

  ClientRunner& runner_;
  const PullLimits& limits_;
  PullStatus& status_;
  unsigned sdk_ = 0;
  bool rootAsked_ = false;
  bool rootFound_ = false;
  SuForm rootForm_ = SuForm::kDashC;
  PullCause rootCause_;
  bool listingForSize_ = false;  // the phone has no stat: sizes come from ls -l
  PullCause ended_;
};

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
// The system's text for an error code, without its line end, and the code.
std::string SystemMessage(DWORD error);
