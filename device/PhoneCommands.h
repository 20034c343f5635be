// The bridge client's arguments for each step of a pull, built by pure functions: the
// phone paths, the forms of "su", and the commands that read a file as root. Built and
// tested on every platform.
//
// The phone command after "shell" or "exec-out" travels as one argument: every client
// hands the first argument to the phone's shell as it is, but quotes the others in its
// own way (today's exec-out single-quotes each, older clients escape blanks with a
// backslash), which would make "su -c" receive quotes as part of its command. Inside the
// command, a script handed to su is one single-quoted word.
#pragma once

#include <string>
#include <vector>

using ClientArgs = std::vector<std::string>;

// Where the providers keep their databases.
extern const char kContactsPhonePath[];
extern const char kMessagesPhonePath[];            // Android 6 and earlier
extern const char kMessagesDeviceProtectedPath[];  // Android 7 and later
// The files SQLite keeps beside a database: the write-ahead log, the rollback journal.
extern const char* const kSideFileSuffixes[2];
// Folders the pull makes on phones without exec-out start with this; any found at the
// start of such a copy are left-overs of an earlier, interrupted pull and are removed.
extern const char kPhoneTempPrefix[];
// Printed by a root script after its last step, so that success shows on phones whose
// client reports no exit code.
extern const char kScriptDone[];

// The forms in which root managers and engineering builds accept a command, in the order
// they are tried: Magisk and SuperSU want "-c"; the su of engineering builds a user first.
enum class SuForm { kDashC, kZero, kRoot };
extern const SuForm kSuForms[3];
const char* SuFormText(SuForm form);  // "su -c", "su 0", "su root"

// One word for the phone's shell: single-quoted, quotes inside written as '\''.
std::string PhoneQuote(const std::string& word);

ClientArgs StartServerArgs();
ClientArgs SdkVersionArgs();                 // shell "getprop ro.build.version.sdk"
ClientArgs RootProbeArgs(SuForm form);      // shell "su -c id" | "su 0 id" | "su root id"
// "shell" or "exec-out", then the command that runs `script` as root in the given form.
ClientArgs AsRootArgs(const char* service, SuForm form, const std::string& script);
ClientArgs SizeArgs(SuForm form, const std::string& phonePath);         // stat -c %s
ClientArgs ListingArgs(SuForm form, const std::string& phonePath);      // ls -l
ClientArgs StreamArgs(SuForm form, const std::string& phonePath);       // exec-out cat
// Copies `phonePath` into `folder`/copy as root, readable by the shell user only, after
// removing left-over folders of earlier pulls; prints kScriptDone when all went well.
ClientArgs TempCopyArgs(SuForm form, const std::string& phonePath, const std::string& folder);
std::string TempCopyPath(const std::string& folder);
ClientArgs TempRemoveArgs(SuForm form, const std::string& folder);
