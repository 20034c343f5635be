// Deleted records made from the engine's records, narrow-to-wide conversion, the record
// lookups and the list's row texts.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "DeletedRecords.h"
#include "ExportFixture.h"
#include "ListText.h"
#include "NarrowText.h"
#include "RecordExporter.h"
#include "RecordIndex.h"

namespace {

using apptest::kEmailMime;
using apptest::kNameMime;
using apptest::kOrgMime;
using apptest::kPhoneMime;
using apptest::ModelBuilder;

// A deleted person is one contact: named from its name row ("N/A" when none survived),
// with each value a data row of its own that the board shows as a live contact's, and the
// list's columns from the first value of each kind.
TEST(DeletedRecords, APersonIsOneContactWithEveryValue) {
    engine::RecoveredContact person;
    person.name = "James O'Brien";
    auto value = [&](const char* mimetype, const char* text, std::optional<int64_t> type) {
        engine::RecoveredContactValue v;
        v.mimetype = mimetype;
        v.value = text;
        v.typeCode = type;
        person.values.push_back(v);
    };
    value("vnd.android.cursor.item/phone_v2", "07700 900123", 2);
    value("vnd.android.cursor.item/phone_v2", "+44 20 7946 0958", 3);
    value("", "james.obrien@example.com", std::nullopt);  // found without its mimetype
    const auto contact = MakeDeletedContact(4, person);
    EXPECT_EQ(4, contact->record.contactKey);
    EXPECT_EQ(1u, contact->record.checked);
    EXPECT_EQ(1u, contact->record.deleted);
    EXPECT_STREQ("James O'Brien", contact->record.displayName);
    EXPECT_EQ(kNameSourceStructuredName, contact->record.nameSource);
    ASSERT_EQ(3u, contact->rowOrder.size());
    EXPECT_STREQ("07700 900123", contact->rowOrder[0]->data1);
    EXPECT_STREQ("2", contact->rowOrder[0]->data2);
    EXPECT_STREQ("+44 20 7946 0958", contact->rowOrder[1]->data1);
    EXPECT_EQ(contact->rowOrder[1], contact->rowOrder[0]->next);

    const ContactListRow row = DeletedContactListColumns(*contact);
    EXPECT_EQ(L"James O'Brien", row.name);
    EXPECT_EQ(L"07700 900123", row.phone);
    EXPECT_EQ(L"james.obrien@example.com", row.email);

    engine::RecoveredContact nameless;
    nameless.values = {person.values[1]};
    EXPECT_STREQ("N/A", MakeDeletedContact(0, nameless)->record.displayName);
}

// A deleted message keeps its time and side when they were carved: the caption is its date
// as local time and a received message sits on the received side; without them it is a
// sent-side bubble without caption, and the list shows "N/A" for what is missing.
TEST(DeletedRecords, AMessageKeepsItsTimeAndSide) {
    engine::RecoveredMessage received;
    received.address = "+44 7700 900123";
    received.body = "See you	at 8";
    received.date = 1700000000000;  // 2023-11-14 22:13:20 UTC
    received.type = 1;
    received.contactName = "Ann";
    const auto sms = MakeDeletedSms(2, received);
    EXPECT_EQ(2, sms->record.threadKey);
    EXPECT_EQ(1u, sms->record.deleted);
    ASSERT_EQ(1u, sms->bubbleOrder.size());
    EXPECT_EQ(1, sms->bubble.type);
    EXPECT_STREQ("See you	at 8", sms->bubble.body);
    ASSERT_NE(nullptr, sms->bubble.caption);
    EXPECT_EQ(19u, std::strlen(sms->bubble.caption));
    EXPECT_EQ(0, std::strncmp(sms->bubble.caption, "2023-11-1", 9));

    engine::RecoveredMessage bare;
    bare.body = "who?";
    const auto unknown = MakeDeletedSms(3, bare);
    EXPECT_EQ(nullptr, unknown->bubble.caption);
    EXPECT_NE(1, unknown->bubble.type);
    std::wstring name, phone;
    DeletedSmsListColumns(*unknown, name, phone);
    EXPECT_EQ(L"N/A", name);
    EXPECT_EQ(L"N/A", phone);
}

TEST(NarrowText, NullAndPlainText) {
    EXPECT_EQ(L"", WideFromAnsi(static_cast<const char*>(nullptr)));
    EXPECT_EQ(L"", WideFromAnsi(""));
    EXPECT_EQ(L"Ann 555", WideFromAnsi("Ann 555"));
    EXPECT_EQ(L"Ann 555", WideFromAnsi(std::string("Ann 555")));
}

TEST(NarrowText, InvalidBytesDoNotCutTheText) {
    // Whatever the code page makes of 0x81 and 0xFF, the text after them stays.
    const std::wstring wide = WideFromAnsi("a\x81z\xFFy");
    ASSERT_GE(wide.size(), 5u);
    EXPECT_EQ(L'a', wide.front());
    EXPECT_EQ(L'y', wide.back());
}

#if !defined(_WIN32)
TEST(NarrowText, NativeBuildDecodesUtf8) {
    EXPECT_EQ(L"Zo\u00eb \u20ac\U0001F600", WideFromAnsi("Zo\xC3\xAB \xE2\x82\xAC\xF0\x9F\x98\x80"));
    // One U+FFFD per maximal invalid sequence.
    EXPECT_EQ(L"a\uFFFDb", WideFromAnsi("a\xFF" "b"));
    EXPECT_EQ(L"\uFFFDz", WideFromAnsi("\xE2\x82z"));            // cut three-byte sequence
    EXPECT_EQ(L"x\uFFFD", WideFromAnsi("x\xF0\x9F\x98"));         // cut at the end
    EXPECT_EQ(L"\uFFFD\uFFFD", WideFromAnsi("\xC0\xAF"));          // overlong
    EXPECT_EQ(L"\uFFFD\uFFFD\uFFFD", WideFromAnsi("\xED\xA0\x80"));  // surrogate
    EXPECT_EQ(L"\uFFFD\uFFFD\uFFFD\uFFFD", WideFromAnsi("\xF4\x90\x80\x80"));  // above U+10FFFF

    EXPECT_EQ("Zo\xC3\xAB \xF0\x9F\x98\x80", Utf8FromWide(L"Zo\u00eb \U0001F600"));
    EXPECT_EQ("\xEF\xBF\xBD", Utf8FromWide(std::wstring(1, static_cast<wchar_t>(0xD800))));
}
#endif

TEST(RecordIndex, LookupsAnswerAsAWalkInListOrder) {
    ModelBuilder builder;
    apptest::AddStandardMimetypes(builder);
    builder.AddMimetype(kPhoneMime, "vnd.android.cursor.item/nickname");  // a later duplicate key
    builder.AddContact(1, 10, "Ann", kNameSourceStructuredName);
    builder.AddContact(2, 10, "Ann again", kNameSourceStructuredName);
    builder.AddContact(3, 20, nullptr, kNameSourcePhone);
    builder.AddRow(1, kNameMime, "Ann Smith");
    builder.AddRow(2, kPhoneMime, "999");
    builder.AddRow(1, kPhoneMime, "");  // empty values are skipped by FirstValue
    builder.AddRow(1, kPhoneMime, nullptr);
    builder.AddRow(1, kPhoneMime, "555", "2");
    builder.AddRow(1, kPhoneMime, "556", "1");
    builder.AddMessage(7, "+1", 10, 1, "c", "b1");
    builder.AddMessage(8, "+2", 0, 1, "c", "b2");
    builder.AddMessage(7, "+1", 10, 2, "c", "b3");
    const ExportModel model = builder.Model();
    const RecordIndex& index = *model.index;

    EXPECT_EQ(5u, index.RowsOf(1).size());
    EXPECT_TRUE(index.RowsOf(42).empty());
    EXPECT_EQ(DataKind::kPhone, index.KindOf(*index.RowsOf(2).front()));
    EXPECT_EQ(DataKind::kOther, index.KindOf(*index.RowsOf(1).front()));
    EXPECT_STREQ("555", index.FirstValue(1, DataKind::kPhone));
    EXPECT_EQ(nullptr, index.FirstValue(1, DataKind::kEmail));

    ASSERT_EQ(2u, index.MessagesOf(7).size());
    EXPECT_STREQ("b1", index.MessagesOf(7)[0]->body);
    EXPECT_STREQ("b3", index.MessagesOf(7)[1]->body);
    EXPECT_TRUE(index.MessagesOf(9).empty());
    EXPECT_STREQ("Ann", index.ContactByPerson(10)->displayName);
    EXPECT_EQ(nullptr, index.ContactByPerson(11));
}

TEST(ListText, ContactRows) {
    ModelBuilder builder;
    apptest::AddStandardMimetypes(builder);
    const ContactRecord& ann = builder.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    const ContactRecord& nameless = builder.AddContact(2, 0, nullptr, kNameSourceUndefined);
    builder.AddRow(1, kEmailMime, "ann@example.com", "1");
    builder.AddRow(1, kOrgMime, "");
    builder.AddRow(1, kOrgMime, "Acme");
    builder.AddRow(1, kPhoneMime, "555");
    builder.AddRow(2, kPhoneMime, "777");
    const ExportModel model = builder.Model();

    const ContactListRow row = ContactListColumns(*model.index, ann);
    EXPECT_EQ(L"Ann", row.name);
    EXPECT_EQ(L"555", row.phone);
    EXPECT_EQ(L"Acme", row.company);
    EXPECT_EQ(L"ann@example.com", row.email);
    const ContactListRow other = ContactListColumns(*model.index, nameless);
    EXPECT_EQ(L"", other.name);
    EXPECT_EQ(L"777", other.phone);
    EXPECT_EQ(L"", other.company);
}

TEST(ListText, ConversationNameDiffersFromTheExportName) {
    ModelBuilder builder;
    builder.AddContact(1, 10, "Ann", kNameSourceStructuredName);
    builder.AddContact(2, 20, "Bob", kNameSourcePhone);
    const ConversationRecord& withAnn = builder.AddConversation(1);
    const ConversationRecord& withBob = builder.AddConversation(2);
    const ConversationRecord& unknown = builder.AddConversation(3);
    const ConversationRecord& stranger = builder.AddConversation(4);
    const ConversationRecord& empty = builder.AddConversation(5);
    builder.AddMessage(1, "+10", 10, 1, "c", "b");
    builder.AddMessage(2, "+20", 20, 1, "c", "b");
    builder.AddMessage(3, "+30", 0, 1, "c", "b");
    builder.AddMessage(4, "+40", 99, 1, "c", "b");
    const ExportModel model = builder.Model();
    apptest::RecordingControl control;
    const RecordExporter exporter(model, control, L"unused");

    struct Case {
        const ConversationRecord& conversation;
        const wchar_t* listName;
        const wchar_t* phone;
        const wchar_t* exportName;
    };
    const Case cases[] = {
        {withAnn, L"Ann", L"+10", L"Ann"},
        {withBob, L"Bob", L"+20", L"+20"},  // not a structured name: the export uses the address
        {unknown, L"", L"+30", L"+30"},     // person 0
        {stranger, L"", L"+40", L""},       // no contact with that person key
        {empty, L"", L"", L""},             // no message
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.listName, ConversationListName(*model.index, c.conversation)) << c.conversation.threadKey;
        EXPECT_EQ(c.phone, ConversationListPhone(*model.index, c.conversation)) << c.conversation.threadKey;
        EXPECT_EQ(c.exportName, exporter.ConversationExportName(c.conversation)) << c.conversation.threadKey;
    }
}

TEST(ExportNames, SafeFileNames) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L""},
        {L"+1 555 0100", L"+1 555 0100"},
        {L"a\\b/c:d*e?f\"g<h>i|j", L"a_b_c_d_e_f_g_h_i_j"},
        {L"tab\there\x1f", L"tab_here_"},
        {L"CON", L"_CON"},
        {L"con", L"_con"},
        {L"Nul.txt", L"_Nul.txt"},
        {L"COM1", L"_COM1"},
        {L"lpt9.x.y", L"_lpt9.x.y"},
        {L"AUX ", L"_AUX "},
        {L"COM0", L"COM0"},
        {L"COM10", L"COM10"},
        {L"CONSOLE", L"CONSOLE"},
        {L"xCON", L"xCON"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, SafeFileName(c.first)) << c.first;
}

TEST(ExportNames, FolderNamesAndTypeCodes) {
    EXPECT_EQ(L"Message(3)", CategoryFolderName(L"Message", false, 3));  // a label without "("

    // Read as atoi reads, but without undefined behaviour out of range.
    EXPECT_EQ(0, TypeCode(nullptr));
    EXPECT_EQ(0, TypeCode("abc"));
    EXPECT_EQ(17, TypeCode(" 17x"));
    EXPECT_EQ(2147483647, TypeCode("99999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, TypeCode("-99999999999999999999"));
}

}  // namespace
