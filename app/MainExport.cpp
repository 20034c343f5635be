// The main window's export: the checked records into a new time-stamped folder below the
// folder the user picks, on the export worker, and the final account.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <ctime>
#include <cwchar>
#include <optional>

#include "CFormatBox.h"
#include "CMainDlg.h"
#include "CMsgBox.h"
#include "ExportFolder.h"
#include "NarrowText.h"
#include "WindowMessages.h"

namespace {

// Counting needs no pause, stop or progress.
class NoExportControl : public ExportControl {
public:
    void WaitWhilePaused() override {}
    bool StopRequested() override { return false; }
    void RecordDone(int) override {}
};

}  // namespace

int CMainDlg::CountChecked() const {
    if (!m_results) return 0;
    NoExportControl none;
    RecordExporter counter(m_results->ExportView(), none, std::wstring());
    int count = 0;
    if (CategoryCount(m_hContactsItem) != 0) count += counter.CountCheckedContacts();
    if (CategoryCount(m_hMessageItem) != 0) count += counter.CountCheckedMessages();
    return count;
}

void CMainDlg::OnRecover() {
    if (m_stage != Stage::kResults || m_hWorker.IsValid() || !m_results || m_bChoosingFolder) return;
    const int checked = CountChecked();
    if (checked == 0) {
        ShowBox(MSGICON_WARNING, MSGBTN_OK, L"Please select the file(s) you want to recover.");
        return;
    }

    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    BROWSEINFOW bi{};
    bi.hwndOwner = m_hWnd;
    bi.lpszTitle = current;
    m_bChoosingFolder = true;
    PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&bi);
    m_bChoosingFolder = false;
    if (!pidl) return;
    wchar_t picked[MAX_PATH] = {};
    BOOL havePath = ::SHGetPathFromIDListW(pidl, picked);
    ::CoTaskMemFree(pidl);
    // Closed while the browser was open: the results are gone.
    if (m_bClosing || !m_results) return;
    const std::wstring parent = havePath ? picked : L"";
    if (parent.empty()) {
        ShowBox(MSGICON_WARNING, MSGBTN_OK, L"Please select the directory to save the files recovered.");
        return;
    }

    // The formats: the text files ticked first, then what the user ticked last time.
    CFormatBox formatBox;
    m_bChoosingFolder = true;
    const std::optional<FormatTicks> ticks = formatBox.Run(m_formatTicks, m_hWnd);
    m_bChoosingFolder = false;
    if (m_bClosing || !m_results || !ticks) return;
    m_formatTicks = *ticks;

    const ExportFolderResult folder = CreateExportFolder(parent, std::time(nullptr));
    if (folder.path.empty()) {
        ShowBox(MSGICON_WARNING, MSGBTN_OK, folder.problem);
        return;
    }
    m_strSaveDir = folder.path;

    ExportJob job;
    job.saveDir = m_strSaveDir;
    job.contactsLabel = m_tree.GetItemText(m_hContactsItem);
    job.messageLabel = m_tree.GetItemText(m_hMessageItem);
    job.contactsNodeChecked = NodeChecked(m_hContactsItem);
    job.messageNodeChecked = NodeChecked(m_hMessageItem);
    job.exportContacts = CategoryCount(m_hContactsItem) != 0;
    job.exportMessages = CategoryCount(m_hMessageItem) != 0;
    job.formats = ExportFormats{ticks->text, ticks->vcard, ticks->smsXml, ticks->csv, ticks->html};

    m_control->Reset(checked);
    m_exportOutcome = std::make_shared<ExportOutcome>();
    ShowStage(Stage::kExporting);
    m_hWorker = StartExportWorker(std::move(job), m_results, m_control, m_exportOutcome);
    if (!m_hWorker.IsValid()) {
        m_exportOutcome->failure = "Writing the files could not be started.";
        ::PostMessageW(m_hWnd, WM_EXPORT_DONE, 0, 0);
    }
}

void CMainDlg::OnExportDone() {
    if (m_stage != Stage::kExporting) return;
    m_hWorker.Close();
    m_progress.SendMessage(PBM_SETPOS, 100, 0);
    ShowStage(Stage::kResults);
    if (!m_exportOutcome) return;
    const ExportOutcome& outcome = *m_exportOutcome;
    const int written = outcome.written;
    wchar_t text[MAX_PATH + 512];
    const size_t size = sizeof(text) / sizeof(text[0]);
    if (!outcome.failure.empty()) {
        std::swprintf(text, size, L"%ls. %d records have been recovered into \"%ls\".",
                      WideFromAnsi(outcome.failure).c_str(), written, m_strSaveDir.c_str());
        ShowBox(MSGICON_WARNING, MSGBTN_OK, text);
    } else if (outcome.writeFailed) {
        // Never report success when something is missing from the folder.
        std::swprintf(text, size, L"Some files could not be written to \"%ls\". %d records have been recovered.",
                      m_strSaveDir.c_str(), written);
        ShowBox(MSGICON_WARNING, MSGBTN_OK, std::wstring(text) + L"\n" + outcome.writeProblem);
    } else if (outcome.stopped) {
        std::swprintf(text, size, L"Recovering stopped, %d files have been recovered.", written);
        ShowBox(MSGICON_WARNING, MSGBTN_OK, text);
    } else {
        std::swprintf(text, size, L"Recovering finished, %d files have been recovered.", written);
        ShowBox(MSGICON_SUCCESS, MSGBTN_OK, text);
    }
}
