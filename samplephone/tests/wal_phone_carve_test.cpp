// The recovery engine on the sample phone in write-ahead-log mode, as a pull brings it: the
// main file with its -wal beside it. The deletions of the newest messages exist only in
// the log's frames; they must come out with every other deleted row whose bytes survive,
// and nothing that was not deleted may.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PhoneOnDisk.h"
#include "SqliteParse.h"

namespace {

using namespace samplephonetest;

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

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::string field(const std::string& value) { return value == "N/A" ? std::string() : value; }

using Message = std::pair<std::string, std::string>;  // (address, body) as a run writes them

class WalPhoneCarving : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { phone_ = makePhone("wal", "--wal"); }
  static fs::path phone_;

  // One engine run over copies of the phone's files (the engine's SQLite connection
  // checkpoints and removes a log when it closes), with or without the logs.
  static std::vector<std::vector<std::string>> run(ePaserType type, bool withLogs) {
    fs::path copy = fs::path(SAMPLE_PHONE_SCRATCH) / (withLogs ? "run" : "run-without-logs");
    fs::remove_all(copy);
    fs::create_directories(copy);
    for (const char* name : {"contacts2.db", "mmssms.db"}) {
      fs::copy_file(phone_ / name, copy / name);
      if (withLogs) fs::copy_file(phone_ / (std::string(name) + "-wal"), copy / (std::string(name) + "-wal"));
    }
    SqliteParse parse((copy / "contacts2.db").string(), (copy / "mmssms.db").string());
    parse.startParse(type);
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : split(parse.get_contacts_mem(), "\r\n"))
      if (!line.empty()) lines.push_back(split(line, "\t"));
    return lines;
  }

  static std::set<Message> carvedMessages(bool withLogs) {
    std::set<Message> carved;
    for (const auto& f : run(ePaserSms, withLogs)) {
      EXPECT_EQ(3u, f.size());
      if (f.size() == 3) {
        EXPECT_TRUE(carved.insert({field(f[1]), field(f[2])}).second) << "twice: " << f[2];
      }
    }
    return carved;
  }

  // The deleted messages whose body lies in the log and nowhere in the main file.
  static std::set<Message> onlyInLog() {
    const std::string main = readFile(phone_ / "mmssms.db");
    const std::string log = readFile(phone_ / "mmssms.db-wal");
    std::set<Message> only;
    for (const Record& r : readExpected(phone_, "sms"))
      if (main.find(r[6]) == std::string::npos && log.find(r[6]) != std::string::npos)
        only.insert({written(r[4]), written(r[6])});
    return only;
  }
};
fs::path WalPhoneCarving::phone_;

TEST_F(WalPhoneCarving, EveryDeletedMessageThatSurvivesAndNothingElse) {
  std::set<Message> deleted, surviving;
  for (const Record& r : readExpected(phone_, "sms")) {
    deleted.insert({written(r[4]), written(r[6])});
    if (r.back() == "1") surviving.insert({written(r[4]), written(r[6])});
  }
  ASSERT_FALSE(surviving.empty());
  const std::set<Message> carved = carvedMessages(true);
  for (const Message& m : carved) EXPECT_EQ(1u, deleted.count(m)) << "not a deleted message: " << m.second;
  for (const Message& m : surviving) EXPECT_EQ(1u, carved.count(m)) << "missing: " << m.first << " " << m.second;
}

TEST_F(WalPhoneCarving, MessagesDeletedAfterTheLastCheckpointComeFromTheLog) {
  const std::set<Message> only = onlyInLog();
  ASSERT_GE(only.size(), 2u);
  const std::set<Message> withLog = carvedMessages(true);
  const std::set<Message> withoutLog = carvedMessages(false);
  for (const Message& m : only) {
    EXPECT_EQ(1u, withLog.count(m)) << "missing: " << m.second;
    EXPECT_EQ(0u, withoutLog.count(m)) << "found without the log: " << m.second;
  }
}

TEST_F(WalPhoneCarving, EveryDeletedContactRowThatSurvivesAndNothingElse) {
  std::set<std::string> deleted, surviving;
  for (const Record& r : readExpected(phone_, "data")) {
    deleted.insert(written(r[4]));
    if (r.back() == "1") surviving.insert(written(r[4]));
  }
  std::set<std::string> carved;
  for (const auto& f : run(ePaserContacts, true)) {
    ASSERT_EQ(2u, f.size());
    for (const std::string& value : f) {
      if (field(value).empty()) continue;
      EXPECT_EQ(1u, deleted.count(value)) << "not a deleted value: " << value;
      carved.insert(value);
    }
  }
  for (const std::string& value : surviving) EXPECT_EQ(1u, carved.count(value)) << "missing: " << value;
}

}  // namespace
