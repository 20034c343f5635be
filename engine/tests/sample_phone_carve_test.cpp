// The engine on the built-in sample phone: real Android schemas, rows deleted the way the
// providers delete them, and the list of what was deleted.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "SqliteParse.h"
#include "TestDatabase.h"

using namespace enginetest;

namespace {

const std::string kPhone = SAMPLE_PHONE_DIR;

std::string unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char c = field[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

// Bodies of the deleted messages, as a run writes them.
std::vector<std::string> deletedBodies() {
  std::ifstream in(kPhone + "/expected-deleted.tsv");
  std::vector<std::string> bodies;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("sms\t", 0) != 0) continue;
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    std::string body = unescape(fields.at(6)), written;
    for (char c : body) {
      if (c == '\n' && !written.empty() && written.back() == '\r') written.pop_back();
      written += c == '\t' ? ' ' : c;
    }
    bodies.push_back(written);
  }
  return bodies;
}

std::string run(ePaserType type, const TempDir& dir) {
  SqliteParse parse(dir.path("contacts2.db"), dir.path("mmssms.db"));
  parse.startParse(type);
  return parse.get_contacts_mem();
}

}  // namespace

TEST(SamplePhone, EveryLineHasItsFieldsAndSomeDeletedMessagesComeBack) {
  TempDir dir;  // the engine opens the databases read-write: work on copies
  writeFile(dir.path("contacts2.db"), readFile(kPhone + "/contacts2.db"));
  writeFile(dir.path("mmssms.db"), readFile(kPhone + "/mmssms.db"));

  const std::string sms = run(ePaserSms, dir);
  for (const std::string& line : linesOf(sms)) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
  }
  const std::vector<std::string> bodies = deletedBodies();
  ASSERT_GE(bodies.size(), 20u);
  const size_t found = static_cast<size_t>(std::count_if(bodies.begin(), bodies.end(), [&](const std::string& body) {
    return sms.find("\t" + body + "\r\n") != std::string::npos;
  }));
  EXPECT_GE(found, 4u);

  for (const std::string& line : linesOf(run(ePaserContacts, dir))) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 1) << line;
  }
}
