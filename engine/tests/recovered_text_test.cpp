// The text of a run: contact pairing, sender names, "N/A", and fields that can neither end
// their line nor shift the fields after them.
#include <gtest/gtest.h>

#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

#include "RecoveredText.h"
#include "SqliteParse.h"

using namespace engine;

namespace {

// The pairing as a plain comparison of every row with every later row: the reference the
// indexed pairing must match line for line.
std::string pairwiseContactText(const std::vector<ContactPair>& rows) {
  auto digits = [](const std::string& s) {
    for (char c : s) {
      if (c < '0' || c > '9') return false;
    }
    return true;
  };
  std::string text;
  std::vector<bool> used(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    for (size_t k = i; k < rows.size(); ++k) {
      const auto& a = rows[i].second;
      const auto& b = rows[k].second;
      if (a.empty() || b.empty() || rows[i].first != rows[k].first || a == b) continue;
      text += digits(a) ? textField(b) + "\t" + textField(a) : textField(a) + "\t" + textField(b);
      text += "\r\n";
      used[i] = used[k] = true;
    }
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& a = rows[i].second;
    if (a.empty() || used[i]) continue;
    text += digits(a) ? "N/A\t" + textField(a) : textField(a) + "\tN/A";
    text += "\r\n";
  }
  return text;
}

}  // namespace

TEST(ContactText, PairsNamesWithNumbers) {
  // Name and number of one contact: one line, whichever was carved first.
  EXPECT_EQ(buildContactText({{"\x01", "Alice"}, {"\x01", "5550100"}}), "Alice\t5550100\r\n");
  EXPECT_EQ(buildContactText({{"\x01", "5550100"}, {"\x01", "Alice"}}), "Alice\t5550100\r\n");
  // Lone values: digits only are numbers, anything else (a plus sign too) is a name.
  EXPECT_EQ(buildContactText({{"\x02", "5550100"}}), "N/A\t5550100\r\n");
  EXPECT_EQ(buildContactText({{"\x02", "+15550100"}}), "+15550100\tN/A\r\n");
  // Equal values are not paired.
  EXPECT_EQ(buildContactText({{"\x03", "Bob"}, {"\x03", "Bob"}}), "Bob\tN/A\r\nBob\tN/A\r\n");
  // A name and two numbers: each number with the name, and the numbers with each other.
  EXPECT_EQ(buildContactText({{"\x04", "Carol"}, {"\x04", "111"}, {"\x04", "222"}}),
            "Carol\t111\r\nCarol\t222\r\n222\t111\r\n");
  // Rows without data1 write nothing; no rows give no text.
  EXPECT_EQ(buildContactText({{"\x05", ""}}), "");
  EXPECT_EQ(buildContactText({}), "");
}

TEST(ContactText, IndexedPairingMatchesThePairwiseComparison) {
  std::mt19937 random(12345);
  const char* values[] = {"Ann", "Ben", "123", "456", "+789", "", "Ann"};
  for (int round = 0; round < 300; ++round) {
    std::vector<ContactPair> rows(random() % 14);
    for (auto& row : rows) {
      row.first = std::string(1, static_cast<char>('a' + random() % 3));
      row.second = values[random() % 7];
    }
    ASSERT_EQ(buildContactText(rows), pairwiseContactText(rows)) << "round " << round;
  }
}

TEST(SmsText, SenderNamesFromTheLiveContacts) {
  const std::vector<LookupRow> lookup = {
      {"7", "Dora"}, {"7", "13800138000"}, {"8", "555"}, {"9", "Eve"}, {"9", "dora@mail"}, {"9", "666"}};
  // "+86" is dropped for the lookup but kept in the address field.
  EXPECT_EQ(buildSmsText({{"+8613800138000", "", "hi"}}, lookup), "Dora\t+8613800138000\thi\r\n");
  // The only row of its contact: no other row to name it.
  EXPECT_EQ(buildSmsText({{"555", "", "x"}}, lookup), "N/A\t555\tx\r\n");
  // The first other row of the contact in query order, whatever it holds.
  EXPECT_EQ(buildSmsText({{"666", "", "x"}}, lookup), "Eve\t666\tx\r\n");
  EXPECT_EQ(buildSmsText({{"000", "", "x"}}, lookup), "N/A\t000\tx\r\n");
  EXPECT_EQ(buildSmsText({{"555", "", "x"}}, {}), "N/A\t555\tx\r\n");
  EXPECT_EQ(buildSmsText({{"", "", "body"}}, {}), "N/A\tN/A\tbody\r\n");
}

TEST(SmsText, FieldsNeverBreakTheLine) {
  // CR LF becomes LF (also after a stray CR), a bare LF stays, a TAB becomes a space.
  EXPECT_EQ(buildSmsText({{"1", "", "a\r\nb\nc\r\r\nd"}}, {}), "N/A\t1\ta\nb\nc\nd\r\n");
  EXPECT_EQ(buildSmsText({{"1\t2", "", "x\ty"}}, {}), "N/A\t1 2\tx y\r\n");
  EXPECT_EQ(buildContactText({{"\x01", "Al\r\nice"}, {"\x01", "1\t2"}}), "Al\nice\t1 2\r\n");
  EXPECT_EQ(textField("a\rb"), "a\rb");  // a lone CR cannot end a line
}

TEST(SmsText, UndecodableAndEmptyFields) {
  // Not UTF-8: an empty field between the separators, not "N/A".
  EXPECT_EQ(buildSmsText({{"1", "", "\xC3\x28"}}, {}), "N/A\t1\t\r\n");
  EXPECT_EQ(buildSmsText({{"\xFF", "", "ok"}}, {}), "N/A\t\tok\r\n");
  // A field is read up to its first zero byte.
  EXPECT_EQ(buildSmsText({{std::string("12\0" "3", 4), "", "ok"}}, {}), "N/A\t12\tok\r\n");
  // Zeroed free space carries no message: no line at all.
  EXPECT_EQ(buildSmsText({{"", "", ""}, {"", "\x01", ""}, {std::string(3, '\0'), "", ""}}, {}), "");
}

TEST(Utf8ToAnsi, StrictDecoding) {
  EXPECT_EQ(utf8ToAnsi("plain"), "plain");
  EXPECT_EQ(utf8ToAnsi(std::string("ab\0cd", 5)), "ab");
  const char* invalid[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80",
                           "\xE4\xBD", "\x80", "ok\xFF"};
  for (const char* s : invalid) EXPECT_EQ(utf8ToAnsi(s), "") << s;
#ifndef _WIN32
  // Outside Windows the ANSI code page is UTF-8: valid text passes unchanged.
  EXPECT_EQ(utf8ToAnsi("\xE5\xBC\xA0\xE4\xBC\x9F \xF0\x9F\x98\x80"), "\xE5\xBC\xA0\xE4\xBC\x9F \xF0\x9F\x98\x80");
#else
  // A Western code page keeps what it can show and puts its default character for the rest.
  if (GetACP() == 1252) {
    EXPECT_EQ(utf8ToAnsi("caf\xC3\xA9 \xE5\xBC\xA0"), "caf\xE9 ?");
  } else if (GetACP() == CP_UTF8) {
    EXPECT_EQ(utf8ToAnsi("caf\xC3\xA9 \xE5\xBC\xA0"), "caf\xC3\xA9 \xE5\xBC\xA0");
  }
#endif
}
