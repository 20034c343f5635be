// recovery-rate: how much of what was deleted from a sample phone the engine gives back.
//
//   recovery-rate [--missed] PHONE_DIR...
//
// Each PHONE_DIR is written by make-sample-phone (contacts2.db, mmssms.db, their side
// files and expected-deleted.tsv). A deleted value counts when its bytes still stand
// somewhere in its database or side files and no live row holds the same value: message
// bodies for the messages run, data1 of the deleted data rows (names, numbers, e-mail
// addresses, companies, notes) for the contacts run. A number also counts in the forms the
// phone stores it besides data1 (digits only, with the country code), and a text in the
// form the full-text table keeps it (line breaks made blanks). Bytes that stand
// only inside a longer value (a short body inside another one) or only as a term of a
// full-text index (pages of its "_segments" and "_segdir" tables, which keep words, not
// values) do not count. The tool prints, per run, how many of those values came back
// exactly, and how many values came back that were never deleted (inexact or phantom) or
// that repeat a live value.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "PageSource.h"
#include "ReadOnlyVfs.h"
#include "SqliteParse.h"
#include "expected.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::string();
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::string digitsOf(const std::string& text) {
  std::string d;
  for (const char c : text) {
    if (c >= '0' && c <= '9') d += c;
  }
  return d;
}

// The forms a phone stores a number in besides as typed: digits (with "+" when typed), and
// the international form of a Chinese number.
std::vector<std::string> numberForms(const std::string& number) {
  const std::string d = digitsOf(number);
  const size_t first = number.find_first_not_of(' ');
  const bool plus = first != std::string::npos && number[first] == '+';
  std::vector<std::string> forms = {(plus ? "+" : "") + d};
  if (!plus && d.size() == 11 && d[0] == '1') forms.push_back("+86" + d);
  if (!plus && d.size() >= 10 && d.size() <= 12 && d[0] == '0' && d[1] != '0') forms.push_back("+86" + d.substr(1));
  return forms;
}

// Column values of every live row through the engine's read-only view (nothing is
// written beside the phone's files).
std::set<std::string> liveValues(const std::string& path, const char* sql) {
  std::set<std::string> values;
  auto source = engine::PageSource::openFiles(path);
  if (source == nullptr || !source->valid()) return values;
  engine::ReadOnlyVfs vfs(*source);
  sqlite3* db = vfs.open();
  sqlite3_stmt* statement = nullptr;
  if (db != nullptr && sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(statement, 0);
      if (text != nullptr) values.insert(reinterpret_cast<const char*>(text));
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return values;
}

void termPagesOf(sqlite3* db, std::set<uint64_t>& pages) {
  sqlite3_stmt* statement = nullptr;
  if (db != nullptr && sqlite3_prepare_v2(db, "SELECT pageno, name FROM dbstat", -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
      auto endsWith = [&](const char* suffix) {
        const std::string s(suffix);
        return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
      };
      if (endsWith("_segments") || endsWith("_segdir")) pages.insert(static_cast<uint64_t>(sqlite3_column_int64(statement, 0)));
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
}

// The pages of a database that belong to the full-text index's term tables, in the
// committed database and in the main file alone (whose pages the log's frames replace).
std::set<uint64_t> termPages(const std::string& path) {
  std::set<uint64_t> pages;
  auto source = engine::PageSource::openFiles(path);
  if (source == nullptr || !source->valid()) return pages;
  engine::ReadOnlyVfs vfs(*source);
  termPagesOf(vfs.open(), pages);
  sqlite3* mainOnly = nullptr;
  sqlite3_open_v2(("file:" + path + "?immutable=1").c_str(), &mainOnly, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                  nullptr);
  termPagesOf(mainOnly, pages);
  return pages;
}


// Where values stand: the bytes of the database and its side files, the page size of the
// main file (the first part), the pages of the full-text index, and every value known
// (deleted or live), to tell a value standing alone from one inside a longer value.
struct Files {
  std::string bytes;
  uint64_t mainSize = 0;
  uint64_t logEnd = 0;  // the log follows the main file and a separator byte
  uint32_t pageSize = 4096;
  std::set<uint64_t> termPages;
  std::vector<std::string> values;

  // The page an offset of `bytes` belongs to: of the main file, or of a log frame.
  uint64_t pageAt(size_t at) const {
    if (at < mainSize) return at / pageSize + 1;
    const size_t logStart = mainSize + 1;
    const size_t frameSize = 24 + pageSize;
    if (at < logStart + 32) return 0;
    const size_t frame = logStart + 32 + (at - logStart - 32) / frameSize * frameSize;
    if (frame + 4 > bytes.size()) return 0;
    return static_cast<uint64_t>(static_cast<uint8_t>(bytes[frame])) << 24 |
           static_cast<uint64_t>(static_cast<uint8_t>(bytes[frame + 1])) << 16 |
           static_cast<uint64_t>(static_cast<uint8_t>(bytes[frame + 2])) << 8 | static_cast<uint8_t>(bytes[frame + 3]);
  }

  bool standsAlone(const std::string& v) const {
    for (size_t at = bytes.find(v); at != std::string::npos; at = bytes.find(v, at + 1)) {
      if (at < logEnd && termPages.count(pageAt(at)) != 0) continue;
      bool inside = false;
      for (const std::string& w : values) {
        if (w.size() <= v.size()) continue;
        // Ends: at most the occurrences of v within w, each a step further.
        for (size_t k = w.find(v); k != std::string::npos && !inside; k = w.find(v, k + 1)) {
          inside = at >= k && bytes.compare(at - k, w.size(), w) == 0;
        }
        if (inside) break;
      }
      if (!inside) return true;
    }
    return false;
  }
};

Files filesOf(const std::string& path, const std::vector<std::string>& values) {
  Files f;
  f.bytes = readFile(path);
  f.mainSize = f.bytes.size();
  if (f.bytes.size() >= 18) {
    const uint32_t field = static_cast<uint8_t>(f.bytes[16]) << 8 | static_cast<uint8_t>(f.bytes[17]);
    f.pageSize = field == 1 ? 65536 : (field == 0 ? 4096 : field);
  }
  f.bytes += '\x01' + readFile(path + "-wal");
  f.logEnd = f.bytes.size();
  f.bytes += '\x01' + readFile(path + "-journal");
  f.termPages = termPages(path);
  f.values = values;
  return f;
}

struct Deleted {
  std::string value;
  bool number = false;
};

struct Score {
  size_t deleted = 0, surviving = 0, recovered = 0, wrong = 0, liveCopies = 0;
  std::vector<std::string> missed, wrongValues;
};

Score score(const std::vector<Deleted>& deleted, const std::set<std::string>& live, const Files& files,
            const std::set<std::string>& output) {
  Score s;
  std::set<std::string> seen, deletedForms;
  for (const Deleted& d : deleted) {
    // As the phone keeps it elsewhere too: a note's line breaks made blanks in the
    // full-text table.
    std::vector<std::string> forms = {d.value};
    std::string flat;
    for (size_t i = 0; i < d.value.size(); ++i) {
      if (d.value[i] == '\r' && i + 1 < d.value.size() && d.value[i + 1] == '\n') continue;
      flat += d.value[i] == '\n' || d.value[i] == '\r' ? ' ' : d.value[i];
    }
    if (flat != d.value) forms.push_back(flat);
    if (d.number) {
      const std::vector<std::string> more = numberForms(d.value);
      forms.insert(forms.end(), more.begin(), more.end());
    }
    for (const std::string& f : forms) deletedForms.insert(f);
    if (d.value.empty() || live.count(d.value) != 0 || !seen.insert(d.value).second) continue;
    ++s.deleted;
    const bool survives = std::any_of(forms.begin(), forms.end(), [&](const std::string& f) {
      return !f.empty() && files.standsAlone(f);
    });
    if (!survives) continue;
    ++s.surviving;
    const bool back = std::any_of(forms.begin(), forms.end(), [&](const std::string& f) { return output.count(f) != 0; });
    if (back) {
      ++s.recovered;
    } else {
      s.missed.push_back(d.value);
    }
  }
  for (const std::string& v : output) {
    if (deletedForms.count(v) != 0) continue;
    if (live.count(v) != 0) {
      ++s.liveCopies;
    } else {
      ++s.wrong;
      s.wrongValues.push_back(v);
    }
  }
  return s;
}

void print(const char* run, const Score& s, bool missed, const std::map<std::string, std::string>& originOf) {
  const double rate = s.surviving == 0 ? 100.0 : 100.0 * static_cast<double>(s.recovered) / s.surviving;
  std::printf("  %-9s %6zu deleted values, %6zu surviving, %6zu recovered (%5.1f%%), %zu inexact or phantom, "
              "%zu live copies\n",
              run, s.deleted, s.surviving, s.recovered, rate, s.wrong, s.liveCopies);
  if (!missed) return;
  for (const std::string& v : s.missed) std::printf("    missed: %s\n", v.c_str());
  for (const std::string& v : s.wrongValues) {
    const auto origin = originOf.find(v);
    std::printf("    wrong (%s): %s\n", origin == originOf.end() ? "?" : origin->second.c_str(), v.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool missed = false;
  int phones = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string dir = argv[i];
    if (dir == "--missed") {
      missed = true;
      continue;
    }
    ++phones;
    const std::string contacts = dir + "/contacts2.db", sms = dir + "/mmssms.db";
    std::vector<Deleted> deletedBodies, deletedValues;
    for (const std::vector<std::string>& f : samplephone::readExpectedLines(dir + "/expected-deleted.tsv")) {
      if (f[0] == "sms" && f.size() == 8) deletedBodies.push_back({samplephone::unescapeField(f[6]), false});
      if (f[0] == "data" && f.size() == 6 && f[4] != "\\N") {
        deletedValues.push_back({samplephone::unescapeField(f[4]), f[3] == "vnd.android.cursor.item/phone_v2"});
      }
    }
    auto valuesOf = [](const std::vector<Deleted>& deleted, const std::set<std::string>& live) {
      std::vector<std::string> all(live.begin(), live.end());
      for (const Deleted& d : deleted) all.push_back(d.value);
      std::sort(all.begin(), all.end());
      all.erase(std::unique(all.begin(), all.end()), all.end());
      return all;
    };

    std::set<std::string> bodies, values;
    std::map<std::string, std::string> originOf;  // for --missed: where a wrong value came from
    {
      SqliteParse run(contacts, sms);
      run.startParse(ePaserSms);
      for (const auto& m : run.messages()) {
        if (m.body && !m.body->empty()) bodies.insert(*m.body);
        if (m.body) originOf.emplace(*m.body, engine::originName(m.origin));
      }
    }
    {
      SqliteParse run(contacts, sms);
      run.startParse(ePaserContacts);
      for (const auto& c : run.contacts()) {
        if (!c.name.empty()) values.insert(c.name);
        originOf.emplace(c.name, "name");
        for (const auto& v : c.values) {
          values.insert(v.value);
          originOf.emplace(v.value, engine::originName(v.origin));
        }
      }
    }
    std::printf("%s\n", dir.c_str());
    const std::set<std::string> liveBodies = liveValues(sms, "SELECT body FROM sms");
    const std::set<std::string> liveData = liveValues(contacts, "SELECT data1 FROM data");
    print("messages", score(deletedBodies, liveBodies, filesOf(sms, valuesOf(deletedBodies, liveBodies)), bodies),
          missed, originOf);
    print("contacts", score(deletedValues, liveData, filesOf(contacts, valuesOf(deletedValues, liveData)), values),
          missed, originOf);
  }
  if (phones == 0) {
    std::fputs("usage: recovery-rate [--missed] PHONE_DIR...\n", stderr);
    return 2;
  }
  return 0;
}
