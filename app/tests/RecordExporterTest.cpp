// The text export of a hand-built model, file by file and byte by byte: what the text files
// have always held, the deleted records from the engine's typed records, conversations whose
// file names clash, stop and failures.
#include <gtest/gtest.h>

#include <fstream>

#include "ExportFixture.h"
#include "LocalTime.h"
#include "RecordExporter.h"

namespace {

using apptest::DeletedMessage;
using apptest::DeletedPerson;
using apptest::FolderEntries;
using apptest::kEmailMime;
using apptest::kEmailV2;
using apptest::kNameMime;
using apptest::kOrganization;
using apptest::kOrgMime;
using apptest::kPhoneMime;
using apptest::kPhoneV2;
using apptest::ModelBuilder;
using apptest::ReadBytes;
using apptest::RecordingControl;
using apptest::TempFolder;
using apptest::Utf16Lines;

const std::u16string kSeparator(66, u'-');

// Checked: Ann (structured name), Bob (phone as name source: numbered), Dan (no rows, still
// numbered), Eve (numbered). Unchecked: Cid. Deleted, checked: Zed (two values), Wen (no
// value), a person without a name; unchecked: Yan.
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
    builder.AddDeletedContact(DeletedPerson("Zed", {{kPhoneV2, "777", 2}, {kEmailV2, "zed@example.com", 1}}));
    builder.AddDeletedContact(DeletedPerson("Wen", {}));
    builder.AddDeletedContact(DeletedPerson("", {{kOrganization, "Fen Ltd", std::nullopt}}));
    builder.AddDeletedContact(DeletedPerson("Yan", {{kPhoneV2, "888", 1}}), false);
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
        u"Zed : 777",  // one person, each value with its name, never a value as a name
        u"Zed : zed@example.com",
        u"Wen : N/A",
        u"N/A : Fen Ltd",
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

    EXPECT_EQ(7, exporter.CountCheckedContacts());
    ASSERT_EQ(7, exporter.ExportContacts(L"Contacts (9)", true));
    EXPECT_EQ(std::vector<std::wstring>{L"Contacts (9)"}, FolderEntries(save.Path()));
    EXPECT_EQ(ExpectedContactsFile(), ReadBytes(save.Path() / "Contacts (9)" / "contacts.txt"));
    EXPECT_EQ(7, exporter.Done());
    EXPECT_EQ(7, exporter.Written());
    EXPECT_FALSE(exporter.AnyWriteFailed());
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 7}), control.progress);
    // Every live record waits for pause and checks stop, checked or not; deleted ones do not.
    EXPECT_EQ(5, control.waits);
    EXPECT_EQ(5, control.checks);

    // The next export numbers from 0 again; with the node unchecked the folder carries the
    // number of checked records.
    RecordExporter again(model, control, save.Wide());
    ASSERT_EQ(7, again.ExportContacts(L"Contacts (9)", false));
    EXPECT_EQ(ExpectedContactsFile(), ReadBytes(save.Path() / "Contacts (7)" / "contacts.txt"));
}

TEST(RecordExporter, DeletedSectionOnlyWhenTheScanGaveDeletedRecords) {
    ModelBuilder withUnchecked;
    withUnchecked.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    withUnchecked.AddDeletedContact(DeletedPerson("Zed", {{kPhoneV2, "777", 2}}), false);
    const ExportModel model = withUnchecked.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());
    ASSERT_EQ(1, exporter.ExportContacts(L"Contacts (2)", false));
    EXPECT_EQ(Utf16Lines({u"Contacts:", kSeparator, u"Deleted:"}),
              ReadBytes(save.Path() / "Contacts (1)" / "contacts.txt"));
    EXPECT_EQ(1, exporter.Written());  // a checked contact without lines counts as written

    ModelBuilder withoutDeleted;
    withoutDeleted.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    withoutDeleted.AddConversation(1);
    const ExportModel liveOnly = withoutDeleted.Model();
    TempFolder other;
    RecordExporter liveExporter(liveOnly, control, other.Wide());
    ASSERT_EQ(1, liveExporter.ExportContacts(L"Contacts (1)", true));
    ASSERT_EQ(1, liveExporter.ExportMessages(L"Message (1)", true));
    EXPECT_EQ(Utf16Lines({u"Contacts:"}), ReadBytes(other.Path() / "Contacts (1)" / "contacts.txt"));
    EXPECT_EQ(std::vector<std::wstring>{L".txt"}, FolderEntries(other.Path() / "Message (1)"));  // no deleted.txt
}

// Conversations 1..12, all checked but `uncheckedThread`; see the expected files below. The
// contacts the messages name have no data rows.
void AddMessages(ModelBuilder& builder, int uncheckedThread = 0) {
    builder.AddContact(101, 10, "Ann", kNameSourceStructuredName);
    builder.AddContact(102, 20, "Bob", kNameSourcePhone);
    builder.AddContact(103, 30, "A/B:C?", kNameSourceStructuredName);
    builder.AddContact(104, 40, nullptr, kNameSourceStructuredName);
    builder.AddContact(105, 50, "ANN", kNameSourceStructuredName);
    builder.AddContact(106, 60, "A_B_C_", kNameSourceStructuredName);
    for (int thread = 1; thread <= 12; ++thread) {
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
    builder.AddMessage(11, "+110", 50, 1, "2024-01-11 10:00:00", "Ann in capitals");
    builder.AddMessage(12, "+120", 60, 1, "2024-01-12 10:00:00", "underscores");
}

TEST(RecordExporter, ConversationFilesNeverMerge) {
    ModelBuilder builder;
    AddMessages(builder, /*uncheckedThread=*/9);
    builder.AddDeletedSms(DeletedMessage("+5", "gone"), false);
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    ASSERT_EQ(11, exporter.ExportMessages(L"Message (13)", false));
    const auto folder = save.Path() / "Message (11)";
    // Names that clash (the same name, names that differ in case or only in characters that
    // became "_", empty names) get numbered files, in the order of the conversations.
    EXPECT_EQ((std::vector<std::wstring>{L"(2).txt", L"(3).txt", L"+111.txt", L"+333.txt", L".txt", L"ANN (3).txt",
                                         L"A_B_C_ (2).txt", L"A_B_C_.txt", L"Ann (2).txt", L"Ann.txt", L"_con.txt",
                                         L"deleted.txt"}),
              FolderEntries(folder));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-01 10:00:00", u"+111 : hi", u"", u"2024-01-01 10:05:00",
                          u"Me : hello back", u""}),
              ReadBytes(folder / "+111.txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-02 10:00:00", u"Ann : from Ann", u"", u"2024-01-02 10:01:00",
                          u"Me : to Ann", u""}),
              ReadBytes(folder / "Ann.txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-06 10:00:00", u"Me : Ann on another number", u""}),
              ReadBytes(folder / "Ann (2).txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-11 10:00:00", u"ANN : Ann in capitals", u""}),
              ReadBytes(folder / "ANN (3).txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-03 10:00:00", u"+333 : from Bob", u""}), ReadBytes(folder / "+333.txt"));
    // No matching contact (4), no message (5), a structured name that is null (10).
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-04 10:00:00", u" : from a stranger", u""}), ReadBytes(folder / ".txt"));
    EXPECT_EQ(Utf16Lines({u""}), ReadBytes(folder / "(2).txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-10 10:00:00", u" : no display name", u""}), ReadBytes(folder / "(3).txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-07 10:00:00", u"A/B:C? : unsafe", u""}), ReadBytes(folder / "A_B_C_.txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-12 10:00:00", u"A_B_C_ : underscores", u""}),
              ReadBytes(folder / "A_B_C_ (2).txt"));
    EXPECT_EQ(Utf16Lines({u"", u"2024-01-08 10:00:00", u"con : device", u""}), ReadBytes(folder / "_con.txt"));
    EXPECT_EQ(Utf16Lines({u"Deleted SMS:"}), ReadBytes(folder / "deleted.txt"));
    EXPECT_EQ(11, exporter.Done());
    EXPECT_EQ(11, exporter.Written());
    EXPECT_FALSE(exporter.AnyWriteFailed());
}

TEST(RecordExporter, DeletedMessagesWithTheirCaptionWhenTheDateWasCarved) {
    const int64_t date = MillisecondsFromLocalText(L"2024-03-05 21:07:09").value();
    ModelBuilder builder;
    builder.AddDeletedSms(DeletedMessage("+5", "gone\nfor good", date + 999, 1, "Zed"));
    builder.AddDeletedSms(DeletedMessage("+6", "skip"), false);
    builder.AddDeletedSms(DeletedMessage(std::nullopt, "a fragment"));
    builder.AddDeletedSms(DeletedMessage("+7", std::nullopt, -5, 2));  // a date no calendar has
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control;
    RecordExporter exporter(model, control, save.Wide());

    ASSERT_EQ(3, exporter.ExportMessages(L"Message (4)", true));
    EXPECT_EQ(Utf16Lines({u"Deleted SMS:", u"2024-03-05 21:07:09", u"Zed\t+5\tgone\r\nfor good", u"N/A\tN/A\ta fragment",
                          u"N/A\t+7\tN/A"}),
              ReadBytes(save.Path() / "Message (4)" / "deleted.txt"));
    EXPECT_EQ(3, exporter.Written());
    EXPECT_EQ(0, control.waits);  // the deleted loop neither pauses nor stops
}

TEST(RecordExporter, StopEndsTheLiveRecordsBeforeTheDeletedOnes) {
    ModelBuilder builder;
    AddContacts(builder);
    const ExportModel model = builder.Model();
    TempFolder save;
    RecordingControl control(/*stopAtCheck=*/3);
    RecordExporter exporter(model, control, save.Wide());

    EXPECT_EQ(-1, exporter.ExportContacts(L"Contacts (9)", true));
    EXPECT_EQ(Utf16Lines({u"Contacts:", u"Ann(Mobile) : 555-1", u"Ann() : 555-8",
                          u"Ann(Work Email) : ann@example.com", u"Ann(Company) : Acme", u"Ann() : 555-0",
                          u"No Name0() : bob@example.com", u"No Name0(WorkMobile) : 555-2"}),
              ReadBytes(save.Path() / "Contacts (9)" / "contacts.txt"));
    EXPECT_EQ(2, exporter.Done());
    EXPECT_EQ(2, exporter.Written());
    EXPECT_EQ(3, control.waits);  // the pause is waited for before the stop is checked

    ModelBuilder messages;
    AddMessages(messages);
    const ExportModel messageModel = messages.Model();
    RecordingControl stopAtOnce(1);
    RecordExporter stopped(messageModel, stopAtOnce, save.Wide());
    EXPECT_EQ(-1, stopped.ExportMessages(L"Message (12)", true));
    EXPECT_EQ(0, stopped.Done());
    EXPECT_TRUE(FolderEntries(save.Path() / "Message (12)").empty());
}

TEST(RecordExporter, FailedWritesAreReported) {
    ModelBuilder builder;
    AddContacts(builder);
    AddMessages(builder);
    builder.AddDeletedSms(DeletedMessage("+5", "gone"));
    const ExportModel model = builder.Model();
    TempFolder temp;
    const auto saveFile = temp.Path() / "not a folder";
    std::ofstream(saveFile, std::ios::binary) << "x";
    RecordingControl control;
    RecordExporter exporter(model, control, saveFile.wstring(), ExportFormats::All());

    EXPECT_EQ(13, exporter.ExportContacts(L"Contacts (15)", true));
    EXPECT_EQ(13, exporter.ExportMessages(L"Message (13)", true));
    exporter.Finish();
    EXPECT_TRUE(exporter.AnyWriteFailed());
    EXPECT_NE(std::wstring::npos, exporter.FirstProblem().find(saveFile.wstring())) << exporter.FirstProblem();
    EXPECT_EQ(26, exporter.Done());
    EXPECT_EQ(0, exporter.Written());  // every record has a card, a row or a bubble in some file
    EXPECT_EQ(std::string("x"), ReadBytes(saveFile));
}

TEST(RecordExporter, OnlyDeletedRecordsWithoutLiveLists) {
    ModelBuilder builder;
    builder.AddDeletedContact(DeletedPerson("Zed", {{kPhoneV2, "777", 2}}));
    builder.AddDeletedSms(DeletedMessage("+5", "gone", std::nullopt, std::nullopt, "Zed"));
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
