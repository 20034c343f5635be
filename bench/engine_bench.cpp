// Measures the recovery engine on a large phone: the time of each run next to the time of
// reading the files it reads once (warm cache), and the engine's peak memory; with the
// command-line tool named, also the tool run alone as a process of its own, timed from
// outside (start, run, text written, exit) with its own peak memory, and the tool started
// with no work at all, the floor under every run timed from outside.
//
//   engine_bench DIR [RETRIEVO_CARVE]      (DIR holds contacts2.db and mmssms.db)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "SqliteParse.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One plain read of a whole file in 1 MiB pieces; returns its size.
size_t readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  size_t total = 0;
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    total += static_cast<size_t>(in.gcount());
  }
  return total;
}

double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <typename Work>
double timeMedian(int rounds, Work work) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    work();
    times.push_back(millisecondsSince(start));
  }
  return medianOf(times);
}

// Peak resident memory of one run in a child process of its own, in MiB.
double peakMemoryOfRun(const std::string& contacts, const std::string& sms, ePaserType type) {
  const pid_t child = fork();
  if (child == 0) {
    SqliteParse parse(contacts, sms);
    parse.startParse(type);
    _exit(parse.get_contacts_mem().empty() ? 1 : 0);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One run of the command-line tool in a process of its own, its output thrown away (its
// errors too when `quiet`): the wall time in milliseconds, the process's peak memory in MiB
// and whether it exited with 0.
struct ToolRun {
  double ms;
  double peakMiB;
  bool ok;
};
ToolRun runTool(const std::string& tool, const std::vector<std::string>& args, bool quiet) {
  std::vector<char*> argv{const_cast<char*>(tool.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      if (quiet) dup2(null, STDERR_FILENO);
    }
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  return {millisecondsSince(start), static_cast<double>(usage.ru_maxrss) / 1024.0,
          WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// The wall time in milliseconds of SQLite opening `path` read-only and reading its schema,
// the part of every run left to SQLite; -1 when SQLite cannot read it.
double schemaRead(const std::string& path) {
  const auto start = Clock::now();
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
  sqlite3_stmt* statement = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "SELECT type, name, tbl_name, rootpage, sql FROM sqlite_master", -1, &statement,
                                nullptr) == SQLITE_OK;
  int step = SQLITE_ROW;
  while (ok && (step = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  ok = ok && step == SQLITE_DONE;
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return ok ? millisecondsSince(start) : -1.0;
}


}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: engine_bench DIR [RETRIEVO_CARVE]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::string contacts = dir + "/contacts2.db";
  const std::string sms = dir + "/mmssms.db";
  const int rounds = 7;

  readWhole(contacts);  // warm the cache
  readWhole(sms);
  const double readContacts = timeMedian(rounds, [&] { readWhole(contacts); });
  const double readSms = timeMedian(rounds, [&] { readWhole(sms); });

  size_t contactLines = 0, smsLines = 0;
  const double runContacts = timeMedian(rounds, [&] {
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserContacts);
    const std::string text = parse.get_contacts_mem();
    contactLines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  });
  const double runSms = timeMedian(rounds, [&] {
    SqliteParse parse(contacts, sms);
    parse.startParse(ePaserSms);
    const std::string text = parse.get_contacts_mem();
    smsLines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  });

  // A bare process, for comparison with the runs' peaks.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  struct rusage idle {};
  wait4(child, &status, 0, &idle);

  std::printf("files: contacts2.db %zu bytes, mmssms.db %zu bytes\n", readWhole(contacts), readWhole(sms));
  std::printf("%-16s %10s %14s %8s %12s %10s\n", "run", "run ms", "one read ms", "ratio", "peak MiB", "lines");
  std::printf("%-16s %10.2f %14.2f %8.2f %12.1f %10zu\n", "contacts", runContacts, readContacts,
              runContacts / readContacts, peakMemoryOfRun(contacts, sms, ePaserContacts), contactLines);
  // The messages run also reads the live contacts, so its files are both databases.
  std::printf("%-16s %10.2f %14.2f %8.2f %12.1f %10zu\n", "messages", runSms, readSms + readContacts,
              runSms / (readSms + readContacts), peakMemoryOfRun(contacts, sms, ePaserSms), smsLines);
  std::printf("SQLite opening a file and reading its schema alone: contacts2.db %.2f ms, mmssms.db %.2f ms\n",
              timeMedian(rounds, [&] { schemaRead(contacts); }), timeMedian(rounds, [&] { schemaRead(sms); }));
  std::printf("(peak of a bare process: %.1f MiB; medians of %d rounds)\n", static_cast<double>(idle.ru_maxrss) / 1024.0,
              rounds);
  if (argc == 3) {
    // The tool alone, timed from outside: what a user waits for.
    const std::string tool = argv[2];
    std::printf("%-16s %10s %14s %8s %12s\n", "retrievo-carve", "run ms", "one read ms", "ratio", "peak MiB");
    for (const char* run : {"contacts", "sms"}) {
      std::vector<double> times;
      double peak = 0;
      for (int i = 0; i < rounds; ++i) {
        const ToolRun toolRun = runTool(tool, {run, contacts, sms}, false);
        if (!toolRun.ok) {
          std::fprintf(stderr, "engine_bench: %s %s failed\n", tool.c_str(), run);
          return 1;
        }
        times.push_back(toolRun.ms);
        peak = std::max(peak, toolRun.peakMiB);
      }
      const bool messages = std::string(run) == "sms";
      const double read = messages ? readSms + readContacts : readContacts;
      const double ms = medianOf(times);
      std::printf("%-16s %10.2f %14.2f %8.2f %12.1f\n", messages ? "messages" : "contacts", ms, read, ms / read, peak);
    }
    // Without arguments the tool only prints its usage and exits.
    std::vector<double> starts;
    for (int i = 0; i < 3 * rounds; ++i) starts.push_back(runTool(tool, {}, true).ms);
    std::printf("retrievo-carve started with no work (it prints its usage and exits): %.2f ms\n", medianOf(starts));
  }
  return 0;
}
