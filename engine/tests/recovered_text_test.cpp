// Deleted contacts grouped into people, sender names, and the text of a run: "N/A", one
// line per value, fields that can neither end their line nor shift the fields after them.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "ContactRecovery.h"
#include "MessageRecovery.h"
#include "RecoveredText.h"
#include "SqliteParse.h"

using namespace engine;

namespace {

const char kName[] = "vnd.android.cursor.item/name";
const char kPhone[] = "vnd.android.cursor.item/phone_v2";
const char kEmail[] = "vnd.android.cursor.item/email_v2";

CarvedDataRow row(const std::string& rawContactId, const char* mimetype, const std::string& data1,
                  const std::string& data2 = "", const std::string& data3 = "") {
  CarvedDataRow r;
  r.rawContactId = rawContactId;
  r.mimetype = mimetype;
  r.data1 = data1;
  r.data2Text = data2;
  if (!data2.empty() && data2.find_first_not_of("0123456789") == std::string::npos) r.data2 = std::stoll(data2);
  r.data3 = data3;
  return r;
}

RecoveredMessage message(const std::string& address, const std::string& body, const std::string& name = "") {
  RecoveredMessage m;
  if (!address.empty()) m.address = address;
  if (!body.empty()) m.body = body;
  m.contactName = name;
  return m;
}

}  // namespace

TEST(DeletedContacts, TheRowsOfOneRawContactAreOnePerson) {
  // Carved newest first: the values before the name row, two numbers, and a second person.
  const std::vector<RecoveredContact> contacts = groupContacts({
      row("3", kEmail, "james@example.com", "2"),
      row("3", kPhone, "07700 900123", "2"),
      row("3", kPhone, "+44 20 7946 0958", "0", "Boat"),
      row("3", kName, "James O'Brien", "James", "O'Brien"),
      row("4", kPhone, "5550111", "1"),
  });
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0].rawContactId, 3);
  EXPECT_EQ(contacts[0].name, "James O'Brien");
  EXPECT_EQ(contacts[0].givenName, "James");
  EXPECT_EQ(contacts[0].familyName, "O'Brien");
  ASSERT_EQ(contacts[0].values.size(), 3u);
  EXPECT_EQ(contacts[0].values[2].value, "+44 20 7946 0958");
  EXPECT_EQ(contacts[0].values[2].typeCode, 0);
  EXPECT_EQ(contacts[0].values[2].label, "Boat");
  EXPECT_EQ(contacts[0].values[0].mimetype, kEmail);
  // No name row: one person without a name, never a value as another's name.
  EXPECT_EQ(contacts[1].name, "");
  EXPECT_EQ(contactsText(contacts),
            "James O'Brien\tjames@example.com\r\n"
            "James O'Brien\t07700 900123\r\n"
            "James O'Brien\t+44 20 7946 0958\r\n"
            "N/A\t5550111\r\n");
  // A name alone still shows; nothing gives no text.
  EXPECT_EQ(contactsText(groupContacts({row("5", kName, "Dave")})), "Dave\tN/A\r\n");
  EXPECT_EQ(contactsText({}), "");
}

TEST(DeletedMessages, SenderNamesFromTheLiveContacts) {
  const ContactNames names({{"7", "Dora"}, {"7", "13800138000"}, {"8", "555"}, {"9", "Eve"}, {"9", "dora@mail"},
                            {"9", "666"}});
  // "+86" is dropped for the lookup.
  EXPECT_EQ(names.nameFor("+8613800138000"), "Dora");
  // The only row of its contact: no other row to name it.
  EXPECT_EQ(names.nameFor("555"), "");
  // The first other row of the contact in key order, whatever it holds.
  EXPECT_EQ(names.nameFor("666"), "Eve");
  EXPECT_EQ(names.nameFor("000"), "");
  EXPECT_EQ(ContactNames({}).nameFor("555"), "");
}

TEST(DeletedMessages, LinesWithNotAvailableFields) {
  EXPECT_EQ(messagesText({message("+8613800138000", "hi", "Dora")}), "Dora\t+8613800138000\thi\r\n");
  EXPECT_EQ(messagesText({message("", "body")}), "N/A\tN/A\tbody\r\n");
  EXPECT_EQ(messagesText({message("555", "")}), "N/A\t555\tN/A\r\n");
}

TEST(DeletedMessages, FieldsNeverBreakTheLine) {
  // CR LF becomes LF (also after a stray CR), a bare LF stays, a TAB becomes a space.
  EXPECT_EQ(messagesText({message("1", "a\r\nb\nc\r\r\nd")}), "N/A\t1\ta\nb\nc\nd\r\n");
  EXPECT_EQ(messagesText({message("1\t2", "x\ty")}), "N/A\t1 2\tx y\r\n");
  EXPECT_EQ(contactsText(groupContacts({row("1", kName, "Al\r\nice"), row("1", kPhone, "1\t2")})), "Al\nice\t1 2\r\n");
  EXPECT_EQ(textField("a\rb"), "a\rb");  // a lone CR cannot end a line
  // Not UTF-8: an empty field between the separators, not "N/A"; a field ends at a zero byte.
  EXPECT_EQ(messagesText({message("1", "\xC3\x28")}), "N/A\t1\t\r\n");
  EXPECT_EQ(messagesText({message(std::string("12\0" "3", 4), "ok")}), "N/A\t12\tok\r\n");
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
