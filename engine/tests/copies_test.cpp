// Deleted values that survive only in a structure that holds a copy: an index, phone_lookup,
// the full-text table; and a row found in its table and in its copy comes out once.
// Databases written by SQLite; where a test needs a copy to stand alone, the table's own
// bytes are zeroed by hand, as a later write over its free space would.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <set>

#include "PhoneFixture.h"
#include "SqliteParse.h"

using namespace enginetest;

namespace {

// Zeroes every occurrence of `text` in the file except in the pages of tree `keep`.
void zeroOutside(const std::string& path, const std::string& keep, const std::string& text) {
  std::vector<uint8_t> file = readFile(path);
  const uint32_t pageSize = pageSizeOf(file);
  const std::vector<uint32_t> kept = treePagesOf(path, keep);
  for (auto at = std::search(file.begin(), file.end(), text.begin(), text.end()); at != file.end();
       at = std::search(at + 1, file.end(), text.begin(), text.end())) {
    const uint32_t page = static_cast<uint32_t>((at - file.begin()) / pageSize) + 1;
    if (std::find(kept.begin(), kept.end(), page) == kept.end()) std::fill(at, at + static_cast<std::ptrdiff_t>(text.size()), 0);
  }
  writeFile(path, file);
}

bool inFile(const std::string& path, const std::string& text) {
  const std::vector<uint8_t> file = readFile(path);
  return std::search(file.begin(), file.end(), text.begin(), text.end()) != file.end();
}

class Copies : public ::testing::Test {
 protected:
  void SetUp() override {
    phone_ = std::make_unique<Phone>(dir_);
    Db db(phone_->contactsPath());
    db.exec("CREATE INDEX data_mimetype_data1_index ON data (mimetype_id,data1)");
    db.exec("CREATE TABLE phone_lookup (data_id INTEGER NOT NULL,raw_contact_id INTEGER NOT NULL,"
            "normalized_number TEXT NOT NULL,min_match TEXT NOT NULL)");
    std::vector<ContactRow> rows;
    for (int c = 1; c <= 30; ++c) {
      rows.push_back({2 * c - 1, c, "Person number " + std::to_string(c)});
      rows.push_back({2 * c, c, "55501" + std::to_string(100 + c)});
    }
    phone_->addContactRows(rows);
    db.exec("INSERT INTO phone_lookup SELECT _id, raw_contact_id, data1, '0' FROM data WHERE mimetype_id = 5");
  }

  std::set<std::string> contactLines() { return lineSet(phone_->run(ePaserContacts)); }

  static std::set<std::string> lineSet(const std::string& text) {
    const std::vector<std::string> lines = linesOf(text);
    return std::set<std::string>(lines.begin(), lines.end());
  }

  TempDir dir_;
  std::unique_ptr<Phone> phone_;
};

}  // namespace

TEST_F(Copies, ContactValuesOnlyInTheIndexOrOnlyInPhoneLookup) {
  {
    Db db(phone_->contactsPath());
    db.exec("DELETE FROM data WHERE raw_contact_id IN (7, 8)");
    db.exec("DELETE FROM phone_lookup WHERE raw_contact_id = 7");
  }
  // Contact 7's name survives in the index only, its number in phone_lookup only; contact
  // 8 in the index only.
  const std::string path = phone_->contactsPath();
  for (const char* value : {"Person number 7", "Person number 8", "55501108"}) {
    zeroOutside(path, "data_mimetype_data1_index", value);
  }
  zeroOutside(path, "phone_lookup", "55501107");
  for (const char* value : {"Person number 7", "55501107", "Person number 8", "55501108"}) {
    ASSERT_TRUE(inFile(path, value)) << value;
  }
  const std::set<std::string> expected = {"Person number 7\tN/A", "N/A\t55501107", "Person number 8\tN/A",
                                          "N/A\t55501108"};
  EXPECT_EQ(contactLines(), expected);
  // The number that phone_lookup kept comes with its raw contact.
  SqliteParse parse(phone_->contactsPath(), phone_->smsPath());
  parse.startParse(ePaserContacts);
  bool linked = false;
  for (const engine::RecoveredContact& c : parse.contacts()) {
    for (const engine::RecoveredContactValue& v : c.values) linked = linked || (v.value == "55501107" && c.rawContactId == 7);
  }
  EXPECT_TRUE(linked);
}

TEST(FullTextCopy, ABodyOnlyInTheFullTextJoinsItsRowAndNoMessageComesTwice) {
  if (!sqlite3_compileoption_used("ENABLE_FTS3")) GTEST_SKIP() << "this SQLite has no full-text tables";
  TempDir dir;
  Phone phone(dir);
  {
    Db db(phone.smsPath());
    db.exec("CREATE VIRTUAL TABLE words USING FTS3 (_id INTEGER PRIMARY KEY, index_text TEXT, source_id INTEGER, "
            "table_to_use INTEGER)");
    db.exec("CREATE TRIGGER sms_words_delete AFTER DELETE ON sms BEGIN DELETE FROM words WHERE source_id = OLD._id "
            "AND table_to_use = 1; END");
  }
  std::vector<Message> list;
  for (int id = 1; id <= 30; ++id) list.push_back({id, "5550100", longBody(id)});
  phone.addMessages(list);
  Db(phone.smsPath()).exec("INSERT INTO words (_id, index_text, source_id, table_to_use) "
                           "SELECT _id, body, _id, 1 FROM sms");
  phone.deleteMessages("_id IN (7, 9)");
  zeroOutside(phone.smsPath(), "words_content", longBody(9));
  ASSERT_TRUE(inFile(phone.smsPath(), longBody(9)));  // in the full-text table alone

  SqliteParse parse(phone.contactsPath(), phone.smsPath());
  parse.startParse(ePaserSms);
  std::vector<std::string> bodies;
  for (const engine::RecoveredMessage& m : parse.messages()) bodies.push_back(m.body.value_or(""));
  std::sort(bodies.begin(), bodies.end());
  EXPECT_EQ(bodies, (std::vector<std::string>{longBody(7), longBody(9)}));
  // Message 9's row lost its body but kept its _id and address: the copy is joined to it.
  for (const engine::RecoveredMessage& m : parse.messages()) {
    if (m.body == longBody(9)) {
      EXPECT_EQ(m.id, 9);
      EXPECT_EQ(m.address, "5550100");
    }
  }
}
