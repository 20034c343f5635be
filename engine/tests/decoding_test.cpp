// Serial-type decoding, the column rules, the record validation and the page carver, fed
// with bytes built by hand where the exact byte layout is the point of the test.
#include <gtest/gtest.h>

#include <cstring>

#include "PageCarver.h"
#include "Bytes.h"
#include "RecordValidator.h"
#include "TableRules.h"

using namespace engine;

TEST(Varints, EveryLengthAndCutShort) {
  const struct {
    std::vector<uint8_t> bytes;
    uint64_t value;
    size_t length;
  } table[] = {
      {{0x7F}, 127, 1},
      {{0x81, 0x00}, 128, 2},
      {{0x81, 0x80, 0x01}, 16385, 3},
      {{0x81, 0x80, 0x80, 0x01}, 0x200001, 4},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, ~uint64_t{0}, 9},
      {{0xFF, 0xFF}, 0, 0},  // cut by the end of the bytes
  };
  for (const auto& row : table) {
    uint64_t value = 0;
    EXPECT_EQ(readVarint(row.bytes.data(), row.bytes.data() + row.bytes.size(), value), row.length);
    if (row.length > 0) {
      EXPECT_EQ(value, row.value);
    }
    if (row.length > 0 && row.length < 9) {
      uint8_t written[9];
      EXPECT_EQ(writeVarint(row.value, written), row.length);
      EXPECT_EQ(std::vector<uint8_t>(written, written + row.length), row.bytes);
    }
  }
  // Serial types as records store them: at most four bytes, no leading zero group.
  const uint8_t padded[] = {0x80, 0x17};
  const uint8_t five[] = {0x81, 0x81, 0x81, 0x81, 0x01};
  uint64_t t = 0;
  EXPECT_EQ(readSerialType(padded, 0, 2, t), 0u);
  EXPECT_EQ(readSerialType(five, 0, 5, t), 0u);
  EXPECT_EQ(readSerialType(five, 1, 5, t), 4u);
}

TEST(Varints, ContentWidths) {
  const struct { uint64_t type; uint64_t width; } table[] = {
      {0, 0}, {1, 1}, {4, 4}, {5, 6}, {6, 8}, {7, 8}, {8, 0}, {9, 0}, {10, 0}, {11, 0},
      {12, 0}, {13, 0}, {26, 7}, {27, 7}};
  for (const auto& row : table) EXPECT_EQ(contentWidth(row.type), row.width) << row.type;
}

namespace {

// Table "data" cut down to three columns: _id (rowid alias), raw_contact_id, data1.
TableRules contactRules(uint32_t schemaFormat = 4, std::vector<bool> softNotNull = {}) {
  return TableRules({{"_id", "INTEGER", false, true}, {"raw_contact_id", "INTEGER", false, false},
                     {"data1", "TEXT", false, false}},
                    {1, 2}, 2, softNotNull, schemaFormat, kUtf8);
}

constexpr uint32_t kUsable = 1024;

struct Page {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kUsable + kPageSlack, 0);
  void put(size_t at, std::initializer_list<int> values) {
    for (int v : values) bytes.at(at++) = static_cast<uint8_t>(v);
  }
  void put(size_t at, const std::string& text) { std::copy(text.begin(), text.end(), bytes.begin() + at); }
  // A leaf page header: first freeblock, cell count, content start.
  void leaf(uint32_t firstFreeblock, uint32_t cellCount, uint32_t contentStart) {
    put(0, {13, int(firstFreeblock >> 8), int(firstFreeblock & 0xFF), int(cellCount >> 8), int(cellCount & 0xFF),
            int(contentStart >> 8), int(contentStart & 0xFF), 0});
  }
};

// The cell of (rowid, raw_contact_id, a five-letter data1) at `at`: payload length 10,
// header [4, 0, 1, 0x17], content [raw_contact_id, name]; `rowid` bytes as given.
void putCell(Page& page, size_t at, std::initializer_list<int> rowid, int rawContactId, const std::string& name) {
  page.put(at, {10});
  page.put(at + 1, rowid);
  const size_t hs = at + 1 + rowid.size();
  page.put(hs, {4, 0, 1, 0x17, rawContactId});
  page.put(hs + 5, name);
}

// SQLite frees a cell by writing a freeblock header over its first four bytes.
void freeCell(Page& page, size_t at, uint32_t size, uint32_t next = 0) {
  page.put(at, {int(next >> 8), int(next & 0xFF), int(size >> 8), int(size & 0xFF)});
}

std::vector<std::pair<std::string, std::string>> carveLeaf(const Page& page, const TableRules& rules) {
  RecordValidator validator(rules, kUsable, nullptr);
  PageCarver carver(validator);
  std::vector<Record> records;
  carver.carveTreeLeaf(page.bytes.data(), records);
  std::vector<std::pair<std::string, std::string>> out;
  for (const Record& r : records) out.emplace_back(r.kept.at(0).textForm(), r.kept.at(1).textForm());
  return out;
}

using Rows = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(ColumnRules, SerialTypesAllowedByDeclaredType) {
  const TableRules rules({{"_id", "INTEGER", false, true}, {"n", "int", false, false}, {"r", "REAL", false, false},
                          {"num", "DECIMAL", false, false}, {"t", "VARCHAR(20)", false, false},
                          {"b", "", false, false}, {"nn", "TEXT", true, false}},
                         {4}, 1, {}, 4, kUtf8);
  const auto S = Allowance::kStrict, L = Allowance::kLenient, N = Allowance::kNever;
  struct Row { int column; uint64_t type; Allowance expected; };
  const Row table[] = {
      {0, 0, S}, {0, 1, N}, {0, 13, N},                          // the rowid alias is always NULL
      {1, 0, S}, {1, 6, S}, {1, 8, S}, {1, 7, L}, {1, 15, L}, {1, 14, L}, {1, 10, N}, {1, 11, N},
      {2, 7, S}, {2, 9, S}, {2, 13, L}, {2, 12, L},
      {3, 5, S}, {3, 101, S}, {3, 100, L},
      {4, 0, S}, {4, 27, S}, {4, 26, L}, {4, 1, L}, {4, 9, L},
      {5, 7, S}, {5, 12, S}, {5, 13, S}, {5, 11, N},
      {6, 0, N}, {6, 13, S},                                     // NOT NULL
  };
  for (const Row& row : table) {
    EXPECT_EQ(rules.allowance(row.column, row.type), row.expected) << row.column << " " << row.type;
  }
  EXPECT_EQ(rules.minColumns(), 5);
  EXPECT_TRUE(rules.canBeginType(4, 0x81));   // a text of 64 bytes or more
  EXPECT_FALSE(rules.canBeginType(4, 0x80));  // never minimal
  EXPECT_FALSE(rules.canBeginType(0, 0x81));
  // Before schema format 4 there are no serial types 8 and 9.
  const TableRules old = contactRules(1);
  EXPECT_EQ(old.allowance(1, 8), N);
  EXPECT_EQ(old.allowance(1, 9), N);
  EXPECT_EQ(contactRules(4).allowance(1, 9), S);
}

TEST(RecordValidation, IntegersTextsAndPenalties) {
  const TableRules rules = contactRules();
  RecordValidator validator(rules, kUsable, nullptr);
  struct Case { const char* name; std::vector<uint64_t> types; std::vector<int> content; bool ok; int penalty; };
  const Case cases[] = {
      {"sound", {0, 1, 0x17}, {42, 'A', 'l', 'i', 'c', 'e'}, true, 0},
      {"1 stored as a one-byte integer", {0, 1, 0x17}, {1, 'A', 'l', 'i', 'c', 'e'}, false, 0},
      {"5 stored in two bytes", {0, 2, 0x17}, {0, 5, 'A', 'l', 'i', 'c', 'e'}, false, 0},
      {"300 in two bytes", {0, 2, 0x17}, {1, 44, 'A', 'l', 'i', 'c', 'e'}, true, 0},
      {"invalid UTF-8", {0, 1, 0x17}, {42, 'A', 0xC3, 'i', 'c', 'e'}, false, 0},
      {"NUL inside text", {0, 1, 0x17}, {42, 'A', 0, 'i', 'c', 'e'}, true, 1},
      {"text in the integer column", {0, 0x0F, 0x17}, {'1', 'A', 'l', 'i', 'c', 'e'}, true, 1},
      {"two lenient columns", {0, 0x0F, 0x01}, {'1', 7}, false, 0},
      {"a real that is NaN", {0, 7, 0x17}, {0x7F, 0xF8, 0, 0, 0, 0, 0, 1, 'A', 'l', 'i', 'c', 'e'}, false, 0},
      {"too few columns", {0, 1}, {42}, false, 0},
  };
  for (const Case& c : cases) {
    Page page;
    const size_t at = 100;
    std::vector<int> header;
    size_t hl = 1 + c.types.size();
    page.bytes[at] = static_cast<uint8_t>(hl);
    for (size_t i = 0; i < c.types.size(); ++i) page.bytes[at + 1 + i] = static_cast<uint8_t>(c.types[i]);
    for (size_t i = 0; i < c.content.size(); ++i) page.bytes[at + hl + i] = static_cast<uint8_t>(c.content[i]);
    RecordShape shape;
    shape.recordStart = at;
    shape.headerLength = hl;
    shape.contentStart = at + hl;
    shape.types = &c.types;
    shape.areaEnd = kUsable;
    Record record;
    EXPECT_EQ(validator.validate(page.bytes.data(), shape, demandsFor(Evidence::kStrong, true), record), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(record.penalty, c.penalty) << c.name;
      // Weak evidence allows no penalty at all.
      EXPECT_EQ(validator.validate(page.bytes.data(), shape, demandsFor(Evidence::kWeak, true), record), c.penalty == 0)
          << c.name;
      // The cell must end inside its area.
      shape.areaEnd = at + hl + c.content.size() - 1;
      EXPECT_FALSE(validator.validate(page.bytes.data(), shape, demandsFor(Evidence::kStrong, true), record)) << c.name;
    }
  }
}

TEST(RecordValidation, SoftNotNullAndShortRecordsDependOnTheEvidence) {
  // Live rows never leave raw_contact_id NULL.
  const TableRules rules = contactRules(4, {false, true, false});
  RecordValidator validator(rules, kUsable, nullptr);
  Page page;
  page.put(100, {4, 0, 0, 0x17, 'A', 'l', 'i', 'c', 'e'});
  const std::vector<uint64_t> types = {0, 0, 0x17};
  RecordShape shape{100, 4, 104, &types, kUsable};
  Record record;
  EXPECT_TRUE(validator.validate(page.bytes.data(), shape, demandsFor(Evidence::kStrong, true), record));
  EXPECT_FALSE(validator.validate(page.bytes.data(), shape, demandsFor(Evidence::kWeak, true), record));
  EXPECT_FALSE(validator.validate(page.bytes.data(), shape, demandsFor(Evidence::kStrong, false), record));
}

TEST(RecordValidation, LocalPartAsSqliteSplitsPayloads) {
  const TableRules rules = contactRules();
  RecordValidator validator(rules, 4096, nullptr);
  EXPECT_EQ(validator.localSize(4061), 4061u);  // X = U - 35
  EXPECT_EQ(validator.localSize(4062), 489u);   // M = (U - 12) * 32 / 255 - 23
  EXPECT_EQ(validator.localSize(10000), 1816u); // M + (P - M) % (U - 4)
  RecordValidator small(rules, 1024, nullptr);
  EXPECT_EQ(small.localSize(989), 989u);
  EXPECT_EQ(small.localSize(990), 103u);
}

TEST(PageCarving, FreedCellsWithTheirHeadsOverwritten) {
  Page page;
  page.leaf(900, 0, 900);
  // Prefix 3 (payload, rowid and header length one byte each): the header overwrote column
  // 0's type too, which the rowid alias fixes as NULL.
  putCell(page, 900, {5}, 42, "Alice");
  freeCell(page, 900, 12, 930);
  // Prefix 5 (a three-byte rowid): the header length survives in front of the types.
  putCell(page, 930, {0x81, 0x80, 0x05}, 43, "Bobby");
  freeCell(page, 930, 14, 960);
  // Zeroed: a header and nothing else.
  freeCell(page, 960, 20);
  EXPECT_EQ(carveLeaf(page, contactRules()), (Rows{{"42", "Alice"}, {"43", "Bobby"}}));
}

TEST(PageCarving, MergedFreeblocksAndCellsInTheGap) {
  Page page;
  page.leaf(900, 1, 900);
  page.put(8, {0x03, 0xE8});  // one live cell at 1000
  putCell(page, 1000, {9}, 9, "Live!");
  // Bobby (912) was freed first, then Alice (900): the merged block's header sits on
  // Alice, Bobby keeps the older header with its header length lost; that header's next
  // pointer is exactly its own end, where a neighbour freed in between once began.
  putCell(page, 900, {5}, 42, "Alice");
  putCell(page, 912, {6}, 43, "Bobby");
  freeCell(page, 912, 12, 924);
  freeCell(page, 900, 24);
  // A cell that slid into the gap, whole, after leftovers of the pointer array.
  page.put(10, {0x03, 0x84});
  putCell(page, 600, {7}, 44, "Carol");
  EXPECT_EQ(carveLeaf(page, contactRules()), (Rows{{"42", "Alice"}, {"43", "Bobby"}, {"44", "Carol"}}));
}
