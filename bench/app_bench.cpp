// Measures the program's own work on a large phone, as the Windows build does it under Wine,
// through the program's own code: the two engine runs, the loading of the scan's results
// (each database listed once, the deleted records, the lookups), the contacts page's list,
// and the export of every record per format. It prints figures and asserts nothing about
// time. One line sums up the road from the end of the pull to the results page; the last
// line sums the export up: "export: text X.XX s, all formats Y.YY s".
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
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "CListViewCheck1.h"
#include "ExportFolder.h"
#include "GdipImage.h"
#include "ListText.h"
#include "RecordExporter.h"
#include "ScanResults.h"
#include "SqliteParse.h"
#include "WorkerControl.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

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

    // The engine, as the scan worker runs it: one object per run.
    auto results = std::make_shared<ScanResults>(
        std::make_shared<RecsiftLibrary>(std::wstring(argv[2], argv[2] + std::strlen(argv[2]))), contactsPath,
        smsPath);
    const auto roadStart = Clock::now();
    auto start = roadStart;
    {
        SqliteParse parse(contactsPath, smsPath);
        parse.startParse(ePaserContacts);
        results->m_recoveredContacts = parse.contacts();
    }
    Row("engine: contacts run", MillisecondsSince(start),
        std::to_string(results->m_recoveredContacts.size()) + " deleted contacts");
    start = Clock::now();
    {
        SqliteParse parse(contactsPath, smsPath);
        parse.startParse(ePaserSms);
        results->m_recoveredSms = parse.messages();
    }
    Row("engine: messages run", MillisecondsSince(start),
        std::to_string(results->m_recoveredSms.size()) + " deleted messages");

    // Loading, as the load worker does it: each database listed once and counted, then both
    // categories loaded with their deleted records and lookups.
    WorkerControl control;
    start = Clock::now();
    const int contactsCounted = results->LoadContacts(control, true);
    const int messagesCounted = results->LoadMessages(control, true);
    Row("load: listing and counting", MillisecondsSince(start),
        std::to_string(Length(results->m_pContacts)) + " contacts, " + std::to_string(Length(results->m_pDataRows)) +
            " data rows, " + std::to_string(Length(results->m_pConversations)) + " conversations, " +
            std::to_string(Length(results->m_pMessages)) + " messages");
    start = Clock::now();
    const int loaded = results->LoadContacts(control, false) + results->LoadMessages(control, false);
    Row("load: records, deleted records, lookups", MillisecondsSince(start),
        std::to_string(loaded) + " of " + std::to_string(contactsCounted + messagesCounted) + " records");

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
            for (const auto& deleted : results->m_vecDeletedContacts)
                add(&deleted->record, DeletedContactListColumns(*deleted));
            for (const ContactRecord* c = results->m_pContacts; c; c = c->next)
                add(c, ContactListColumns(results->Index(), *c));
            list.SendMessage(WM_SETREDRAW, TRUE, 0);
            ::DestroyWindow(list.m_hWnd);
        }
        Row("results page: contacts list filled", MillisecondsSince(start), std::to_string(rows) + " rows");
        if (host) ::DestroyWindow(host);
    }
    std::printf("end of the pull to the results page: %.2f s\n", MillisecondsSince(roadStart) / 1000.0);

    // The export of everything, once per format and once in all formats, each into a fresh
    // folder.
    const ExportModel model = results->ExportView();
    const std::wstring saveDir = FreshTempFolder();
    struct FormatRun {
        const char* name;
        ExportFormats formats;
    };
    const FormatRun runs[] = {
        {"text", ExportFormats{true, false, false, false, false}},
        {"contacts.vcf", ExportFormats{false, true, false, false, false}},
        {"sms.xml", ExportFormats{false, false, true, false, false}},
        {"csv", ExportFormats{false, false, false, true, false}},
        {"report.html", ExportFormats{false, false, false, false, true}},
        {"all formats", ExportFormats::All()},
    };
    double textMs = 0;
    double allMs = 0;
    std::wstring keptFolder;
    for (const FormatRun& run : runs) {
        const ExportFolderResult folder = CreateExportFolder(saveDir, std::time(nullptr));
        if (folder.path.empty()) {
            std::fprintf(stderr, "%ls\n", folder.problem.c_str());
            return 1;
        }
        FreeRunning free;
        start = Clock::now();
        int records = 0;
        int written = 0;
        bool failed = false;
        {
            RecordExporter exporter(model, free, folder.path, run.formats);
            records += exporter.ExportContacts(L"Contacts", true);
            records += exporter.ExportMessages(L"Message", true);
            exporter.Finish();
            written = exporter.Written();
            failed = exporter.AnyWriteFailed();
        }
        const double ms = MillisecondsSince(start);
        FolderFigures files;
        CountFolder(folder.path, files);
        char note[200];
        std::snprintf(note, sizeof note, "%d records, %d written, %lld files, %.1f MiB%s%s", records, written,
                      files.files, static_cast<double>(files.bytes) / (1024.0 * 1024.0),
                      run.formats.text && !run.formats.vcard ? (", " + std::to_string(files.lines) + " lines").c_str()
                                                             : "",
                      failed ? ", WRITE FAILED" : "");
        Row((std::string("export: ") + run.name).c_str(), ms, note);
        if (run.formats.text && !run.formats.vcard) textMs = ms;
        if (run.formats.vcard && run.formats.text) allMs = ms;
        if (keep && run.formats.vcard && run.formats.text) {
            keptFolder = folder.path;
        } else {
            RemoveFolder(folder.path);
        }
    }
    std::printf("peak working set: %.1f MiB\n", PeakWorkingSetMiB());

    if (keep) {
        std::printf("export kept in %ls\n", keptFolder.c_str());
    } else {
        RemoveFolder(saveDir);
    }
    std::printf("export: text %.2f s, all formats %.2f s\n", textMs / 1000.0, allMs / 1000.0);
    return 0;
}
