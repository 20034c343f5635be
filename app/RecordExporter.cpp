#include "RecordExporter.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "NarrowText.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>

#include <cerrno>
#endif

namespace {

#if defined(_WIN32)
const wchar_t kPathSeparator[] = L"\\";
#else
const wchar_t kPathSeparator[] = L"/";
#endif

const wchar_t kSeparatorLine[] = L"------------------------------------------------------------------";
static_assert(sizeof(kSeparatorLine) / sizeof(wchar_t) == 66 + 1, "the separator is 66 hyphens");

// Creates a folder; one that exists already is fine, a file in its place is not.
bool CreateFolder(const std::wstring& path) {
#if defined(_WIN32)
    if (::CreateDirectoryW(path.c_str(), nullptr)) return true;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    const std::string narrow = Utf8FromWide(path);
    if (::mkdir(narrow.c_str(), 0777) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat info {};
    return ::stat(narrow.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

bool IsReservedDeviceName(const std::wstring& name) {
    // Windows ignores the extension and trailing spaces and dots when it matches device names.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& ch : base) {
        if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
    }
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

}  // namespace

std::wstring CategoryFolderName(const std::wstring& label, bool nodeChecked, int checkedCount) {
    if (nodeChecked) return label;
    return label.substr(0, label.find(L'(')) + L"(" + std::to_wstring(checkedCount) + L")";
}

std::wstring SafeFileName(const std::wstring& name) {
    std::wstring safe = name;
    for (wchar_t& ch : safe) {
        const bool control = static_cast<uint32_t>(ch) < 0x20;
        if (control || ch == L'\\' || ch == L'/' || ch == L':' || ch == L'*' || ch == L'?' || ch == L'"' ||
            ch == L'<' || ch == L'>' || ch == L'|') {
            ch = L'_';
        }
    }
    if (IsReservedDeviceName(safe)) safe.insert(0, L"_");
    return safe;
}

const wchar_t* EmailTypeLabel(int code) {
    switch (code) {
        case 1: return L"Home Email";
        case 2: return L"Work Email";
        case 3: return L"Other Email";
        case 4: return L"Mobile Email";
        default: return L"";
    }
}

RecordExporter::RecordExporter(const ExportModel& model, ExportControl& control, std::wstring saveDir)
    : m_model(model),
      m_index(model.index ? *model.index : m_ownIndex),
      m_control(control),
      m_strSaveDir(std::move(saveDir)) {
    if (!model.index) {
        m_ownIndex.BuildContacts(model.contacts, model.dataRows, model.mimetypes);
        m_ownIndex.BuildMessages(model.messages, model.contacts);
    }
}

int RecordExporter::CountCheckedContacts() const {
    int count = 0;
    for (const ContactRecord* contact = m_model.contacts; contact; contact = contact->next) {
        if (contact->checked) ++count;
    }
    if (m_model.deletedContactsText && !m_model.deletedContactsText->empty() && m_model.deletedContacts) {
        for (const auto& deleted : *m_model.deletedContacts) {
            if (deleted->record.checked) ++count;
        }
    }
    return count;
}

int RecordExporter::CountCheckedMessages() const {
    int count = 0;
    for (const ConversationRecord* conversation = m_model.conversations; conversation;
         conversation = conversation->next) {
        if (conversation->checked) ++count;
    }
    if (m_model.deletedSmsText && !m_model.deletedSmsText->empty() && m_model.deletedSms) {
        for (const auto& deleted : *m_model.deletedSms) {
            if (deleted->record.checked) ++count;
        }
    }
    return count;
}

int RecordExporter::ExportContacts(const std::wstring& label, bool nodeChecked) {
    const int count = CountCheckedContacts();
    if (count == 0) return 0;
    const std::wstring folder = m_strSaveDir + kPathSeparator + CategoryFolderName(label, nodeChecked, count);
    MakeFolder(folder);
    TkTxtFile file(folder + kPathSeparator + L"contacts.txt");
    Write(file, L"Contacts:");

    for (const ContactRecord* contact = m_model.contacts; contact; contact = contact->next) {
        m_control.WaitWhilePaused();
        if (m_control.StopRequested()) return -1;
        if (contact->checked) RecordHandled(WriteContact(file, *contact));
    }

    // The deleted records are few and quick: this part neither pauses nor stops.
    if (m_model.deletedContactsText && !m_model.deletedContactsText->empty()) {
        Write(file, kSeparatorLine);
        Write(file, L"Deleted:");
        if (m_model.deletedContacts) {
            for (const auto& deleted : *m_model.deletedContacts) {
                if (deleted->record.checked) RecordHandled(WriteDeletedContact(file, *deleted));
            }
        }
    }
    return count;
}

int RecordExporter::ExportMessages(const std::wstring& label, bool nodeChecked) {
    const int count = CountCheckedMessages();
    if (count == 0) return 0;
    const std::wstring folder = m_strSaveDir + kPathSeparator + CategoryFolderName(label, nodeChecked, count);
    MakeFolder(folder);

    for (const ConversationRecord* conversation = m_model.conversations; conversation;
         conversation = conversation->next) {
        m_control.WaitWhilePaused();
        if (m_control.StopRequested()) return -1;
        if (conversation->checked) RecordHandled(WriteConversation(folder, *conversation));
    }

    if (m_model.deletedSmsText && !m_model.deletedSmsText->empty()) {
        TkTxtFile file(folder + kPathSeparator + L"deleted.txt");
        Write(file, L"Deleted SMS:");
        if (m_model.deletedSms) {
            for (const auto& deleted : *m_model.deletedSms) {
                if (deleted->record.checked) RecordHandled(Write(file, WideFromAnsi(deleted->line)));
            }
        }
    }
    return count;
}

std::wstring RecordExporter::ConversationExportName(const ConversationRecord& conversation) const {
    const auto& messages = m_index.MessagesOf(conversation.threadKey);
    if (messages.empty()) return std::wstring();
    const MessageRecord& first = *messages.front();
    if (first.personKey == 0) return WideFromAnsi(first.address);
    const ContactRecord* contact = m_index.ContactByPerson(first.personKey);
    if (!contact) return std::wstring();
    if (contact->nameSource == kNameSourceStructuredName) return WideFromAnsi(contact->displayName);
    return WideFromAnsi(first.address);
}

bool RecordExporter::MakeFolder(const std::wstring& path) {
    const bool made = CreateFolder(path);
    if (!made) m_bWriteFailed = true;
    return made;
}

bool RecordExporter::Write(TkTxtFile& file, const std::wstring& line) {
    const bool written = file.WriteLine(line) == 1;
    if (!written) m_bWriteFailed = true;
    return written;
}

bool RecordExporter::WriteContact(TkTxtFile& file, const ContactRecord& contact) {
    // The name is decided once per contact, so every checked contact without a structured
    // name takes a number, even one that gives no line.
    const std::wstring name = contact.nameSource == kNameSourceStructuredName
                                  ? WideFromAnsi(contact.displayName)
                                  : L"No Name" + std::to_wstring(m_nNoName++);
    bool allWritten = true;
    for (const ContactDataRow* row : m_index.RowsOf(contact.contactKey)) {
        const wchar_t* label = nullptr;
        switch (m_index.KindOf(*row)) {
            case DataKind::kPhone: label = PhoneTypeLabel(TypeCode(row->data2)); break;
            case DataKind::kOrganization: label = L"Company"; break;
            case DataKind::kEmail: label = EmailTypeLabel(TypeCode(row->data2)); break;
            case DataKind::kOther: break;
        }
        if (!label) continue;
        allWritten &= Write(file, name + L"(" + label + L") : " + WideFromAnsi(row->data1));
    }
    return allWritten;
}

bool RecordExporter::WriteDeletedContact(TkTxtFile& file, const DeletedContact& contact) {
    // A line without a TAB is kept as a record but gives no line.
    const std::wstring line = WideFromAnsi(contact.line);
    const size_t tab = line.find(L'\t');
    if (tab == std::wstring::npos) return true;
    return Write(file, line.substr(0, tab) + L" : " + line.substr(tab + 1));
}

bool RecordExporter::WriteConversation(const std::wstring& folder, const ConversationRecord& conversation) {
    const std::wstring name = ConversationExportName(conversation);
    TkTxtFile file(folder + kPathSeparator + SafeFileName(name) + L".txt");
    bool allWritten = Write(file, L"");
    for (const MessageRecord* message : m_index.MessagesOf(conversation.threadKey)) {
        const std::wstring body = WideFromAnsi(message->body);
        allWritten &= Write(file, WideFromAnsi(message->caption));
        allWritten &= Write(file, message->type == 1 ? name + L" : " + body : L"Me : " + body);
        allWritten &= Write(file, L"");
    }
    return allWritten;
}

void RecordExporter::RecordHandled(bool allLinesWritten) {
    ++m_nDone;
    if (allLinesWritten) ++m_nWritten;
    m_control.RecordDone(m_nDone);
}
