// The export of a hand-built model, file by file and byte by byte.
#include <gtest/gtest.h>

#include <fstream>

#include "ExportFixture.h"
#include "RecordExporter.h"

namespace {

using apptest::FolderEntries;
using apptest::kEmailMime;
using apptest::kNameMime;
using apptest::kOrgMime;
using apptest::kPhoneMime;
using apptest::ModelBuilder;
using apptest::ReadBytes;
using apptest::RecordingControl;
using apptest::TempFolder;
using apptest::Utf16Lines;

const std::u16string kSeparator(66, u'-');

// Checked: Ann (structured name), Bob (phone as name source: numbered), Dan (no rows, still
// numbered), Eve (numbered). Unchecked: Cid. Deleted: two checked lines (one without a TAB),
// one unchecked.
void AddContacts(ModelBuilder& builder) {
    apptest::AddStandardMimetypes(builder);
    builder.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    builder.AddContact(2, 0, "Bob", kNameSourcePhone);
    builder.AddContact(3, 0, "Cid", kNameSourceEmail).checked = 0;
    builder.AddContact(4, 0, "Dan", kNameSourceNickname);
    builder.AddContact(5, 0, nullptr, kNameSourceUndefined);
    builder.AddRow(1, kPhoneMime, "555-1", "2");
    builder.AddRow(1, kNameMime, "Ann Smith");  // other mimetypes give no line
    builder.AddRow(2, kEmailMime, "bob@example.com", "9");
    builder.AddRow(1, kPhoneMime, "555-8", "8");
    builder.AddRow(1, kEmailMime, "ann@example.com", "2");
    builder.AddRow(1, kOrgMime, "Acme", "1");
    builder.AddRow(1, kPhoneMime, "555-0");  // no type code counts as 0
    builder.AddRow(3, kPhoneMime, "333");
    builder.AddRow(5, kPhoneMime, "555-5", "20");
    builder.AddRow(2, kPhoneMime, "555-2", "17");
    builder.deletedContactsText = "Zed\t777\r\nno tab\r\nYan\t888\r\n";
    builder.AddDeletedContact("Zed\t777");
    builder.AddDeletedContact("no tab");
    builder.AddDeletedContact("Yan\t888", false);
}

const std::string& ExpectedContactsFile() {
    static const std::string bytes = Utf16Lines({
        u"Contacts:",
        u"Ann(Mobile) : 555-1",
        u"Ann() : 555-8",
        u"Ann(Work Email) : ann@example.com",
        u"Ann(Company) : Acme",
        u"Ann() : 555-0",
        u"No Name0() : bob@example.com",
        u"No Name0(WorkMobile) : 555-2",
        u"No Name2(MMS) : 555-5",
        kSeparator,
        u"Deleted:",
        u"Zed : 777",
    });
    return bytes;
}

TEST(RecordExporter, ContactsFile) {
    ModelBuilder builder;
    AddContacts(builder);
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    EXPECT_EQ(6, exporter.CountCheckedContacts());
    ASSERT_EQ(6, exporter.ExportContacts(L"Contacts (8)", true));
    EXPECT_EQ(std::vector<std::wstring>{L"Contacts (8)"}, FolderEntries(save.Path()));
    EXPECT_EQ(ExpectedContactsFile(), ReadBytes(save.Path() / "Contacts (8)" / "contacts.txt"));
    EXPECT_EQ(6, exporter.Done());
    EXPECT_EQ(6, exporter.Written());
    EXPECT_FALSE(exporter.AnyWriteFailed());
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6}), control.progress);
    // Every live record waits for pause and checks stop, checked or not; deleted ones do not.
    EXPECT_EQ(5, control.waits);
    EXPECT_EQ(5, control.checks);

    // The next export numbers from 0 again; with the node unchecked the folder carries the
    // number of checked records.
    RecordExporter again(model, control, save.Wide());
    ASSERT_EQ(6, again.ExportContacts(L"Contacts (8)", false));
    EXPECT_EQ(ExpectedContactsFile(), ReadBytes(save.Path() / "Contacts (6)" / "contacts.txt"));
}

TEST(RecordExporter, DeletedHeaderWithoutCheckedDeletedRecords) {
    ModelBuilder builder;
    builder.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    builder.deletedContactsText = "Zed\t777\r\n";
    builder.AddDeletedContact("Zed\t777", false);
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    ASSERT_EQ(1, exporter.ExportContacts(L"Contacts (2)", false));
    EXPECT_EQ(Utf16Lines({u"Contacts:", kSeparator, u"Deleted:"}),
              ReadBytes(save.Path() / "Contacts (1)" / "contacts.txt"));
    EXPECT_EQ(1, exporter.Written());  // a checked contact without lines counts as written
}

TEST(RecordExporter, DeletedRecordsNeedTheEngineText) {
    ModelBuilder builder;
    builder.AddContact(1, 0, "Ann", kNameSourceStructuredName).checked = 0;
    builder.AddDeletedContact("Zed\t777");  // text left empty: not counted, not written
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    EXPECT_EQ(0, exporter.CountCheckedContacts());
    EXPECT_EQ(0, exporter.ExportContacts(L"Contacts (2)", false));
    EXPECT_TRUE(FolderEntries(save.Path()).empty());
    EXPECT_EQ(0, exporter.Done());
}

// Conversations 1..10, all checked but `uncheckedThread`; see the expected files below. The
// four contacts the messages name have no data rows.
void AddMessages(ModelBuilder& builder, int uncheckedThread = 0) {
    builder.AddContact(101, 10, "Ann", kNameSourceStructuredName);
    builder.AddContact(102, 20, "Bob", kNameSourcePhone);
    builder.AddContact(103, 30, "A/B:C?", kNameSourceStructuredName);
    builder.AddContact(104, 40, nullptr, kNameSourceStructuredName);
    for (int thread = 1; thread <= 10; ++thread) {
        builder.AddConversation(thread).checked = thread == uncheckedThread ? 0 : 1;
    }
    builder.AddMessage(1, "+111", 0, 1, "2024-01-01 10:00:00", "hi");
    builder.AddMessage(2, "+222", 10, 1, "2024-01-02 10:00:00", "from Ann");
    builder.AddMessage(1, "+111", 0, 2, "2024-01-01 10:05:00", "hello back");
    builder.AddMessage(2, "+222", 10, 5, "2024-01-02 10:01:00", "to Ann");
    builder.AddMessage(3, "+333", 20, 1, "2024-01-03 10:00:00", "from Bob");
    builder.AddMessage(4, "+444", 99, 1, "2024-01-04 10:00:00", "from a stranger");
    // 5 has no message.
    builder.AddMessage(6, "+666", 10, 2, "2024-01-06 10:00:00", "Ann on another number");
    builder.AddMessage(7, "+777", 30, 1, "2024-01-07 10:00:00", "unsafe");
    builder.AddMessage(8, "con", 0, 1, "2024-01-08 10:00:00", "device");
    builder.AddMessage(9, "+999", 0, 1, "2024-01-09 10:00:00", "unchecked");
    builder.AddMessage(10, "+100", 40, 1, "2024-01-10 10:00:00", "no display name");
}

TEST(RecordExporter, ConversationFiles) {
    ModelBuilder builder;
    AddMessages(builder, /*uncheckedThread=*/9);
    builder.deletedSmsText = "Zed\t+5\tgone\r\n";
    builder.AddDeletedSms("Zed\t+5\tgone", false);
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    ASSERT_EQ(9, exporter.ExportMessages(L"Message (11)", false));
    const auto folder = save.Path() / "Message (9)";
    const std::wstring ann = L"Ann.txt";
    EXPECT_EQ((std::vector<std::wstring>{L"+111.txt", L"+333.txt", L".txt", L"A_B_C_.txt", ann, L"_con.txt",
                                         L"deleted.txt"}),
              FolderEntries(folder));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-01 10:00:00", u"+111 : hi", u"", u"2024-01-01 10:05:00",
                          u"Me : hello back", u""}),
              ReadBytes(folder / "+111.txt"));
    // Conversations 2 and 6 share the name: the second appends.
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-02 10:00:00", u"Ann : from Ann", u"", u"2024-01-02 10:01:00",
                          u"Me : to Ann", u"", u"", u"2024-01-06 10:00:00", u"Me : Ann on another number", u""}),
              ReadBytes(folder / ann));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-03 10:00:00", u"+333 : from Bob", u""}), ReadBytes(folder / "+333.txt"));
    // No matching contact (4), no message (5) and a structured name that is null (10).
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-04 10:00:00", u" : from a stranger", u"", u"", u"",
                          u"2024-01-10 10:00:00", u" : no display name", u""}),
              ReadBytes(folder / ".txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-07 10:00:00", u"A/B:C? : unsafe", u""}),
              ReadBytes(folder / "A_B_C_.txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-08 10:00:00", u"con : device", u""}), ReadBytes(folder / "_con.txt"));
    EXPECT_EQ(Utf16Lines({u"Deleted SMS:"}), ReadBytes(folder / "deleted.txt"));
    EXPECT_EQ(9, exporter.Done());
    EXPECT_EQ(9, exporter.Written());
    EXPECT_FALSE(exporter.AnyWriteFailed());
}

TEST(RecordExporter, DeletedSmsLinesAreWrittenWhole) {
    ModelBuilder builder;
    builder.deletedSmsText = "Zed\t+5\tgone\r\nYan\t+6\tskip\r\nno tabs\r\n";
    builder.AddDeletedSms("Zed\t+5\tgone");
    builder.AddDeletedSms("Yan\t+6\tskip", false);
    builder.AddDeletedSms("no tabs");
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    ASSERT_EQ(2, exporter.ExportMessages(L"Message (3)", true));
    EXPECT_EQ(Utf16Lines({u"Deleted SMS:", u"Zed\t+5\tgone", u"no tabs"}),
              ReadBytes(save.Path() / "Message (3)" / "deleted.txt"));
    EXPECT_EQ(2, exporter.Written());
    EXPECT_EQ(0, control.waits);  // the deleted loop neither pauses nor stops
}

TEST(RecordExporter, StopEndsTheLiveRecordsBeforeTheDeletedOnes) {
    ModelBuilder builder;
    AddContacts(builder);
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control(/*stopAtCheck=*/3);
    RecordExporter exporter(model, control, save.Wide());

    EXPECT_EQ(-1, exporter.ExportContacts(L"Contacts (8)", true));
    EXPECT_EQ(Utf16Lines({u"Contacts:", u"Ann(Mobile) : 555-1", u"Ann() : 555-8",
                          u"Ann(Work Email) : ann@example.com", u"Ann(Company) : Acme", u"Ann() : 555-0",
                          u"No Name0() : bob@example.com", u"No Name0(WorkMobile) : 555-2"}),
              ReadBytes(save.Path() / "Contacts (8)" / "contacts.txt"));
    EXPECT_EQ(2, exporter.Done());
    EXPECT_EQ(3, control.waits);  // the pause is waited for before the stop is checked

    ModelBuilder messages;
    AddMessages(messages);
    const ExportModel messageModel = messages.Model();
    RecordingControl stopAtOnce(1);
    RecordExporter stopped(messageModel, stopAtOnce, save.Wide());
    EXPECT_EQ(-1, stopped.ExportMessages(L"Message (10)", true));
    EXPECT_EQ(0, stopped.Done());
    EXPECT_TRUE(FolderEntries(save.Path() / "Message (10)").empty());
}

TEST(RecordExporter, FailedWritesAreReported) {
    ModelBuilder builder;
    AddContacts(builder);
    AddMessages(builder);
    builder.deletedSmsText = "Zed\t+5\tgone\r\n";
    builder.AddDeletedSms("Zed\t+5\tgone");
    const ExportModel model = builder.Model();
    TempFolder temp;
    const auto saveFile = temp.Path() / "not a folder";
    std::ofstream(saveFile, std::ios::binary) << "x";
    RecordingControl control;
    RecordExporter exporter(model, control, saveFile.wstring());

    EXPECT_EQ(10, exporter.ExportContacts(L"Contacts (12)", true));
    EXPECT_EQ(11, exporter.ExportMessages(L"Message (11)", true));
    EXPECT_TRUE(exporter.AnyWriteFailed());
    EXPECT_EQ(21, exporter.Done());
    // Only the records that give no line: Dan, the four contacts of AddMessages and the
    // deleted contact without a TAB.
    EXPECT_EQ(6, exporter.Written());
    EXPECT_EQ(std::string("x"), ReadBytes(saveFile));
}

TEST(RecordExporter, OnlyDeletedRecordsWithoutLiveLists) {
    ModelBuilder builder;
    builder.deletedContactsText = "Zed\t777\r\n";
    builder.AddDeletedContact("Zed\t777");
    builder.deletedSmsText = "Zed\t+5\tgone\r\n";
    builder.AddDeletedSms("Zed\t+5\tgone");
    ExportModel model = builder.Model();
    model.index = nullptr;  // the exporter copes without an index too
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    ASSERT_EQ(1, exporter.ExportContacts(L"Contacts (1)", true));
    ASSERT_EQ(1, exporter.ExportMessages(L"Message (1)", true));
    EXPECT_EQ(Utf16Lines({u"Contacts:", kSeparator, u"Deleted:", u"Zed : 777"}),
              ReadBytes(save.Path() / "Contacts (1)" / "contacts.txt"));
    EXPECT_EQ((std::vector<std::wstring>{L"deleted.txt"}), FolderEntries(save.Path() / "Message (1)"));
    EXPECT_EQ(2, exporter.Written());

    // A model of nothing but null pointers has nothing to export.
    RecordExporter empty(ExportModel(), control, save.Wide());
    EXPECT_EQ(0, empty.CountCheckedContacts());
    EXPECT_EQ(0, empty.ExportContacts(L"Contacts", true));
    EXPECT_EQ(0, empty.ExportMessages(L"Message", true));
}

}  // namespace
