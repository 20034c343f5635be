// Serial-type decoding and the buffer carvers, fed with bytes built by hand.
#include <gtest/gtest.h>

#include <cstring>

#include "Carving.h"
#include "RecordHeader.h"

using namespace engine;

namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// Fills a carve buffer with `content` and returns its length.
size_t fill(CarveBuffer& buffer, const std::string& content) {
  uint8_t* p = buffer.prepare(content.size());
  std::memcpy(p, content.data(), content.size());
  return content.size();
}

}  // namespace

TEST(SerialTypes, VarintsOfEveryLength) {
  const uint8_t two[] = {0x81, 0x00};
  const uint8_t three[] = {0x81, 0x80, 0x01};
  const uint8_t nine[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t four[] = {0x81, 0x80, 0x80, 0x01};
  EXPECT_EQ(readSerialType(two, two + 2).type, 128u);
  EXPECT_EQ(readSerialType(two, two + 2).length, 2u);
  EXPECT_EQ(readSerialType(three, three + 3).type, 16385u);
  EXPECT_EQ(readSerialType(three, three + 3).length, 3u);
  EXPECT_EQ(readSerialType(nine, nine + 9).type, 0xFFFFFFFFu);
  EXPECT_EQ(readSerialType(nine, nine + 9).length, 9u);
  EXPECT_EQ(readSerialType(four, four + 4).type, 0x200001u);
  EXPECT_EQ(readSerialType(four, four + 4).length, 4u);
}

TEST(SerialTypes, VarintCutByTheEndReadsZeroes) {
  const uint8_t cut[] = {0xFF, 0xFF};
  const SerialType st = readSerialType(cut, cut + 2);  // the third byte is past the end
  EXPECT_EQ(st.length, 3u);
  EXPECT_EQ(st.type, (0x7Fu << 14) | (0x7Fu << 7));
}

TEST(SerialTypes, WidthsAndClasses) {
  const struct { uint32_t type; int width; int storage; } table[] = {
      {0, 0, 0},  {1, 1, 1},  {4, 4, kClassInteger}, {5, 6, kClassInteger}, {6, 8, 6},
      {7, 8, kClassReal}, {8, 0, 8}, {9, 0, 9}, {10, 0, 10}, {11, 0, 11},
      {12, 0, kClassBlob}, {13, 0, kClassText}, {26, 7, kClassBlob}, {27, 7, kClassText},
      {0xFFFFFFFFu, 2147483641, kClassText}};
  for (const auto& row : table) {
    EXPECT_EQ(calculateDataWidth(row.type), row.width) << row.type;
    EXPECT_EQ(checkDataType(row.type), row.storage) << row.type;
  }
}

// Contacts examples: n = 3 columns, raw_contact_id at 1, data1 at 2.
const ContactColumns kContact{1, 2, 3};
const std::string kAliceRecord = bytes({0x00, 0x01, 0x17, 0x2A, 'A', 'l', 'i', 'c', 'e'});

TEST(ContactCarving, FreeblockRecords) {
  CarveBuffer buffer;
  std::vector<ContactPair> out;
  carveContactFreeblock(buffer, fill(buffer, kAliceRecord), kContact, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].first, "\x2A");
  EXPECT_EQ(out[0].second, "Alice");

  // Two records: the 4 prefix bytes of the second cell are skipped, and a fifth byte of n or
  // more (its header length) too; a smaller one is column 0's serial type.
  for (int fifth : {0x03, 0x04}) {
    out.clear();
    const std::string two = kAliceRecord + bytes({1, 2, 3, 4, fifth}) + kAliceRecord;
    carveContactFreeblock(buffer, fill(buffer, two), kContact, out);
    ASSERT_EQ(out.size(), 2u) << fifth;
    EXPECT_EQ(out[1].second, "Alice");
  }
  out.clear();
  carveContactFreeblock(buffer, fill(buffer, kAliceRecord + bytes({1, 2, 3, 4}) + kAliceRecord), kContact, out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].second, "Alice");

  // The last record needs two more bytes than remain: dropped, the first one kept.
  out.clear();
  const std::string cut = kAliceRecord + bytes({1, 2, 3, 4}) + kAliceRecord.substr(0, 7);
  carveContactFreeblock(buffer, fill(buffer, cut), kContact, out);
  EXPECT_EQ(out.size(), 1u);
}

TEST(ContactCarving, FreeblockWithHugeSerialTypeStaysInsideTheBuffer) {
  CarveBuffer buffer;
  std::vector<ContactPair> out;
  // data1 claims a width of about 2 GiB: the record cannot end inside the area.
  const std::string huge = bytes({0x00, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x2A, 'x'});
  carveContactFreeblock(buffer, fill(buffer, huge), kContact, out);
  EXPECT_TRUE(out.empty());
  // No columns: nothing to decode, and no endless loop.
  carveContactFreeblock(buffer, fill(buffer, kAliceRecord), ContactColumns{1, 2, 0}, out);
  EXPECT_TRUE(out.empty());
}

TEST(ContactCarving, AreaPatternAndBounds) {
  CarveBuffer buffer;
  std::vector<ContactPair> out;
  const std::string area = bytes({0x05, 0xFF}) + kAliceRecord;
  carveContactArea(buffer, fill(buffer, area), kContact, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].second, "Alice");

  // data1's type byte must be text: a BLOB, a real, an empty BLOB or NULL fail.
  for (int type : {0x16, 0x07, 0x0C, 0x00}) {
    std::string changed = area;
    changed[4] = static_cast<char>(type);
    out.clear();
    carveContactArea(buffer, fill(buffer, changed), kContact, out);
    EXPECT_TRUE(out.empty()) << type;
  }

  // The record would end one byte past the area.
  out.clear();
  carveContactArea(buffer, fill(buffer, area.substr(0, 10)), kContact, out);
  EXPECT_TRUE(out.empty());

  // data1 at position 0 tests only the byte at the start.
  out.clear();
  carveContactArea(buffer, fill(buffer, bytes({0x17, 0x01, 'A', 'l', 'i', 'c', 'e', 0x2A})),
                   ContactColumns{1, 0, 2}, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].first, "\x2A");
  EXPECT_EQ(out[0].second, "Alice");
}

// Message examples: N = 5, address 2, person 3, body 4.
const SmsColumns kSms{2, 3, 4, 5};
const std::string kHelloRecord =
    bytes({0x00, 0x01, 0x13, 0x00, 0x17, 0x07, '1', '2', '3', 'h', 'e', 'l', 'l', 'o'});

TEST(SmsCarving, FreeblockRecords) {
  CarveBuffer buffer;
  std::vector<SmsCandidate> out;
  carveSmsFreeblock(buffer, fill(buffer, kHelloRecord), kSms, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].address, "123");
  EXPECT_EQ(out[0].person, "");
  EXPECT_EQ(out[0].body, "hello");

  // The byte after the 4 skipped bytes: above N it is a header length and skipped too; equal
  // to N it is column 0's serial type. (Here N = 5 would be read as the first serial type.)
  out.clear();
  const std::string skipSix = kHelloRecord + bytes({1, 2, 3, 4, 6}) + kHelloRecord;
  carveSmsFreeblock(buffer, fill(buffer, skipSix), kSms, out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].body, "hello");

  out.clear();
  const std::string noSkip = kHelloRecord + bytes({1, 2, 3, 4}) + kHelloRecord;
  carveSmsFreeblock(buffer, fill(buffer, noSkip), kSms, out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].address, "123");
}

TEST(SmsCarving, ZeroedFreeblockYieldsEmptyCandidates) {
  CarveBuffer buffer;
  for (size_t zeros : {4u, 5u, 13u, 14u, 100u}) {
    std::vector<SmsCandidate> out;
    carveSmsFreeblock(buffer, fill(buffer, std::string(zeros, '\0')), kSms, out);
    const size_t expected = zeros < 5 ? 0 : (zeros - 5) / 9 + 1;
    EXPECT_EQ(out.size(), expected) << zeros;
  }
}

TEST(SmsCarving, AreaPattern) {
  // N = 11, address 2, person 3, body 10.
  const SmsColumns columns{2, 3, 10, 11};
  const std::string record = bytes({0x00, 0x01, 0x13, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x17}) +
                             bytes({0x05, 'a', 'b', 'c', 1, 2, 3, 4, 5, 6}) + "hello";
  const std::string area = bytes({0xFF}) + record + bytes({0x00});
  ASSERT_EQ(area.size(), 28u);
  CarveBuffer buffer;
  std::vector<SmsCandidate> out;
  carveSmsArea(buffer, fill(buffer, area), columns, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].address, "abc");
  EXPECT_EQ(out[0].body, "hello");

  // An area shorter than 12 bytes is not scanned.
  out.clear();
  carveSmsArea(buffer, fill(buffer, record.substr(0, 11)), columns, out);
  EXPECT_TRUE(out.empty());

  // A body column beyond the area fails the body test instead of reading past it.
  out.clear();
  carveSmsArea(buffer, fill(buffer, area), SmsColumns{2, 3, 60000, 60001}, out);
  EXPECT_TRUE(out.empty());
}

TEST(SmsCarving, TwoByteBodyTypesOnlyWhenTheFirstByteIsOdd) {
  const SmsColumns columns{2, 3, 10, 11};
  auto areaWithBody = [](size_t bodyLength) {
    const uint32_t type = static_cast<uint32_t>(bodyLength * 2 + 13);
    std::string header = bytes({0x00, 0x01, 0x13, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01});
    header += bytes({static_cast<int>(0x80 | (type >> 7)), static_cast<int>(type & 0x7F)});
    return header + bytes({0x05, 'a', 'b', 'c', 1, 2, 3, 4, 5, 6}) + std::string(bodyLength, 'x');
  };
  CarveBuffer buffer;
  std::vector<SmsCandidate> out;
  carveSmsArea(buffer, fill(buffer, areaWithBody(100)), columns, out);  // 0x81 xx
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].body, std::string(100, 'x'));
  out.clear();
  carveSmsArea(buffer, fill(buffer, areaWithBody(150)), columns, out);  // 0x82 xx
  EXPECT_TRUE(out.empty());
}

TEST(CarveBufferTest, BytesBeyondTheFillReadAsZero) {
  CarveBuffer buffer;
  fill(buffer, std::string(100, '\xAB'));
  buffer.prepare(10);
  for (size_t i = 0; i < 120; ++i) EXPECT_EQ(buffer.data()[i], 0) << i;
  fill(buffer, std::string(CarveBuffer::kCapacity, '\xAB'));
  buffer.prepare(0);
  EXPECT_EQ(buffer.data()[CarveBuffer::kCapacity - 1], 0);
  EXPECT_EQ(buffer.end() - buffer.data(), static_cast<std::ptrdiff_t>(CarveBuffer::kCapacity + CarveBuffer::kSlack));
}
