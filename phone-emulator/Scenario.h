// How the emulated phone and its client behave, read from phone-scenario.txt beside the
// emulator: lines "key = value", '#' starts a comment line. See README.md for every key.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Scenario {
  std::string mode = "normal";  // normal, no-device, unauthorized, offline, hang
  unsigned sdk = 28;            // Android API level the phone reports
  bool suPresent = true;
  std::vector<std::string> suForms = {"-c"};  // first words su runs a command after
  bool suRefused = false;       // the root manager answers every request "Permission denied"
  bool enforcing = true;        // the shell user may not read the providers' files at all
  bool readRefused = false;     // root may not read them either (a confined su)
  bool phoneExecOut = true;     // the phone knows exec-out (Android 5 and later)
  bool clientExecOut = true;    // the client knows exec-out (a client from 2014 on)
  bool shellProtocol = true;    // shell keeps errors apart and passes exit codes (Android 7+)
  bool crlf = false;            // shell output passes a terminal that writes LF as CR LF
  bool hasStat = true;          // the phone's toolbox has stat (Android 6 and later)
  DWORD pullMs = 0;             // a copy to the PC is spread over this long, in 16 pieces
  uint64_t stallAfter = 0;      // when not 0: a copy to the PC stops for ever after this many bytes
  bool shortOnce = false;       // the first copy of each file to the PC ends at half its size
  DWORD serverMs = 0;           // the client's server needs this long to start
  std::vector<std::string> missing;  // phone paths treated as absent

  bool SuAccepts(const std::string& firstWord) const;
  // Magisk and SuperSU take "-c"; given another form they start a shell that runs nothing.
  bool SuIsRootManager() const;
};

Scenario LoadScenario(const std::wstring& folder);

std::string Trim(const std::string& s);
// Lines of a text file, trimmed; false when it cannot be read.
bool ReadLines(const std::wstring& path, std::vector<std::string>* lines);
// Writes a whole file in one piece.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
// Appends in one write so that several emulators running at once keep their records whole.
void AppendFile(const std::wstring& path, const std::string& text);
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
