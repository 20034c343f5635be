#include "PhoneShell.h"

#include <cstdlib>
#include <memory>

namespace {

const int kMaxDepth = 8;

std::vector<std::string> Rest(const std::vector<std::string>& words, size_t from) {
  return from < words.size() ? std::vector<std::string>(words.begin() + static_cast<long>(from), words.end())
                             : std::vector<std::string>();
}

std::string ModeText(bool folder, unsigned mode) {
  std::string text = folder ? "d" : "-";
  const char* rwx = "rwx";
  for (int bit = 8; bit >= 0; --bit) text.push_back((mode >> bit) & 1 ? rwx[(8 - bit) % 3] : '-');
  return text;
}

std::string Octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof(text), "%o", mode);
  return text;
}

}  // namespace

PhoneShell::PhoneShell(PhoneFiles& files, const Scenario& scenario, const std::wstring& emulatorFolder)
    : files_(files), scenario_(scenario), folder_(emulatorFolder) {}

std::vector<PhoneShell::Token> PhoneShell::Split(const std::string& text, bool* ok) const {
  std::vector<Token> tokens;
  Token word{"", Token::Kind::kWord, false};
  bool inWord = false;
  auto endWord = [&] {
    if (inWord) tokens.push_back(word);
    word = Token{"", Token::Kind::kWord, false};
    inWord = false;
  };
  *ok = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      endWord();
    } else if (c == '\'') {
      const size_t close = text.find('\'', i + 1);
      if (close == std::string::npos) *ok = false;
      if (!*ok) return tokens;
      word.text += text.substr(i + 1, close - i - 1);
      inWord = true;
      i = close;
    } else if (c == '"') {
      size_t j = i + 1;
      for (; j < text.size() && text[j] != '"'; ++j) {
        if (text[j] == '\\' && j + 1 < text.size() && std::string("\"\\$").find(text[j + 1]) != std::string::npos) ++j;
        word.text.push_back(text[j]);
      }
      if (j >= text.size()) *ok = false;
      if (!*ok) return tokens;
      inWord = true;
      i = j;
    } else if (c == '\\' && i + 1 < text.size()) {
      word.text.push_back(text[++i]);
      inWord = true;
    } else if ((c == '&' || c == '|') && i + 1 < text.size() && text[i + 1] == c) {
      endWord();
      tokens.push_back(Token{"", c == '&' ? Token::Kind::kAnd : Token::Kind::kOr, false});
      ++i;
    } else if (c == ';') {
      endWord();
      tokens.push_back(Token{"", Token::Kind::kSemicolon, false});
    } else if (c == '>') {
      const bool errors = inWord && word.text == "2";
      if (errors) inWord = false;
      endWord();
      tokens.push_back(Token{"", errors ? Token::Kind::kErrorsToFile : Token::Kind::kToFile, false});
    } else {
      if (c == '*') word.globbed = true;
      word.text.push_back(c);
      inWord = true;
    }
  }
  endWord();
  return tokens;
}

std::vector<std::string> PhoneShell::Expand(const Token& word) const {
  const size_t star = word.text.find('*');
  if (!word.globbed || star == std::string::npos || word.text.find('/', star) != std::string::npos) return {word.text};
  const std::string folder = PhoneFiles::Parent(word.text);
  const std::string pattern = PhoneFiles::Name(word.text);
  const size_t patternStar = pattern.find('*');
  const std::string prefix = pattern.substr(0, patternStar);
  const std::string suffix = pattern.substr(patternStar + 1);
  std::vector<std::string> matches;
  for (const std::string& name : files_.List(folder)) {
    if (name.size() >= prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      matches.push_back((folder == "/" ? "" : folder) + "/" + name);
    }
  }
  if (matches.empty()) matches.push_back(word.text);
  return matches;
}

int PhoneShell::Run(const std::string& text, const std::string& user, Output& out, Output& err) {
  if (depth_ >= kMaxDepth) {
    err.Print("/system/bin/sh: too many nested shells\n");
    return 2;
  }
  bool ok = true;
  const std::vector<Token> tokens = Split(text, &ok);
  if (!ok) {
    err.Print("/system/bin/sh: syntax error: unterminated quoted string\n");
    return 2;
  }
  ++depth_;
  int status = 0;
  Token::Kind connector = Token::Kind::kSemicolon;
  for (size_t i = 0; i < tokens.size(); ++i) {
    std::vector<std::string> words;
    std::string toFile, errorsToFile;
    for (; i < tokens.size() && (tokens[i].kind == Token::Kind::kWord || tokens[i].kind == Token::Kind::kToFile ||
                                 tokens[i].kind == Token::Kind::kErrorsToFile);
         ++i) {
      if (tokens[i].kind == Token::Kind::kWord) {
        for (std::string& w : Expand(tokens[i])) words.push_back(w);
      } else if (i + 1 < tokens.size() && tokens[i + 1].kind == Token::Kind::kWord) {
        (tokens[i].kind == Token::Kind::kToFile ? toFile : errorsToFile) = tokens[i + 1].text;
        ++i;
      }
    }
    const bool runs = connector == Token::Kind::kSemicolon || (connector == Token::Kind::kAnd && status == 0) ||
                      (connector == Token::Kind::kOr && status != 0);
    if (runs && !words.empty()) {
      NullOutput nowhere;
      std::unique_ptr<Output> outFile, errFile;
      Output* o = &out;
      Output* e = &err;
      status = 0;
      if (!errorsToFile.empty() && errorsToFile == "/dev/null") {
        e = &nowhere;
      } else if (!errorsToFile.empty()) {
        errFile.reset(Redirect(errorsToFile, user, err, &status));
        if (errFile) e = errFile.get();
      }
      if (status == 0 && !toFile.empty() && toFile == "/dev/null") {
        o = &nowhere;
      } else if (status == 0 && !toFile.empty()) {
        outFile.reset(Redirect(toFile, user, *e, &status));
        if (outFile) o = outFile.get();
      }
      if (status == 0) status = Command(words, user, *o, *e);
    }
    if (i < tokens.size()) connector = tokens[i].kind;
  }
  --depth_;
  return status;
}

Output* PhoneShell::Redirect(const std::string& path, const std::string& user, Output& err, int* status) {
  const bool exists = files_.KindOf(path) == PhoneFiles::Kind::kFile;
  const PhoneMeta meta = files_.MetaOf(path);
  const bool allowed = exists ? (user == "root" || (meta.owner == user && (meta.mode & 0200)))
                              : PhoneFiles::Valid(path) &&
                                    files_.CanCreateIn(user, PhoneFiles::Parent(path)) == PhoneFiles::Access::kOk;
  HANDLE h = allowed ? files_.CreateForWriting(path, user) : INVALID_HANDLE_VALUE;
  if (h == INVALID_HANDLE_VALUE) {
    err.Print("/system/bin/sh: can't create " + path + ": Permission denied\n");
    *status = 1;
    return nullptr;
  }
  return new FileOutput(h);
}

int PhoneShell::Command(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err) {
  const std::string& name = words[0];
  if (name == "su") return Su(words, user, out, err);
  if (name == "sh") {
    // Without "-c" an interactive shell starts, reads the end of its empty input and ends.
    if (words.size() >= 3 && words[1] == "-c") return Run(words[2], user, out, err);
    return 0;
  }
  if (name == "id") return Id(user, out);
  if (name == "getprop") {
    out.Print((words.size() > 1 && words[1] == "ro.build.version.sdk" ? std::to_string(scenario_.sdk) : "") + "\n");
    return 0;
  }
  if (name == "cat") return Cat(words, user, out, err);
  if (name == "stat") return scenario_.hasStat ? Stat(words, user, out, err) : NotFound(name, err);
  if (name == "ls") return Ls(words, user, out, err);
  if (name == "chmod") return Chmod(words, user, err);
  if (name == "chown") return Chown(words, user, err);
  if (name == "mkdir") return Mkdir(words, user, err);
  if (name == "rm" || name == "rmdir") return Rm(words, user, err);
  if (name == "echo") {
    std::string line;
    for (size_t i = 1; i < words.size(); ++i) line += (i > 1 ? " " : "") + words[i];
    out.Print(line + "\n");
    return 0;
  }
  if (name == "true") return 0;
  if (name == "false") return 1;
  return NotFound(name, err);
}

int PhoneShell::NotFound(const std::string& name, Output& err) {
  // Android 10 changed the shell's words.
  err.Print("/system/bin/sh: " + name + (scenario_.sdk >= 29 ? ": inaccessible or not found\n" : ": not found\n"));
  return 127;
}

int PhoneShell::Complain(Output& err, const std::string& tool, const std::string& path, PhoneFiles::Access access) {
  const bool quoted = tool == "stat" || tool == "mkdir";
  err.Print(tool + ": " + (quoted ? "'" + path + "'" : path) + ": " +
            (access == PhoneFiles::Access::kDenied ? "Permission denied" : "No such file or directory") + "\n");
  return 1;
}

int PhoneShell::Su(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err) {
  if (!scenario_.suPresent) return NotFound("su", err);
  if (scenario_.suRefused) {
    err.Print("Permission denied\n");
    return 1;
  }
  const std::vector<std::string> args = Rest(words, 1);
  if (args.empty()) return 0;  // a root shell that reads the end of its empty input
  const std::string& first = args[0];
  if (first == "-c" && scenario_.SuAccepts("-c")) {
    if (args.size() < 2) {
      err.Print("su: option requires an argument -- c\n");
      return 1;
    }
    return Run(args[1], "root", out, err);
  }
  if (first != "-c" && scenario_.SuAccepts(first)) {
    const std::vector<std::string> command = Rest(args, 1);
    return command.empty() ? 0 : Command(command, "root", out, err);
  }
  // A root manager given a form it does not know starts a shell that runs nothing; the su
  // of engineering builds takes the first word for a user.
  if (scenario_.SuIsRootManager()) return 0;
  (void)user;
  err.Print("su: invalid uid/gid '" + first + "'\n");
  return 1;
}

int PhoneShell::Id(const std::string& user, Output& out) {
  out.Print(user == "root" ? "uid=0(root) gid=0(root) groups=0(root) context=u:r:su:s0\n"
                           : "uid=2000(shell) gid=2000(shell) groups=2000(shell),1004(input),1007(log),"
                             "1011(adb),1015(sdcard_rw),1028(sdcard_r),3001(net_bt_admin),3002(net_bt),"
                             "3003(inet),3006(net_bw_stats) context=u:r:shell:s0\n");
  return 0;
}

int PhoneShell::Cat(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err) {
  int status = 0;
  for (const std::string& path : Rest(words, 1)) {
    const PhoneFiles::Access access = files_.CanRead(user, path);
    if (access != PhoneFiles::Access::kOk) {
      status = Complain(err, "cat", path, access);
      continue;
    }
    if (files_.KindOf(path) == PhoneFiles::Kind::kFolder) {
      err.Print("cat: " + path + ": Is a directory\n");
      status = 1;
      continue;
    }
    HANDLE h = files_.OpenForReading(path);
    if (h == INVALID_HANDLE_VALUE) {
      status = Complain(err, "cat", path, PhoneFiles::Access::kDenied);
      continue;
    }
    const bool sent = out.ToPc() ? SendToPc(h, files_.Size(path), out, scenario_, folder_, path) : CopyAll(h, out);
    CloseHandle(h);
    if (!sent) status = 1;
  }
  return status;
}

int PhoneShell::Stat(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err) {
  if (words.size() < 4 || words[1] != "-c") {
    err.Print("stat: Need 1 argument\n");
    return 1;
  }
  int status = 0;
  for (const std::string& path : Rest(words, 3)) {
    const PhoneFiles::Access access = files_.CanStat(user, path);
    if (access != PhoneFiles::Access::kOk) {
      status = Complain(err, "stat", path, access);
      continue;
    }
    const PhoneMeta meta = files_.MetaOf(path);
    std::string line = words[2];
    for (size_t at; (at = line.find("%s")) != std::string::npos;) line.replace(at, 2, std::to_string(files_.Size(path)));
    for (size_t at; (at = line.find("%a")) != std::string::npos;) line.replace(at, 2, Octal(meta.mode));
    for (size_t at; (at = line.find("%U")) != std::string::npos;) line.replace(at, 2, meta.owner);
    out.Print(line + "\n");
  }
  return status;
}

int PhoneShell::Ls(const std::vector<std::string>& words, const std::string& user, Output& out, Output& err) {
  bool longForm = false;
  std::vector<std::string> paths;
  for (const std::string& word : Rest(words, 1)) {
    if (!word.empty() && word[0] == '-') {
      longForm = longForm || word.find('l') != std::string::npos;
    } else {
      paths.push_back(word);
    }
  }
  auto line = [&](const std::string& path, const std::string& shown) {
    if (!longForm) return shown + "\n";
    const PhoneMeta meta = files_.MetaOf(path);
    const bool folder = files_.KindOf(path) == PhoneFiles::Kind::kFolder;
    const std::string size = folder ? "4096" : std::to_string(files_.Size(path));
    // toybox (Android 6 on) shows a link count and the path as given; toolbox the name.
    if (scenario_.hasStat) return ModeText(folder, meta.mode) + " 1 " + meta.owner + " " + meta.owner + " " + size +
                                  " 2019-01-31 12:00 " + shown + "\n";
    std::string owner = meta.owner;
    owner.resize(owner.size() < 8 ? 8 : owner.size(), ' ');
    std::string padded = size;
    if (padded.size() < 8) padded.insert(0, 8 - padded.size(), ' ');
    return ModeText(folder, meta.mode) + " " + owner + " " + owner + " " + padded + " 2015-01-31 12:00 " +
           PhoneFiles::Name(path) + "\n";
  };
  int status = 0;
  for (const std::string& path : paths) {
    const PhoneFiles::Access access = files_.CanStat(user, path);
    if (access != PhoneFiles::Access::kOk) {
      status = Complain(err, "ls", path, access);
      continue;
    }
    if (files_.KindOf(path) != PhoneFiles::Kind::kFolder) {
      out.Print(line(path, path));
      continue;
    }
    if (files_.CanRead(user, path) != PhoneFiles::Access::kOk && user != "root") {
      status = Complain(err, "ls", path, PhoneFiles::Access::kDenied);
      continue;
    }
    for (const std::string& name : files_.List(path)) out.Print(line(path + "/" + name, name));
  }
  return status;
}

int PhoneShell::Chmod(const std::vector<std::string>& words, const std::string& user, Output& err) {
  if (words.size() < 3) {
    err.Print("chmod: Needs 2 arguments\n");
    return 1;
  }
  const unsigned mode = static_cast<unsigned>(std::strtoul(words[1].c_str(), nullptr, 8)) & 07777;
  int status = 0;
  for (const std::string& path : Rest(words, 2)) {
    const PhoneFiles::Access access = files_.CanStat(user, path);
    if (access != PhoneFiles::Access::kOk) {
      status = Complain(err, "chmod", path, access);
    } else if (!files_.Owns(user, path)) {
      err.Print("chmod: " + path + ": Operation not permitted\n");
      status = 1;
    } else {
      PhoneMeta meta = files_.MetaOf(path);
      meta.mode = mode;
      files_.SetMeta(path, meta);
    }
  }
  return status;
}

int PhoneShell::Chown(const std::vector<std::string>& words, const std::string& user, Output& err) {
  if (words.size() < 3) {
    err.Print("chown: Needs 2 arguments\n");
    return 1;
  }
  const std::string owner = words[1].substr(0, words[1].find_first_of(":."));
  int status = 0;
  for (const std::string& path : Rest(words, 2)) {
    const PhoneFiles::Access access = files_.CanStat(user, path);
    if (access != PhoneFiles::Access::kOk) {
      status = Complain(err, "chown", path, access);
    } else if (user != "root") {
      err.Print("chown: " + path + ": Operation not permitted\n");
      status = 1;
    } else {
      PhoneMeta meta = files_.MetaOf(path);
      meta.owner = owner;
      files_.SetMeta(path, meta);
    }
  }
  return status;
}

int PhoneShell::Mkdir(const std::vector<std::string>& words, const std::string& user, Output& err) {
  bool parents = false;
  // The umask of root's su is 077, the shell's 022.
  unsigned mode = user == "root" ? 0700 : 0755;
  int status = 0;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "-p") {
      parents = true;
    } else if (words[i] == "-m" && i + 1 < words.size()) {
      mode = static_cast<unsigned>(std::strtoul(words[++i].c_str(), nullptr, 8)) & 07777;
    } else if (files_.KindOf(words[i]) != PhoneFiles::Kind::kNone) {
      if (!parents) {
        err.Print("mkdir: '" + words[i] + "': File exists\n");
        status = 1;
      }
    } else {
      const PhoneFiles::Access access = files_.CanCreateIn(user, PhoneFiles::Parent(words[i]));
      if (access != PhoneFiles::Access::kOk || !PhoneFiles::Valid(words[i])) {
        status = Complain(err, "mkdir", words[i], access == PhoneFiles::Access::kOk ? PhoneFiles::Access::kDenied : access);
      } else if (!files_.MakeFolder(words[i], user, mode)) {
        status = Complain(err, "mkdir", words[i], PhoneFiles::Access::kDenied);
      }
    }
  }
  return status;
}

int PhoneShell::Rm(const std::vector<std::string>& words, const std::string& user, Output& err) {
  const bool rmdir = words[0] == "rmdir";
  bool recursive = false;
  bool force = false;
  int status = 0;
  for (const std::string& word : Rest(words, 1)) {
    if (!rmdir && word.size() > 1 && word[0] == '-') {
      recursive = recursive || word.find_first_of("rR") != std::string::npos;
      force = force || word.find('f') != std::string::npos;
      continue;
    }
    const PhoneFiles::Kind kind = files_.KindOf(word);
    if (kind == PhoneFiles::Kind::kNone) {
      if (!force) status = Complain(err, words[0], word, PhoneFiles::Access::kNoEntry);
    } else if (kind == PhoneFiles::Kind::kFolder && !recursive && !rmdir) {
      err.Print("rm: " + word + ": Is a directory\n");
      status = 1;
    } else if (files_.CanCreateIn(user, PhoneFiles::Parent(word)) != PhoneFiles::Access::kOk ||
               !files_.Remove(word, recursive)) {
      status = Complain(err, words[0], word, PhoneFiles::Access::kDenied);
    }
  }
  return status;
}
