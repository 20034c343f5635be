// Whole runs over databases written by SQLite, with rows deleted the way Android deletes them.
#include <gtest/gtest.h>

#include <algorithm>

#include "PhoneFixture.h"
#include "SqliteParse.h"

using namespace enginetest;

namespace {

std::vector<Message> messages(int first, int last, const std::string& address = "5550100") {
  std::vector<Message> list;
  for (int id = first; id <= last; ++id) list.push_back({id, address, longBody(id)});
  return list;
}

bool hasLine(const std::string& text, const std::string& line) {
  const std::vector<std::string> lines = linesOf(text);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(ParseRun, NothingHappensWithoutARunOrWithAnUnknownType) {
  TempDir dir;
  Phone phone(dir);
  phone.addMessages(messages(1, 10));
  phone.deleteMessages("_id = 4");
  SqliteParse parse(phone.contactsPath(), phone.smsPath());
  EXPECT_EQ(parse.get_contacts_mem(), "");
  parse.startParse(static_cast<ePaserType>(7));
  EXPECT_EQ(parse.get_contacts_mem(), "");
  EXPECT_NE(phone.run(ePaserSms), "");
}

TEST(ParseRun, MessagesWithoutTheContactsDatabaseHaveNoNames) {
  TempDir dir;
  Phone phone(dir);
  phone.addMessages(messages(1, 10));
  phone.deleteMessages("_id = 4");
  phone.addContactRows({{1, 1, "Alice"}, {2, 1, "5550100"}, {3, 2, "Bob"}});
  {
    SqliteParse parse(dir.path("missing/contacts2.db"), phone.smsPath());
    parse.startParse(ePaserSms);
    EXPECT_EQ(linesOf(parse.get_contacts_mem()), std::vector<std::string>{"N/A\t5550100\t" + longBody(4)});
    EXPECT_EQ(parse.report().problem, "");
    ASSERT_EQ(parse.messages().size(), 1u);
    EXPECT_EQ(parse.messages()[0].date, 1700000000000LL + 4 * 60000LL);
    EXPECT_EQ(parse.messages()[0].type, 1);
    EXPECT_EQ(parse.messages()[0].threadId, 1);
  }
  {
    SqliteParse parse(phone.contactsPath(), phone.smsPath());
    parse.startParse(ePaserSms);
    EXPECT_TRUE(hasLine(parse.get_contacts_mem(), "Alice\t5550100\t" + longBody(4)));
    EXPECT_EQ(parse.messages().at(0).contactName, "Alice");
  }
  // A contacts run without its database says so.
  SqliteParse parse(dir.path("missing/contacts2.db"), phone.smsPath());
  parse.startParse(ePaserContacts);
  EXPECT_EQ(parse.get_contacts_mem(), "");
  EXPECT_NE(parse.report().problem.find("contacts2.db"), std::string::npos);
}

TEST(ParseRun, DeletedMessagesInFreeblocks) {
  TempDir dir;
  Phone phone(dir);
  // Rows deleted from a well-filled page; a page left less than a third full would be
  // rebalanced, which moves the cells and overwrites the freed space.
  phone.addMessages(messages(1, 20));
  phone.addMessages({{21, "+8613800138000", longBody(21)}, {22, "10086", "line one\r\nline two\ttabbed " + longBody(22)}});
  phone.addMessages(messages(23, 60));
  phone.addContactRows({{1, 7, "Wei Zhang"}, {2, 7, "13800138000"}});
  // Adjacent rows merge into one freeblock holding several records.
  phone.deleteMessages("_id IN (3, 5, 6, 7, 21, 22)");
  const std::vector<std::string> lines = linesOf(phone.run(ePaserSms));
  for (int id : {3, 5, 6, 7}) EXPECT_TRUE(hasLine(phone.run(ePaserSms), "N/A\t5550100\t" + longBody(id))) << id;
  EXPECT_TRUE(hasLine(phone.run(ePaserSms), "Wei Zhang\t+8613800138000\t" + longBody(21)));
  EXPECT_TRUE(hasLine(phone.run(ePaserSms), "N/A\t10086\tline one\nline two tabbed " + longBody(22)));
  EXPECT_EQ(lines.size(), 6u);
  // Live rows are not deleted records.
  EXPECT_FALSE(hasLine(phone.run(ePaserSms), "N/A\t5550100\t" + longBody(4)));
}

TEST(ParseRun, EveryMessageDeleted) {
  // The table has no live row left: its columns come from the statement, not from a row.
  TempDir dir;
  Phone phone(dir);
  phone.addMessages(messages(1, 3));
  phone.deleteMessages("1");
  const std::string text = phone.run(ePaserSms);
  for (int id = 1; id <= 3; ++id) EXPECT_TRUE(hasLine(text, "N/A\t5550100\t" + longBody(id))) << text;
}

TEST(ParseRun, EachDeletedContactIsOnePerson) {
  TempDir dir;
  Phone phone(dir);
  // The last rows written sit at the start of the content area, where a deletion would move
  // them into the gap instead of a freeblock: a live contact comes last.
  phone.addContactRows({{1, 1, "Alice"}, {2, 1, "5550100"}, {3, 2, "Bob"}, {4, 2, "5550199"},
                        {5, 3, "Carol"}, {6, 3, "5550123"}, {7, 3, "carol@example.com"},
                        {8, 4, "Frank"}, {9, 4, "5550111"}});
  phone.deleteContactRows("raw_contact_id IN (2, 3)");
  // The freed cells merge into one freeblock that starts at the last row written, so the
  // rows come out newest first: Carol before Bob, her values in that order.
  EXPECT_EQ(phone.run(ePaserContacts),
            "Carol\tcarol@example.com\r\n"
            "Carol\t5550123\r\n"
            "Bob\t5550199\r\n");
}

TEST(ParseRun, DeletedContactInTheGapOfAnOlderLayout) {
  TempDir dir;
  DbOptions options;
  options.schemaFormat = 1;
  options.pageSize = 1024;
  Phone phone(dir, options, /*android4Data=*/true);
  phone.addContactRows({{1, 1, "Alice"}, {2, 1, "5550100"}, {3, 2, "Dave"}});
  phone.deleteContactRows("_id = 3");
  EXPECT_EQ(linesOf(phone.run(ePaserContacts)), std::vector<std::string>{"Dave\tN/A"});
}

TEST(ParseRun, ManyPagesAndPageSizes) {
  for (int pageSize : {1024, 4096, 65536}) {
    TempDir dir;
    DbOptions options;
    options.pageSize = pageSize;
    Phone phone(dir, options);
    phone.addMessages(messages(1, 120));
    phone.deleteMessages("_id % 10 = 5");
    const std::string text = phone.run(ePaserSms);
    ASSERT_GT(leafPagesOf(phone.smsPath(), "sms").size(), pageSize == 65536 ? 0u : 1u);
    // A page left underfull by the deletions is rebalanced, which rewrites it and loses its
    // deleted rows: every row whose body is still in the file must come out, and no other.
    const std::vector<uint8_t> file = readFile(phone.smsPath());
    size_t surviving = 0;
    for (int id = 5; id <= 120; id += 10) {
      const std::string body = longBody(id);
      const bool inFile = std::search(file.begin(), file.end(), body.begin(), body.end()) != file.end();
      surviving += inFile ? 1 : 0;
      EXPECT_EQ(hasLine(text, "N/A\t5550100\t" + body), inFile) << "page size " << pageSize << ", id " << id;
    }
    EXPECT_GE(surviving, 8u) << "page size " << pageSize;
    EXPECT_EQ(linesOf(text).size(), surviving);
  }
}

TEST(ParseRun, TablesWithoutTheKeptColumnsAreNotCarved) {
  TempDir dir;
  createDatabase(dir.path("contacts2.db"), {"CREATE TABLE data (_id INTEGER PRIMARY KEY, raw_contact_id INTEGER, value TEXT)"});
  createDatabase(dir.path("mmssms.db"), {"CREATE TABLE sms (_id INTEGER PRIMARY KEY, Address TEXT, person INTEGER, body TEXT)"});
  {
    Db db(dir.path("mmssms.db"));
    db.exec("INSERT INTO sms VALUES (1, '555', NULL, 'hello there'), (2, '556', NULL, 'bye')");
    db.exec("DELETE FROM sms WHERE _id = 1");
  }
  for (int type : {ePaserContacts, ePaserSms}) {
    SqliteParse parse(dir.path("contacts2.db"), dir.path("mmssms.db"));
    parse.startParse(static_cast<ePaserType>(type));
    EXPECT_EQ(parse.get_contacts_mem(), "") << type;
  }
}
