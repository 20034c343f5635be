// The engine on the built-in sample phone and its variants: real Android schemas, rows
// deleted the way the providers delete them, and the list of what was deleted and whether
// its bytes still lie in free space. Every such row must come out, and nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

#include "ContactAssembly.h"
#include "SqliteParse.h"
#include "TestDatabase.h"
#include "expected.h"

using namespace enginetest;

namespace {

const std::string kPhone = SAMPLE_PHONE_DIR;
const std::string kMakePhone = MAKE_SAMPLE_PHONE;

// A field as a run writes it: CR LF (also after further CRs) made LF, TAB made a space.
std::string written(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\n') {
      while (!out.empty() && out.back() == '\r') out.pop_back();
    }
    out += c == '\t' ? ' ' : c;
  }
  return out;
}

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

struct Deleted {
  std::set<std::pair<std::string, std::string>> messages, messagesInFreeSpace;  // (address, body)
  std::set<std::string> data1, data1InFreeSpace;
};

Deleted deletedRows(const std::string& phone) {
  Deleted d;
  for (const std::vector<std::string>& f : samplephone::readExpectedLines(phone + "/expected-deleted.tsv")) {
    if (f[0] == "sms" && f.size() == 8) {
      const auto message =
          std::make_pair(written(samplephone::unescapeField(f[4])), written(samplephone::unescapeField(f[6])));
      d.messages.insert(message);
      if (f[7] == "1") d.messagesInFreeSpace.insert(message);
    } else if (f[0] == "data" && f.size() == 6) {
      const std::string value = written(samplephone::unescapeField(f[4]));
      d.data1.insert(value);
      if (f[5] == "1") d.data1InFreeSpace.insert(value);
    }
  }
  return d;
}

std::string run(ePaserType type, const std::string& phone) {
  TempDir copy;  // the engine opens the databases read-write: work on copies
  writeFile(copy.path("contacts2.db"), readFile(phone + "/contacts2.db"));
  writeFile(copy.path("mmssms.db"), readFile(phone + "/mmssms.db"));
  SqliteParse parse(copy.path("contacts2.db"), copy.path("mmssms.db"));
  parse.startParse(type);
  return parse.get_contacts_mem();
}

std::string field(const std::string& value) { return value == "N/A" ? std::string() : value; }

// Carves both runs of the phone in `dir` and checks them against its list.
void expectEverySurvivingRowAndNothingElse(const std::string& dir) {
  const Deleted deleted = deletedRows(dir);
  ASSERT_FALSE(deleted.messages.empty());

  std::set<std::pair<std::string, std::string>> messages;
  for (const std::string& line : linesOf(run(ePaserSms, dir))) {
    const std::vector<std::string> f = fieldsOf(line);
    ASSERT_EQ(f.size(), 3u) << line;
    const auto message = std::make_pair(field(f[1]), field(f[2]));
    EXPECT_FALSE(message.first.empty() && message.second.empty()) << "phantom: " << line;
    EXPECT_EQ(deleted.messages.count(message), 1u) << "not a deleted message: " << line;
    EXPECT_TRUE(messages.insert(message).second) << "twice: " << line;
  }
  for (const auto& message : deleted.messagesInFreeSpace) {
    EXPECT_EQ(messages.count(message), 1u) << "missing: " << message.first << " " << message.second;
  }

  // A number also comes back in the forms the phone keeps it besides as typed (the lookup
  // table's digits, with the country code).
  std::set<std::string> deletedNumbers;
  for (const std::string& value : deleted.data1) {
    if (engine::looksLikeNumber(value)) deletedNumbers.insert(engine::phoneKey(value));
  }
  auto key = [](const std::string& value) {
    return engine::looksLikeNumber(value) ? "#" + engine::phoneKey(value) : value;
  };
  std::set<std::string> values;
  for (const std::string& line : linesOf(run(ePaserContacts, dir))) {
    const std::vector<std::string> f = fieldsOf(line);
    ASSERT_EQ(f.size(), 2u) << line;
    EXPECT_FALSE(field(f[0]).empty() && field(f[1]).empty()) << "phantom: " << line;
    for (const std::string& value : f) {
      if (field(value).empty()) continue;
      const bool deletedValue = deleted.data1.count(value) != 0 ||
                                (engine::looksLikeNumber(value) && deletedNumbers.count(engine::phoneKey(value)) != 0);
      EXPECT_TRUE(deletedValue) << "not a deleted value: " << line;
      values.insert(key(value));
    }
  }
  for (const std::string& value : deleted.data1InFreeSpace) {
    EXPECT_EQ(values.count(key(value)), 1u) << "missing: " << value;
  }
}

}  // namespace

TEST(SamplePhone, EveryDeletedRowInFreeSpaceAndNothingElse) { expectEverySurvivingRowAndNothingElse(kPhone); }

TEST(SamplePhone, Variants) {
  for (const char* options : {"--all-deleted", "--secure-delete", "--schema-format 1", "--page-size 1024"}) {
    SCOPED_TRACE(options);
    TempDir dir;
    const std::string command = "\"" + kMakePhone + "\" \"" + dir.path("phone") + "\" " + options + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    expectEverySurvivingRowAndNothingElse(dir.path("phone"));
  }
}
