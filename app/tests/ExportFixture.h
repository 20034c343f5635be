// Helpers of the app core tests: a temporary folder, whole-file reads, the expected bytes of
// a UTF-16 text file, a record model built by hand and linked like the library's lists, and
// an export control that records what the exporter asked.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "RecordExporter.h"
#include "RecordModel.h"
#include "RecoveredRecords.h"

namespace apptest {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::wstring Wide() const { return m_path.wstring(); }

private:
    std::filesystem::path m_path;
};

std::string ReadBytes(const std::filesystem::path& path);
// Names of the entries of a folder, sorted.
std::vector<std::wstring> FolderEntries(const std::filesystem::path& folder);

// The bytes TkTxtFile gives for these lines written to a new file: BOM, UTF-16LE, CR LF.
std::string Utf16Lines(const std::vector<std::u16string>& lines);

// A record model in memory. Records live in deques (stable addresses) and are linked in the
// order they are added; texts are kept by the model.
class ModelBuilder {
public:
    ContactRecord& AddContact(int contactKey, int personKey, const char* name, int nameSource);
    void AddMimetype(int key, const char* name);
    // A data row; `type` is the decimal type code text (null for none), `data3` the third
    // column (a custom label, or a structured name's family name).
    void AddRow(int contactKey, int mimetypeKey, const char* value, const char* type = nullptr,
                const char* data3 = nullptr);
    ConversationRecord& AddConversation(int threadKey);
    void AddMessage(int threadKey, const char* address, int personKey, int type, const char* caption,
                    const char* body);
    // Deleted records as the window makes them from the engine's typed records.
    void AddDeletedContact(engine::RecoveredContact contact, bool checked = true);
    void AddDeletedSms(engine::RecoveredMessage message, bool checked = true);

    // The model over everything added; the index is built on first call.
    ExportModel Model();

private:
    const char* Keep(const char* text);

    std::deque<std::string> m_texts;
    std::deque<ContactRecord> m_contacts;
    std::deque<ContactDataRow> m_rows;
    std::deque<MimetypeEntry> m_mimetypes;
    std::deque<ConversationRecord> m_conversations;
    std::deque<MessageRecord> m_messages;
    DeletedContactList m_deletedContacts;
    DeletedSmsList m_deletedSms;
    RecordIndex m_index;
};

// A deleted person: its name and its values (mimetype, value, type code).
struct CarvedValue {
    const char* mimetype;
    const char* value;
    std::optional<int64_t> typeCode;
};
engine::RecoveredContact DeletedPerson(const char* name, std::vector<CarvedValue> values);
// A deleted message with the fields given; the others not carved.
engine::RecoveredMessage DeletedMessage(std::optional<std::string> address, std::optional<std::string> body,
                                        std::optional<int64_t> date = std::nullopt,
                                        std::optional<int64_t> type = std::nullopt,
                                        const char* contactName = "");

// Mimetype keys the tests use.
constexpr int kPhoneMime = 5;
constexpr int kEmailMime = 1;
constexpr int kOrgMime = 4;
constexpr int kNameMime = 7;
// Mimetype names of carved values.
constexpr const char* kPhoneV2 = "vnd.android.cursor.item/phone_v2";
constexpr const char* kEmailV2 = "vnd.android.cursor.item/email_v2";
constexpr const char* kOrganization = "vnd.android.cursor.item/organization";
// Registers the four mimetypes above.
void AddStandardMimetypes(ModelBuilder& builder);

// Records every call; stops when StopRequested has been asked `stopAtCheck` times.
class RecordingControl : public ExportControl {
public:
    explicit RecordingControl(int stopAtCheck = -1) : m_stopAtCheck(stopAtCheck) {}
    void WaitWhilePaused() override { ++waits; }
    bool StopRequested() override { return ++checks == m_stopAtCheck; }
    void RecordDone(int done) override { progress.push_back(done); }

    int waits = 0;
    int checks = 0;
    std::vector<int> progress;

private:
    int m_stopAtCheck;
};

}  // namespace apptest
