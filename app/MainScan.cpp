// The main window's scan: a private scan folder, the pull from the phone (or the copy of
// database files the user opens), and the engine's runs on a worker, up to the results page.
#include <windows.h>

#include <shlobj.h>

#include <cwchar>

#include "CMainDlg.h"
#include "CMsgBox.h"
#include "DatabaseCheck.h"
#include "NarrowText.h"

namespace {

bool FileExistsW(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The two databases a scan reads, with the table each must hold.
struct DatabaseName {
    const char* file;
    const char* table;
};
const DatabaseName kDatabases[] = {{"contacts2.db", "data"}, {"mmssms.db", "sms"}};

// Picks a folder with the platform's folder browser; empty when the user cancels.
std::wstring BrowseForFolder(HWND owner, const wchar_t* title) {
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.lpszTitle = title;
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&bi);
    if (!pidl) return std::wstring();
    wchar_t picked[MAX_PATH] = {};
    const BOOL havePath = ::SHGetPathFromIDListW(pidl, picked);
    ::CoTaskMemFree(pidl);
    return havePath ? picked : L"";
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The pull

void CMainDlg::StartPull() {
    m_strFailure.clear();
    m_strFailureDetail.clear();
    m_strPullNote.clear();
    m_strStatus = L"Waiting for the phone...";
    ShowStage(Stage::kPulling);
    std::wstring error;
    if (!m_scanFolder.Create(error)) {
        ShowFailure(error);
        return;
    }
    PullRequest request;
    request.notify = m_hWnd;
    request.contactsCopy = WideFromAnsi(m_scanFolder.FilePath("contacts2.db"));
    request.messagesCopy = WideFromAnsi(m_scanFolder.FilePath("mmssms.db"));
    request.startDelayMs = 5000;  // the phone's connection settles after the window opens
    m_pull = std::make_shared<PullStatus>();
    m_hWorker.Attach(StartPullThread(request, m_pull));
    if (!m_hWorker.IsValid()) {
        const PullResult result = m_pull->Result();
        ShowFailure(PullFailureText(result.failure), WideFromUtf8(result.detail));
    }
}

// The connect page says what the pull does and how much it has copied.
void CMainDlg::OnPullProgress() {
    if (m_stage != Stage::kPulling || !m_pull) return;
    std::wstring status = PullStageText(m_pull->stage);
    const uint64_t bytes = m_pull->bytesCopied;
    if (bytes > 0) {
        wchar_t copied[64];
        std::swprintf(copied, 64, L" %.1f MB copied", static_cast<double>(bytes) / (1024.0 * 1024.0));
        status += copied;
    }
    if (status.empty()) return;  // the pull's first moments: the page keeps what it says
    if (status != m_strStatus) {
        m_strStatus = status;
        InvalidateRect(nullptr, FALSE);
    }
}

void CMainDlg::OnPullDone() {
    m_hWorker.Close();
    if (!m_pull) return;
    const PullResult result = m_pull->Result();
    if (result.failure == PullFailure::kCancelled) return;
    // Only whole databases count: a side file alone is nothing to scan.
    if (!result.contactsWhole && !result.messagesWhole) {
        KillAdbProcesses();
        const PullFailure cause = result.failure == PullFailure::kNone ? PullFailure::kIncomplete : result.failure;
        ShowFailure(PullFailureText(cause), WideFromUtf8(result.detail));
        return;
    }
    if (result.failure != PullFailure::kNone) m_strPullNote = PullFailureText(result.failure);
    StartScan();
}

// Ends a running pull: its client at once, then the worker, which deletes its partial copy.
void CMainDlg::StopPull() {
    if (m_pull) m_pull->Cancel();
    WaitForWorker();
    KillAdbProcesses();
}

void CMainDlg::ShowFailure(const std::wstring& cause, const std::wstring& detail) {
    m_strFailure = cause;
    m_strFailureDetail = detail;
    m_strStatus.clear();
    ShowStage(Stage::kFailed);
}

void CMainDlg::OnRefresh() {
    if (m_hWorker.IsValid()) return;
    StartPull();
}

// ---------------------------------------------------------------------------------------
// Database files the user already has

// A folder that holds contacts2.db and/or mmssms.db (with their -wal and -journal files) is
// copied into a new scan folder and scanned exactly as a pull's copies are; the files
// themselves are only read. Files that are not these databases are named and refused.
void CMainDlg::OnOpenFiles() {
    if (m_bChoosingFolder) return;
    if (m_stage == Stage::kScanning || m_stage == Stage::kLoading || m_stage == Stage::kExporting) {
        ShowBox(MSGICON_WARNING, MSGBTN_OK, L"Please wait until the current work has ended, or stop it first.");
        return;
    }
    m_bChoosingFolder = true;
    const std::wstring folder =
        BrowseForFolder(m_hWnd, L"Choose the folder that holds contacts2.db and/or mmssms.db");
    m_bChoosingFolder = false;
    if (m_bClosing || folder.empty()) return;

    std::wstring problems;
    bool anyDatabase = false;
    for (const DatabaseName& db : kDatabases) {
        const std::wstring path = folder + L"\\" + WideFromAnsi(db.file);
        if (!FileExistsW(path)) continue;
        anyDatabase = true;
        const std::string problem = DatabaseFileProblem(NarrowFromWide(path), db.file, db.table);
        if (!problem.empty()) problems += WideFromAnsi(problem) + L"\n";
    }
    if (!anyDatabase) problems = L"The folder \"" + folder + L"\" holds neither contacts2.db nor mmssms.db.";
    if (!problems.empty()) {
        ShowBox(MSGICON_WARNING, MSGBTN_OK, problems);
        return;
    }

    // The phone's road ends here: its pull, or the results of an earlier scan, give way.
    if (m_stage == Stage::kPulling) StopPull();
    if (m_stage == Stage::kResults) {
        if (ShowBox(MSGICON_WARNING, MSGBTN_YES | MSGBTN_NO,
                    L"Are you sure to close these results and scan the database files?") != IDC_MSGBOX_YES ||
            m_bClosing)
            return;
        ResetResults();
    }

    std::wstring error;
    if (!m_scanFolder.Create(error)) {
        ShowFailure(error);
        return;
    }
    for (const DatabaseName& db : kDatabases) {
        for (const char* suffix : {"", "-wal", "-journal"}) {
            const std::string name = std::string(db.file) + suffix;
            const std::wstring source = folder + L"\\" + WideFromAnsi(name);
            if (!FileExistsW(source)) continue;
            if (!m_scanFolder.CopyIn(source, name.c_str(), error)) {
                ShowFailure(error);
                return;
            }
        }
    }
    StartScan();
}

// ---------------------------------------------------------------------------------------
// The engine

void CMainDlg::StartScan() {
    m_results = std::make_shared<ScanResults>(m_library, m_scanFolder.FilePath("contacts2.db"),
                                              m_scanFolder.FilePath("mmssms.db"));
    m_control = std::make_shared<WorkerControl>();
    m_control->m_hwndMain = m_hWnd;
    m_control->m_hwndProgress = m_progress.m_hWnd;
    m_strStatus = L"Looking for deleted contacts and messages...";
    ShowStage(Stage::kScanning);
    m_hWorker = StartScanWorker(m_results, m_control);
    if (!m_hWorker.IsValid()) {
        m_results->m_strFailure = "The scan could not be started.";
        OnScanDone();
    }
}

void CMainDlg::OnScanDone() {
    m_hWorker.Close();
    if (!m_results) return;
    if (!m_results->m_strFailure.empty()) {
        const std::wstring failure = WideFromAnsi(m_results->m_strFailure);
        m_results.reset();
        ShowFailure(failure);
        ShowBox(MSGICON_WARNING, MSGBTN_OK, failure);
        return;
    }
    // What the runs could not do is said, but what they found is shown all the same.
    std::wstring warnings = m_strPullNote.empty() ? std::wstring() : m_strPullNote + L"\n";
    for (const engine::RunReport* report : {&m_results->m_contactsReport, &m_results->m_smsReport}) {
        if (!report->problem.empty()) warnings += WideFromAnsi(report->problem) + L"\n";
    }
    StartLoading();
    if (!warnings.empty() && !m_bClosing) ShowBox(MSGICON_WARNING, MSGBTN_OK, warnings);
}
