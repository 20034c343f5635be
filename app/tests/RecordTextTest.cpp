// Cutting the engine's texts into deleted records, narrow-to-wide conversion, the record
// lookups and the list's row texts.
#include <gtest/gtest.h>

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

TEST(RecordLines, CutAtCrLfAndDropTheUnendedTail) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"A\tB\r\nC\tD\r\n", {"A\tB", "C\tD"}},
        {"A\tB\r\nC\tD", {"A\tB"}},  // no CR LF after the last line: lost
        {"no end", {}},
        {"\r\n\r\n", {"", ""}},
        {"a\nb\r\n", {"a\nb"}},       // a bare LF does not end a line
        {"a\r\r\nb\rc\r\n", {"a\r", "b\rc"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.lines, SplitRecordLines(c.text)) << c.text;
        EXPECT_EQ(static_cast<int>(c.lines.size()), CountRecordLines(c.text)) << c.text;
    }
}

TEST(DeletedRecords, RecordsPointAtTheirOwnLine) {
    const auto contact = MakeDeletedContact(3, "Ann\t555");
    EXPECT_EQ(3, contact->record.contactKey);
    EXPECT_EQ(1u, contact->record.checked);
    EXPECT_EQ(1u, contact->record.deleted);
    EXPECT_EQ(contact->line.c_str(), contact->record.displayName);
    EXPECT_EQ(nullptr, contact->record.next);

    const auto sms = MakeDeletedSms(0, std::string(100, 'x'));  // longer than any short-string buffer
    EXPECT_EQ(0, sms->record.threadKey);
    EXPECT_EQ(1, sms->record.checked);
    EXPECT_EQ(1u, sms->record.deleted);
    EXPECT_EQ(sms->line.c_str(), sms->record.deletedText);
    EXPECT_EQ(nullptr, sms->record.next);
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

    ContactListRow deleted;
    EXPECT_TRUE(DeletedContactListColumns(*MakeDeletedContact(0, "Bo\t12\t34"), deleted));
    EXPECT_EQ(L"Bo", deleted.name);
    EXPECT_EQ(L"12\t34", deleted.phone);
    EXPECT_FALSE(DeletedContactListColumns(*MakeDeletedContact(1, "no tab"), deleted));
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

    std::wstring name, phone;
    EXPECT_TRUE(DeletedSmsListColumns(*MakeDeletedSms(0, "Ann\t+10\thi\tthere"), name, phone));
    EXPECT_EQ(L"Ann", name);
    EXPECT_EQ(L"+10", phone);
    EXPECT_FALSE(DeletedSmsListColumns(*MakeDeletedSms(1, "Ann\t+10"), name, phone));
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
