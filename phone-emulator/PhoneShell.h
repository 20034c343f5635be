// The phone's shell, as far as the pull and the tests use it: a command text is split into
// words the way sh does (single and double quotes, backslash, "*" at the end of a name),
// commands are joined by "&&", "||" and ";" and may send their output "> file" or
// "2> file"; the commands are su (in the forms the scenario's su accepts), sh -c, id,
// getprop, cat, stat -c, ls, chmod, chown, mkdir, rm, rmdir and echo, each printing what
// Android's toybox or toolbox prints.
#pragma once

#include <string>
#include <vector>

#include "Output.h"
#include "PhoneFiles.h"
#include "Scenario.h"

class PhoneShell {
 public:
  PhoneShell(PhoneFiles& files, const Scenario& scenario, const std::wstring& emulatorFolder);

  // Runs a command text as `user` ("shell" or "root"); returns the exit status.
  int Run(const std::string& text, const std::string& user, Output& out, Output& err);

 private:
  struct Token {
    std::string text;
    enum class Kind { kWord, kAnd, kOr, kSemicolon, kToFile, kErrorsToFile } kind;
    bool globbed;  // an unquoted '*'
  };
  std::vector<Token> Split(const std::string& text, bool* ok) const;
  std::vector<std::string> Expand(const Token& word) const;
  int Command(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err);

  int Su(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err);
  int Id(const std::string& user, Output& out);
  int Cat(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err);
  int Stat(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err);
  int Ls(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err);
  int Chmod(const std::vector<std::string>& words, const std::string& user, Output& err);
  int Chown(const std::vector<std::string>& words, const std::string& user, Output& err);
  int Mkdir(const std::vector<std::string>& words, const std::string& user, Output& err);
  int Rm(const std::vector<std::string>& words, const std::string& user, Output& err);
  int NotFound(const std::string& name, Output& err);
  // "cat: /x: No such file or directory" and the like; returns 1.
  int Complain(Output& err, const std::string& tool, const std::string& path, PhoneFiles::Access access);
  Output* Redirect(const std::string& path, const std::string& user, Output& err, int* status);

  PhoneFiles& files_;
  const Scenario& scenario_;
  std::wstring folder_;
  int depth_ = 0;  // nested sh -c and su, bounded
};
