// A stand-in for the Android Debug Bridge client, for tests and demonstrations without a
// phone. Copied beside the program under the client's file name, it answers the two commands
// the program sends:
//
//   shell su root chmod 777 <phone path>   marks a phone file readable
//   pull <phone path> <local path>         copies a phone file, creating the local folders
//
// Everything it needs lies beside its own executable:
//   phone\                the phone's file system: phone\data\data\...\contacts2.db, and
//                         on a phone of Android 7 or later mmssms.db under
//                         phone\data\user_de\0\...; a "-wal" or "-journal" beside a database
//                         is pulled like any other file
//   phone-scenario.txt    optional; how the phone behaves (see Scenario below)
//   phone-emulator.log    every command line received, appended (one record per run)
//   phone-state.txt       phone paths made readable by chmod, one per line
//
// Files under /data stay unreadable until a chmod through "su" marked them, as on a real
// phone where the databases belong to the provider's user.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Scenario file: lines "key = value"; '#' starts a comment line.
//   mode = normal       answers as a connected, rooted phone (the default)
//   mode = no-device    every command fails with "no devices/emulators found"
//   mode = not-rooted   "su" is missing: chmod fails, so the /data files cannot be pulled
//   mode = hang         every command waits for ever (a client that never returns)
//   pull-ms = N         a pull spreads its copy over N milliseconds in 16 pieces, so a
//                       client cut off early leaves a partial file
//   missing = PATH      the phone has no file at PATH (may be given several times)
struct Scenario {
  std::string mode = "normal";
  DWORD pullMs = 0;
  std::vector<std::string> missing;
};

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string ExeFolder() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return ".";
    if (n < buf.size() - 1 || buf.size() >= 65536) {
      std::string path(buf.data(), n);
      size_t slash = path.find_last_of("\\/");
      return slash == std::string::npos ? "." : path.substr(0, slash);
    }
    buf.resize(buf.size() * 2);
  }
}

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string line;
  for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) {
    if (c == '\n') {
      lines->push_back(Trim(line));
      line.clear();
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  if (!line.empty()) lines->push_back(Trim(line));
  std::fclose(f);
  return true;
}

Scenario LoadScenario(const std::string& folder) {
  Scenario sc;
  std::vector<std::string> lines;
  ReadLines(folder + "\\phone-scenario.txt", &lines);
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    if (key == "mode") sc.mode = value;
    else if (key == "pull-ms") sc.pullMs = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    else if (key == "missing") sc.missing.push_back(value);
  }
  return sc;
}

// Appends in one write so that several emulators running at once keep their records whole.
void AppendFile(const std::string& path, const std::string& text) {
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

// Log record: "> " and the raw command line, then "| " and each argument after the program.
void LogInvocation(const std::string& folder, int argc, char** argv) {
  std::string rec = "> ";
  rec += GetCommandLineA();
  rec += "\r\n";
  for (int i = 1; i < argc; ++i) {
    rec += "| ";
    rec += argv[i];
    rec += "\r\n";
  }
  AppendFile(folder + "\\phone-emulator.log", rec);
}

// Maps an absolute phone path onto the phone folder; rejects paths that could leave it.
bool PhoneFile(const std::string& folder, const std::string& remote, std::string* local) {
  if (remote.empty() || remote[0] != '/' || remote.find("..") != std::string::npos) return false;
  std::string mapped = folder + "\\phone" + remote;
  for (char& c : mapped) {
    if (c == '/') c = '\\';
  }
  *local = mapped;
  return true;
}

bool PhoneHasFile(const Scenario& sc, const std::string& folder, const std::string& remote,
                  std::string* local) {
  for (const std::string& m : sc.missing) {
    if (m == remote) return false;
  }
  if (!PhoneFile(folder, remote, local)) return false;
  DWORD attr = GetFileAttributesA(local->c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadable(const std::string& folder, const std::string& remote) {
  if (remote.compare(0, 6, "/data/") != 0) return true;
  std::vector<std::string> lines;
  ReadLines(folder + "\\phone-state.txt", &lines);
  for (const std::string& line : lines) {
    if (line == remote) return true;
  }
  return false;
}

// Creates every missing folder on the way to `path`'s parent.
void CreateParentFolders(const std::string& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    if ((path[i] == '\\' || path[i] == '/') && i > 0 && path[i - 1] != ':' &&
        path[i - 1] != '\\' && path[i - 1] != '/') {
      CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
  }
}

int Shell(const Scenario& sc, const std::string& folder, int argc, char** argv) {
  // Only "su root chmod 777 PATH" is known; anything else is an unknown shell command.
  if (argc >= 3 && std::strcmp(argv[2], "su") == 0) {
    if (sc.mode == "not-rooted") {
      std::fprintf(stderr, "/system/bin/sh: su: not found\n");
      return 127;
    }
    if (argc == 7 && std::strcmp(argv[3], "root") == 0 && std::strcmp(argv[4], "chmod") == 0 &&
        std::strcmp(argv[5], "777") == 0) {
      std::string local;
      if (!PhoneHasFile(sc, folder, argv[6], &local)) {
        std::fprintf(stderr, "chmod: %s: No such file or directory\n", argv[6]);
        return 1;
      }
      AppendFile(folder + "\\phone-state.txt", std::string(argv[6]) + "\r\n");
      return 0;
    }
  }
  std::fprintf(stderr, "/system/bin/sh: %s: not found\n", argc >= 3 ? argv[2] : "");
  return 127;
}

int Pull(const Scenario& sc, const std::string& folder, int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "adb: usage: pull REMOTE LOCAL\n");
    return 1;
  }
  const std::string remote = argv[2];
  std::string source;
  if (!PhoneHasFile(sc, folder, remote, &source)) {
    std::fprintf(stderr, "adb: error: failed to stat remote object '%s': No such file or directory\n",
                 remote.c_str());
    return 1;
  }
  if (!IsReadable(folder, remote)) {
    std::fprintf(stderr, "adb: error: failed to stat remote object '%s': Permission denied\n",
                 remote.c_str());
    return 1;
  }
  std::string target = argv[3];
  DWORD attr = GetFileAttributesA(target.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    target += "\\" + remote.substr(remote.find_last_of('/') + 1);
  }
  CreateParentFolders(target);

  std::vector<char> bytes;
  {
    FILE* in = std::fopen(source.c_str(), "rb");
    if (!in) {
      std::fprintf(stderr, "adb: error: cannot read '%s'\n", remote.c_str());
      return 1;
    }
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), in)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(in);
  }
  HANDLE out = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "adb: error: cannot create '%s'\n", target.c_str());
    return 1;
  }
  // Written piece by piece straight to the file, so a client ended early leaves what arrived.
  const size_t pieces = sc.pullMs > 0 ? 16 : 1;
  const size_t step = (bytes.size() + pieces - 1) / pieces;
  for (size_t done = 0, i = 0; i < pieces; ++i) {
    size_t n = bytes.size() - done < step ? bytes.size() - done : step;
    DWORD written = 0;
    if (n > 0) WriteFile(out, bytes.data() + done, static_cast<DWORD>(n), &written, nullptr);
    done += n;
    if (sc.pullMs > 0) {
      FlushFileBuffers(out);
      Sleep(sc.pullMs / static_cast<DWORD>(pieces));
    }
  }
  CloseHandle(out);
  std::printf("%s: 1 file pulled, 0 skipped. (%lu bytes)\n", remote.c_str(),
              static_cast<unsigned long>(bytes.size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = ExeFolder();
  LogInvocation(folder, argc, argv);
  const Scenario sc = LoadScenario(folder);
  if (sc.mode == "hang") {
    Sleep(INFINITE);
    return 0;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: shell COMMAND... | pull REMOTE LOCAL\n");
    return 1;
  }
  const std::string command = argv[1];
  if (sc.mode == "no-device") {
    std::fprintf(stderr, "adb: error: no devices/emulators found\n");
    return 1;
  }
  if (command == "shell") return Shell(sc, folder, argc, argv);
  if (command == "pull") return Pull(sc, folder, argc, argv);
  std::fprintf(stderr, "adb: unknown command %s\n", command.c_str());
  return 1;
}
