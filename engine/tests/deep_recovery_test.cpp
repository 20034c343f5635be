// The carver on databases written by SQLite itself: every shape a deleted cell takes in a
// leaf page (prefix lengths, merged freeblocks, cells that slid into the gap), whole pages
// on the freelist, the write-ahead log, overflow chains, and what must never come out
// (zeroed space, old copies of live rows).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "PhoneFixture.h"
#include "SqliteParse.h"

using namespace enginetest;

namespace {

std::set<std::string> lineSet(const std::string& text) {
  const std::vector<std::string> lines = linesOf(text);
  return std::set<std::string>(lines.begin(), lines.end());
}

std::string shortBody(int id) { return "ok " + std::to_string(id); }

// Messages whose cells start with every prefix length: payload length, rowid and header
// length take 1+1+1 (short body, small rowid), 1+... up to 2+3+1 bytes (rowid from 16384).
std::vector<Message> messagesOfEveryPrefix() {
  std::vector<Message> list;
  for (int id = 1; id <= 40; ++id) list.push_back({id, "5550100", shortBody(id)});          // prefix 3
  for (int id = 41; id <= 80; ++id) list.push_back({id, "5550100", longBody(id)});          // prefix 4
  for (int id = 200; id <= 240; ++id) list.push_back({id, "5550100", longBody(id)});        // prefix 5
  for (int id = 20000; id <= 20040; ++id) list.push_back({id, "5550100", longBody(id)});    // prefix 6
  return list;
}

struct Layout {
  int pageSize;
  int schemaFormat;
};

class EveryLayout : public ::testing::TestWithParam<Layout> {
 protected:
  DbOptions options() const {
    DbOptions o;
    o.pageSize = GetParam().pageSize;
    o.schemaFormat = GetParam().schemaFormat;
    return o;
  }
};

}  // namespace

TEST_P(EveryLayout, CellsOfEveryPrefixLengthComeBackAndNothingElse) {
  TempDir dir;
  Phone phone(dir, options());
  const std::vector<Message> list = messagesOfEveryPrefix();
  phone.addMessages(list);
  // Every third row: single freed cells, each its own freeblock with its own header.
  phone.deleteMessages("_id % 3 = 1");
  std::set<std::string> expected;
  for (const Message& m : list) {
    if (m.id % 3 == 1) expected.insert("N/A\t" + m.address + "\t" + m.body);
  }
  EXPECT_EQ(lineSet(phone.run(ePaserSms)), expected);
}

TEST_P(EveryLayout, NeighbouringFreeblocksMergedInBothOrders) {
  TempDir dir;
  Phone phone(dir, options());
  const std::vector<Message> list = messagesOfEveryPrefix();
  phone.addMessages(list);
  // A cell freed before its neighbour at the lower offset: the newer freeblock header lands
  // in front and the older one stays inside the merged block. The other order leaves the
  // later cell intact behind the earlier block's head.
  for (const int first : {10, 50, 210, 20010}) {
    phone.deleteMessages("_id = " + std::to_string(first));
    phone.deleteMessages("_id = " + std::to_string(first + 1));
  }
  for (const int first : {20, 60, 220, 20020}) {
    phone.deleteMessages("_id = " + std::to_string(first + 1));
    phone.deleteMessages("_id = " + std::to_string(first));
  }
  std::set<std::string> expected;
  for (const Message& m : list) {
    for (const int first : {10, 50, 210, 20010, 20, 60, 220, 20020}) {
      if (m.id == first || m.id == first + 1) expected.insert("N/A\t" + m.address + "\t" + m.body);
    }
  }
  EXPECT_EQ(lineSet(phone.run(ePaserSms)), expected);
}

TEST_P(EveryLayout, CellsThatSlidIntoTheGap) {
  TempDir dir;
  Phone phone(dir, options());
  std::vector<Message> list;
  for (int id = 1; id <= 6; ++id) list.push_back({id, "5550100", longBody(id)});
  phone.addMessages(list);
  // The newest cells lie at the start of the content area: freeing them moves that start
  // up instead of making freeblocks, and their bytes stay whole in the gap.
  phone.deleteMessages("_id = 6");
  phone.deleteMessages("_id = 5");
  EXPECT_EQ(lineSet(phone.run(ePaserSms)),
            (std::set<std::string>{"N/A\t5550100\t" + longBody(5), "N/A\t5550100\t" + longBody(6)}));
}

TEST_P(EveryLayout, DeletedContactRows) {
  TempDir dir;
  Phone phone(dir, options());
  std::vector<ContactRow> rows;
  for (int c = 1; c <= 12; ++c) {
    rows.push_back({2 * c - 1, c, "Person " + std::to_string(c)});
    rows.push_back({2 * c, c, "555010" + std::to_string(c)});
  }
  phone.addContactRows(rows);
  phone.deleteContactRows("raw_contact_id IN (3, 7)");
  EXPECT_EQ(lineSet(phone.run(ePaserContacts)),
            (std::set<std::string>{"Person 3\t5550103", "Person 7\t5550107"}));
}

INSTANTIATE_TEST_SUITE_P(PageSizesAndSchemaFormats, EveryLayout,
                         ::testing::Values(Layout{4096, 4}, Layout{1024, 4}, Layout{4096, 1}, Layout{1024, 1}),
                         [](const ::testing::TestParamInfo<Layout>& param) {
                           return "page" + std::to_string(param.param.pageSize) + "_format" +
                                  std::to_string(param.param.schemaFormat);
                         });

TEST(DeepRecovery, EveryRowDeletedLeavesPagesOnTheFreelist) {
  TempDir dir;
  Phone phone(dir);
  std::vector<Message> list;
  for (int id = 1; id <= 300; ++id) list.push_back({id, "5550100", longBody(id)});
  phone.addMessages(list);
  phone.deleteMessages("1");
  ASSERT_GT(Db(phone.smsPath()).scalar("PRAGMA freelist_count"), 3);
  std::set<std::string> deleted;
  for (const Message& m : list) deleted.insert("N/A\t" + m.address + "\t" + m.body);
  const std::set<std::string> lines = lineSet(phone.run(ePaserSms));
  // The emptied leaves went to the freelist whole; only what SQLite overwrote when it
  // made a freed page a trunk, or rebalanced a page, is gone.
  EXPECT_GE(lines.size(), 250u);
  for (const std::string& line : lines) EXPECT_EQ(deleted.count(line), 1u) << line;
}

TEST(DeepRecovery, AnEmptyAddressIsBelievedWhenTheRecordFillsItsBlock) {
  // Old phones store messages without an address; the live rows all have one, so an empty
  // address counts against a record whose header length was overwritten, unless the record
  // fills its freeblock exactly.
  TempDir dir;
  Phone phone(dir);
  // One page, so that no split leaves a stale copy of the row elsewhere.
  std::vector<Message> before, after;
  for (int id = 1; id <= 12; ++id) before.push_back({id, "5550100", longBody(id)});
  for (int id = 14; id <= 25; ++id) after.push_back({id, "5550100", longBody(id)});
  phone.addMessages(before);
  Db(phone.smsPath()).exec("INSERT INTO sms (_id, thread_id, address, date, body) VALUES (13, 1, NULL, 1, '" +
                           longBody(13) + "')");
  phone.addMessages(after);
  ASSERT_EQ(leafPagesOf(phone.smsPath(), "sms").size(), 1u);
  phone.deleteMessages("_id = 13");
  EXPECT_EQ(lineSet(phone.run(ePaserSms)), (std::set<std::string>{"N/A\tN/A\t" + longBody(13)}));
}

TEST(DeepRecovery, ZeroedFreeSpaceGivesNoPhantom) {
  TempDir dir;
  Phone phone(dir);
  const std::vector<Message> list = messagesOfEveryPrefix();
  phone.addMessages(list);
  // Few enough rows for one page: a page split would leave stale copies of the moved
  // cells in the gap, which zeroing on delete never touches (and which are recovered).
  std::vector<ContactRow> rows;
  for (int c = 1; c <= 20; ++c) rows.push_back({c, c, "Person " + std::to_string(c)});
  phone.addContactRows(rows);
  ASSERT_EQ(leafPagesOf(phone.contactsPath(), "data").size(), 1u);
  {
    Db sms(phone.smsPath());
    sms.exec("PRAGMA secure_delete=ON");
    sms.exec("DELETE FROM sms WHERE _id % 3 = 1 OR _id > 20030");
    Db contacts(phone.contactsPath());
    contacts.exec("PRAGMA secure_delete=ON");
    contacts.exec("DELETE FROM data WHERE _id % 2 = 0");
  }
  // The messages that come out are the stale copies the splits left: deleted rows all.
  std::set<std::string> deleted;
  for (const Message& m : list) {
    if (m.id % 3 == 1 || m.id > 20030) deleted.insert("N/A\t" + m.address + "\t" + m.body);
  }
  for (const std::string& line : lineSet(phone.run(ePaserSms))) EXPECT_EQ(deleted.count(line), 1u) << line;
  EXPECT_EQ(phone.run(ePaserContacts), "");
}

TEST(DeepRecovery, OldCopiesOfLiveRowsAreNotDeletedRows) {
  TempDir dir;
  Phone phone(dir);
  std::vector<Message> list;
  for (int id = 1; id <= 60; ++id) list.push_back({id, "5550100", longBody(id)});
  phone.addMessages(list);
  // Growing a row moves its cell: the old copy stays in a freeblock, with the same
  // address and body as the live row. A vacuum-free rewrite of many rows does the same.
  Db(phone.smsPath()).exec("UPDATE sms SET seen = 1234567, date_sent = 1700000000123 WHERE _id % 2 = 0");
  Db(phone.smsPath()).exec("UPDATE sms SET subject = 'moved' WHERE _id % 5 = 0");
  EXPECT_EQ(phone.run(ePaserSms), "");
}

TEST(DeepRecovery, OverflowingBodyFollowedThroughTheFreelist) {
  TempDir dir;
  Phone phone(dir);
  std::vector<Message> list;
  for (int id = 1; id <= 30; ++id) list.push_back({id, "5550100", longBody(id)});
  std::string huge;
  while (huge.size() < 9000) huge += "A long letter, line " + std::to_string(huge.size()) + ".\n";
  list.push_back({31, "5550111", "first " + huge});
  list.push_back({32, "5550122", "second " + huge});
  phone.addMessages(list);
  // The first deletion's first overflow page becomes the freelist's trunk; the second
  // deletion's overflow pages become freelist leaves with their bytes intact.
  phone.deleteMessages("_id = 31");
  phone.deleteMessages("_id = 32");
  std::string written = "second " + huge;
  std::replace(written.begin(), written.end(), '\t', ' ');
  const std::set<std::string> lines = lineSet(phone.run(ePaserSms));
  EXPECT_EQ(lines.count("N/A\t5550122\t" + written), 1u);
  for (const std::string& line : lines) EXPECT_EQ(line, "N/A\t5550122\t" + written);

  // A chain that leaves the freelist (into the file header page, or beyond the file) is
  // not followed, and a body that does not lie whole in the cell is not written cut.
  std::vector<uint8_t> file = readFile(phone.smsPath());
  const uint32_t pageSize = pageSizeOf(file);
  auto be32 = [&](size_t at) {
    return static_cast<uint32_t>(file.at(at)) << 24 | static_cast<uint32_t>(file.at(at + 1)) << 16 |
           static_cast<uint32_t>(file.at(at + 2)) << 8 | file.at(at + 3);
  };
  const uint32_t trunk = be32(32);
  ASSERT_GT(trunk, 1u);
  const size_t trunkAt = static_cast<size_t>(trunk - 1) * pageSize;
  for (const uint32_t next : {1u, 0x7FFFFFF0u}) {
    std::vector<uint8_t> broken = file;
    for (uint32_t i = 0; i < be32(trunkAt + 4); ++i) {
      const size_t leafAt = static_cast<size_t>(be32(trunkAt + 8 + 4 * i) - 1) * pageSize;
      for (int b = 0; b < 4; ++b) broken.at(leafAt + static_cast<size_t>(b)) = static_cast<uint8_t>(next >> (24 - 8 * b));
    }
    writeFile(phone.smsPath(), broken);
    EXPECT_EQ(phone.run(ePaserSms), "") << next;
  }
}

TEST(DeepRecovery, OlderFramesOfTheWriteAheadLog) {
  TempDir dir;
  TempDir copy;
  Phone phone(dir);
  {
    Db setup(phone.smsPath());
    setup.exec("PRAGMA journal_mode=WAL");
  }
  std::vector<Message> list;
  for (int id = 1; id <= 40; ++id) list.push_back({id, "5550100", longBody(id)});
  Db db(phone.smsPath());
  db.exec("PRAGMA wal_autocheckpoint=0");
  db.exec("BEGIN");
  for (const Message& m : list) {
    db.exec("INSERT INTO sms (_id, thread_id, address, date, body) VALUES (" + std::to_string(m.id) +
            ", 1, '5550100', 1, '" + m.body + "')");
  }
  db.exec("COMMIT");
  // Deleted with zeroing on: only the log's older frame still holds the rows 1 to 5;
  // rows 30 to 33 are deleted plainly and lie in free space of the newer frame.
  db.exec("PRAGMA secure_delete=ON");
  db.exec("DELETE FROM sms WHERE _id <= 5");
  db.exec("PRAGMA secure_delete=OFF");
  db.exec("DELETE FROM sms WHERE _id BETWEEN 30 AND 33");
  // The phone's files as a copy taken while the connection is still open.
  writeFile(copy.path("contacts2.db"), readFile(phone.contactsPath()));
  writeFile(copy.path("mmssms.db"), readFile(phone.smsPath()));
  writeFile(copy.path("mmssms.db-wal"), readFile(phone.smsPath() + "-wal"));
  ASSERT_GT(readFile(copy.path("mmssms.db-wal")).size(), 32u);

  SqliteParse parse(copy.path("contacts2.db"), copy.path("mmssms.db"));
  parse.startParse(ePaserSms);
  std::set<std::string> expected;
  for (const Message& m : list) {
    if (m.id <= 5 || (m.id >= 30 && m.id <= 33)) expected.insert("N/A\t5550100\t" + m.body);
  }
  EXPECT_EQ(lineSet(parse.get_contacts_mem()), expected);
}

TEST(DeepRecovery, AContactWhoseEveryValueIsLiveWasOnlyRenumbered) {
  TempDir dir;
  Phone phone(dir);
  std::vector<ContactRow> rows;
  for (int c = 1; c <= 10; ++c) {
    rows.push_back({2 * c - 1, c, "Person " + std::to_string(c)});
    rows.push_back({2 * c, c, "555010" + std::to_string(c)});
  }
  // Contact 11 is contact 2 written again under a new raw contact, as a sync does.
  rows.push_back({21, 11, "Person 2"});
  rows.push_back({22, 11, "5550102"});
  phone.addContactRows(rows);
  // Contact 3 loses its number to contact 4, then both old contacts are deleted.
  Db(phone.contactsPath()).exec("UPDATE data SET data1 = '5550103' WHERE _id = 8");
  phone.deleteContactRows("raw_contact_id IN (2, 3)");
  // Contact 2's rows are all live elsewhere: nothing. Contact 3's name is not: it comes
  // out with its number.
  EXPECT_EQ(lineSet(phone.run(ePaserContacts)), (std::set<std::string>{"Person 3\t5550103"}));
}
