// Measures the program's own work on a large phone, as the Windows build does it under Wine:
// the two engine runs, the loading of the record model (the record-listing library, the
// deleted records and the lookups), the list's row texts, and the export of every record
// with its lines per second. It prints figures and asserts nothing about time.
//
//   app_bench PHONE_DIR RECSIFT_DLL [--keep]
//
// PHONE_DIR holds contacts2.db and mmssms.db; RECSIFT_DLL is the library of the Windows
// tree's dist folder. The export goes into a fresh folder under %TEMP%, removed at the end
// unless --keep is given.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DeletedRecords.h"
#include "CListViewCheck1.h"
#include "GdipImage.h"
#include "ListText.h"
#include "RecordExporter.h"
#include "RecordIndex.h"
#include "RecordModel.h"
#include "SqliteParse.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class Library {
public:
    explicit Library(const std::string& path) : m_module(::LoadLibraryA(path.c_str())) {}
    ~Library() {
        if (m_module) ::FreeLibrary(m_module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

// An export control that never pauses nor stops.
class FreeRunning : public ExportControl {
public:
    void WaitWhilePaused() override {}
    bool StopRequested() override { return false; }
    void RecordDone(int /*done*/) override {}
};

struct FolderFigures {
    long long files = 0;
    long long bytes = 0;
    long long lines = 0;  // CR LF pairs of the UTF-16 files
};

void CountFolder(const std::wstring& folder, FolderFigures& figures) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CountFolder(path, figures);
            continue;
        }
        ++figures.files;
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        std::vector<unsigned char> chunk(1 << 20);
        unsigned char previous[2] = {0, 0};  // the last code unit of the previous chunk
        DWORD got = 0;
        while (::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0) {
            figures.bytes += got;
            // Files are whole code units and chunks even-sized, so pairs never straddle a unit.
            for (DWORD i = 0; i + 1 < got; i += 2) {
                if (chunk[i] == '\n' && chunk[i + 1] == 0 && previous[0] == '\r' && previous[1] == 0) {
                    ++figures.lines;
                }
                previous[0] = chunk[i];
                previous[1] = chunk[i + 1];
            }
        }
        ::CloseHandle(file);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(path);
            } else {
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

std::wstring FreshTempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, base);
    const std::wstring folder =
        std::wstring(base) + L"retrievo-app-bench-" + std::to_wstring(::GetCurrentProcessId());
    RemoveFolder(folder);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

double PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

template <typename Record>
int Length(const Record* head) {
    int n = 0;
    for (; head; head = head->next) ++n;
    return n;
}

void Row(const char* step, double ms, const std::string& note) {
    std::printf("%-34s %10.1f   %s\n", step, ms, note.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_bench PHONE_DIR RECSIFT_DLL [--keep]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string contactsPath = dir + "\\contacts2.db";
    const std::string smsPath = dir + "\\mmssms.db";
    const bool keep = argc > 3 && std::strcmp(argv[3], "--keep") == 0;
    std::printf("%-34s %10s   %s\n", "step", "ms", "figures");

    // The engine, as the window runs it: one object per run.
    auto start = Clock::now();
    std::string deletedContactsText;
    {
        SqliteParse parse(contactsPath, smsPath);
        parse.startParse(ePaserContacts);
        deletedContactsText = parse.get_contacts_mem();
    }
    Row("engine: contacts run", MillisecondsSince(start),
        std::to_string(CountRecordLines(deletedContactsText)) + " deleted lines");
    start = Clock::now();
    std::string deletedSmsText;
    {
        SqliteParse parse(contactsPath, smsPath);
        parse.startParse(ePaserSms);
        deletedSmsText = parse.get_contacts_mem();
    }
    Row("engine: messages run", MillisecondsSince(start),
        std::to_string(CountRecordLines(deletedSmsText)) + " deleted lines");

    // Loading: the library's two listings, the count pass, the deleted records, the lookups.
    const auto loadStart = Clock::now();
    start = loadStart;
    Library library(argv[2]);
    if (!library.Get()) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[2], ::GetLastError());
        return 1;
    }
    const auto listContacts = reinterpret_cast<RecsiftListContactsFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), MAKEINTRESOURCEA(kRecsiftListContactsOrdinal))));
    const auto listMessages = reinterpret_cast<RecsiftListMessagesFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), MAKEINTRESOURCEA(kRecsiftListMessagesOrdinal))));
    if (!listContacts || !listMessages) {
        std::fprintf(stderr, "%s lacks ordinal 1 or 3\n", argv[2]);
        return 1;
    }
    Row("load: LoadLibrary", MillisecondsSince(start), "");

    start = Clock::now();
    ContactAux* aux = nullptr;
    ContactRecord* contacts = nullptr;
    ContactDataRow* dataRows = nullptr;
    MimetypeEntry* mimetypes = nullptr;
    listContacts(contactsPath.c_str(), &aux, &contacts, &dataRows, &mimetypes);
    Row("load: ordinal 1 (contacts)", MillisecondsSince(start),
        std::to_string(Length(contacts)) + " contacts, " + std::to_string(Length(dataRows)) + " data rows");
    start = Clock::now();
    ConversationRecord* conversations = nullptr;
    MessageRecord* messages = nullptr;
    SmsAux* smsAux = nullptr;
    listMessages(smsPath.c_str(), &conversations, &messages, &smsAux);
    Row("load: ordinal 3 (messages)", MillisecondsSince(start),
        std::to_string(Length(conversations)) + " conversations, " + std::to_string(Length(messages)) +
            " messages");

    start = Clock::now();
    long long counted = 0;
    for (ContactRecord* c = contacts; c; c = c->next, ++counted) c->checked = 1;
    for (ConversationRecord* c = conversations; c; c = c->next, ++counted) c->checked = 1;
    counted += CountRecordLines(deletedContactsText) + CountRecordLines(deletedSmsText);
    DeletedContactList deletedContacts;
    DeletedSmsList deletedSms;
    int position = 0;
    for (std::string& line : SplitRecordLines(deletedContactsText)) {
        deletedContacts.push_back(MakeDeletedContact(position++, std::move(line)));
    }
    position = 0;
    for (std::string& line : SplitRecordLines(deletedSmsText)) {
        deletedSms.push_back(MakeDeletedSms(position++, std::move(line)));
    }
    Row("load: count + deleted records", MillisecondsSince(start), std::to_string(counted) + " records");

    start = Clock::now();
    RecordIndex index;
    index.BuildContacts(contacts, dataRows, mimetypes);
    index.BuildMessages(messages, contacts);
    Row("load: RecordIndex builds", MillisecondsSince(start), "");
    Row("load: total", MillisecondsSince(loadStart), "");

    // The list's texts of every row, as the window fills the list.
    start = Clock::now();
    size_t characters = 0;
    for (const ContactRecord* c = contacts; c; c = c->next) {
        const ContactListRow row = ContactListColumns(index, *c);
        characters += row.name.size() + row.phone.size() + row.company.size() + row.email.size();
    }
    for (const ConversationRecord* c = conversations; c; c = c->next) {
        characters += ConversationListName(index, *c).size() + ConversationListPhone(index, *c).size();
    }
    Row("list texts (all live rows)", MillisecondsSince(start), std::to_string(characters) + " characters");

    // The contacts page as the window shows it first: the real check list in a hidden
    // window, filled with every deleted and live contact while it does not repaint.
    {
        winframe::CGdiplusSession gdiplus;
        HWND host = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 984, 674, nullptr, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
        CListViewCheck1 list;
        list.m_nRowHeight = 30;
        start = Clock::now();
        int rows = 0;
        if (host && list.CreateList(host, RECT{225, 32, 748, 576})) {
            list.InitListView();
            list.SetExtendedListViewStyle(CListViewCheck1::kExStyle);
            list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
            list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
            list.InsertColumn(2, L"Company", LVCFMT_CENTER, 180);
            list.InsertColumn(3, L"Email", LVCFMT_CENTER, 150);
            list.m_nListKind = CListViewCheck1::kContacts;
            list.SendMessage(WM_SETREDRAW, FALSE, 0);
            auto add = [&](const ContactRecord* record, const ContactListRow& texts) {
                int row = list.AddRow(texts.name.c_str(), texts.phone.c_str(), texts.company.c_str(),
                                      texts.email.c_str());
                if (row < 0) return;
                list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
                list.SetStateImage(row, 2);
                ++rows;
            };
            ContactListRow texts;
            for (const auto& deleted : deletedContacts)
                if (DeletedContactListColumns(*deleted, texts)) add(&deleted->record, texts);
            for (const ContactRecord* c = contacts; c; c = c->next) add(c, ContactListColumns(index, *c));
            list.SendMessage(WM_SETREDRAW, TRUE, 0);
            ::DestroyWindow(list.m_hWnd);
        }
        Row("results page: contacts list filled", MillisecondsSince(start), std::to_string(rows) + " rows");
        if (host) ::DestroyWindow(host);
    }

    // The export of everything into a fresh folder.
    ExportModel model;
    model.contacts = contacts;
    model.dataRows = dataRows;
    model.mimetypes = mimetypes;
    model.conversations = conversations;
    model.messages = messages;
    model.deletedContacts = &deletedContacts;
    model.deletedSms = &deletedSms;
    model.deletedContactsText = &deletedContactsText;
    model.deletedSmsText = &deletedSmsText;
    model.index = &index;
    const std::wstring saveDir = FreshTempFolder();
    FreeRunning control;
    RecordExporter exporter(model, control, saveDir);
    start = Clock::now();
    const int contactCount = exporter.ExportContacts(L"Contacts", true);
    const double contactsMs = MillisecondsSince(start);
    start = Clock::now();
    const int messageCount = exporter.ExportMessages(L"Message", true);
    const double messagesMs = MillisecondsSince(start);

    FolderFigures contactFiles, messageFiles;
    CountFolder(saveDir + L"\\Contacts", contactFiles);
    CountFolder(saveDir + L"\\Message", messageFiles);
    char note[160];
    std::snprintf(note, sizeof note, "%d records, %lld lines, %.0f lines/s, %.1f MiB", contactCount,
                  contactFiles.lines, contactFiles.lines / (contactsMs / 1000.0),
                  static_cast<double>(contactFiles.bytes) / (1024.0 * 1024.0));
    Row("export: contacts", contactsMs, note);
    std::snprintf(note, sizeof note, "%d records, %lld files, %lld lines, %.0f lines/s, %.1f MiB", messageCount,
                  messageFiles.files, messageFiles.lines, messageFiles.lines / (messagesMs / 1000.0),
                  static_cast<double>(messageFiles.bytes) / (1024.0 * 1024.0));
    Row("export: messages", messagesMs, note);
    const long long lines = contactFiles.lines + messageFiles.lines;
    std::snprintf(note, sizeof note, "done %d, written %d, %s, %.0f lines/s", exporter.Done(), exporter.Written(),
                  exporter.AnyWriteFailed() ? "WRITE FAILED" : "no write failed",
                  lines / ((contactsMs + messagesMs) / 1000.0));
    Row("export: total", contactsMs + messagesMs, note);
    std::printf("peak working set: %.1f MiB\n", PeakWorkingSetMiB());

    if (keep) {
        std::printf("export kept in %ls\n", saveDir.c_str());
    } else {
        RemoveFolder(saveDir);
    }
    return 0;
}
