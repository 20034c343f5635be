// What the bridge client and the phone print, read for the few things the pull acts on: the
// cause of a failure, the Android version, who a command ran as, and the size of a file.
// Pure text functions, built and tested on every platform.
#pragma once

#include <cstdint>
#include <string>

// The meaning of a client's or a phone's words, as far as the pull cares.
enum class ClientSays {
  kNothingKnown,
  kNoDevice,          // "no devices/emulators found", "device not found"
  kUnauthorized,      // "device unauthorized": the phone has not accepted this PC's key
  kOffline,           // "device offline"
  kServerFailed,      // "cannot connect to daemon", "failed to start daemon"
  kSuMissing,         // "su: not found", "su: inaccessible or not found"
  kSuSyntax,          // "invalid uid/gid", "unknown user": this su wants another form
  kPermissionDenied,  // "Permission denied", whoever said it
  kNoSuchFile,        // "No such file or directory", "does not exist"
  kExecOutMissing,    // "error: closed", "unknown command": no exec-out in client or phone
};

struct ClientWords {
  ClientSays says = ClientSays::kNothingKnown;
  std::string line;  // the line that said it, trimmed; the last non-empty line otherwise
};

// Reads a command's output. Words about the connection (no device, unauthorized, offline,
// server) win over words about the command, since the client prints them for any command.
ClientWords ReadClientWords(const std::string& text);

// True for the words about the connection, which end a pull whatever it was doing.
bool IsConnectionFailure(ClientSays says);

// A number printed alone (stat -c %s, getprop), CR LF of a terminal allowed around it.
bool ParseNumber(const std::string& text, uint64_t* value);

// The size column of one "ls -l" line: the number just before the date, in the layouts of
// toybox ("2019-01-31 12:00"), toolbox (the same, without a link count) and busybox ("Jan").
bool ParseListingSize(const std::string& text, uint64_t* value);

// "uid=0(root) ...": the command ran as root.
bool AnswersAsRoot(const std::string& idOutput);

// The byte count a successful pull reports, "(123456 bytes in 0.012s)".
bool ParsePulledBytes(const std::string& text, uint64_t* value);
