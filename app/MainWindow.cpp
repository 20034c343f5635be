// The main window's frame: start-up, the stages, the message dispatch, the menu and the
// updater, and closing.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

#include "CAboutBox.h"
#include "CMainDlg.h"
#include "CMsgBox.h"
#include "HyperLink.h"
#include "ProductInfo.h"
#include "ProgramFolder.h"
#include "SkinFolder.h"
#include "TkFontPool.h"
#include "UpdateCheck.h"
#include "WindowMessages.h"
#include "paddockc.h"

namespace {
// How long closing waits for a running worker before it goes on without it.
constexpr DWORD kWorkerWaitMs = 10000;

// Ends the modal loops of the boxes and browsers this window owns (a message box, the
// formats box, a folder browser): the window cannot end while one of them runs its own
// loop, and whatever waited on it checks m_bClosing and goes no further.
BOOL CALLBACK EndOwnedDialog(HWND hwnd, LPARAM owner) {
    if (::GetWindow(hwnd, GW_OWNER) != reinterpret_cast<HWND>(owner)) return TRUE;
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (std::wcscmp(cls, L"#32770") == 0) ::EndDialog(hwnd, IDCANCEL);
    return TRUE;
}
}  // namespace

CMainDlg::CMainDlg() = default;

CMainDlg::~CMainDlg() {
    // A worker that still runs keeps what it shares with the window; it only learns that it
    // should end.
    if (m_control) m_control->RequestStop();
}

const std::vector<const ContactDataRow*>& CMainDlg::DataRowsOf(const ContactRecord& record) const {
    static const std::vector<const ContactDataRow*> none;
    return m_results ? m_results->DataRowsOf(record) : none;
}

const MimetypeEntry* CMainDlg::MimetypesOf(const ContactRecord& record) const {
    return m_results ? m_results->MimetypesOf(record) : nullptr;
}

const std::vector<const MessageRecord*>& CMainDlg::MessagesOf(const ConversationRecord& record) const {
    static const std::vector<const MessageRecord*> none;
    return m_results ? m_results->MessagesOf(record) : none;
}

// ---------------------------------------------------------------------------------------
// Start-up

void CMainDlg::OnInitDialog() {
    SetWindowText(controls::kProductTitle);
    ModifyStyle(WS_CAPTION, 0);
    SetWindowPos(nullptr, 0, 0, kWidth, kHeight, SWP_NOZORDER | SWP_FRAMECHANGED);

    m_imgMainBg1.Load(controls::ImagePath(L"mainbg1.png"));
    m_imgMainBg2.Load(controls::ImagePath(L"mainbg2.png"));
    m_imgStep1.Load(controls::ImagePath(L"step1.png"));
    m_imgStep2.Load(controls::ImagePath(L"step2.png"));

    SetRoundOutline(5);
    CenterWindow();

    BuildControls();
    m_imgContacts.Load(controls::ImagePath(L"contacts.png"));
    m_imgMessage.Load(controls::ImagePath(L"message.png"));
    m_imgLoadData.Load(controls::ImagePath(L"loaddata.gif"));
    m_imgLoadFail.Load(controls::ImagePath(L"loadfail.png"));
    BuildTree();

    m_strVersion = controls::kVersionTextA;
    m_library = std::make_shared<RecsiftLibrary>();

    SetTimer(m_hWnd, ID_TIMER_UPDATE, 1000, nullptr);
    StartPull();
}

void CMainDlg::BuildControls() {
    struct ButtonPlace {
        CImgButton* button;
        int id;
        const wchar_t* picture;
        int x, y, frames;
    };
    const ButtonPlace buttons[] = {
        {&m_btnClose, IDC_BTN_CLOSE, L"close.png", -8, 5, 4},
        {&m_btnMin, IDC_BTN_MIN, L"min.png", -29, 5, 4},
        {&m_btnMenu, IDC_BTN_MENU, L"menu.png", -50, 5, 3},
        {&m_btnHome, IDC_BTN_HOME, L"btn_home.png", -120, 5, 4},
        {&m_btnHelp, IDC_BTN_HELP, L"btn_help.png", -90, 5, 4},
        {&m_btnBack, IDC_BTN_BACK, L"back.png", 20, -20, 3},
        {&m_btnPause, IDC_BTN_PAUSE, L"pause.png", -92, -20, 4},
        {&m_btnContinue, IDC_BTN_CONTINUE, L"continue.png", -92, -20, 4},
        {&m_btnStop, IDC_BTN_STOP, L"stop.png", -20, -20, 4},
        {&m_btnRecover, IDC_BTN_RECOVER, L"recover.png", -30, -20, 3},
        {&m_btnRefresh, IDC_BTN_REFRESH, L"refresh.png", -30, -35, 3},
    };
    for (const ButtonPlace& b : buttons) {
        b.button->SetupButton(GetDlgItem(b.id), controls::ImagePath(b.picture), b.x, b.y, b.frames);
        // Placing a button shows it; only the frame's buttons are there from the start.
        if (b.y < 0) b.button->ShowWindow(SW_HIDE);
    }

    m_tree.m_nItemHeight = 25;
    m_tree.InitTreeView(GetDlgItem(IDC_TREE));
    m_tree.SetWindowPos(nullptr, 1, 32, 221, 577, SWP_NOZORDER | SWP_NOACTIVATE);

    m_list = std::make_unique<CListViewCheck1>();
    m_list->m_nRowHeight = 30;
    if (m_list->CreateList(m_hWnd, RECT{225, 32, 748, 576})) {
        m_list->InitListView();
        m_list->SetExtendedListViewStyle(CListViewCheck1::kExStyle);
        m_list->ShowWindow(SW_HIDE);
    }

    m_progress.m_hWnd = GetDlgItem(IDC_PROGRESS);
    m_progress.SetWindowPos(nullptr, 42, 639, 730, 20, SWP_NOZORDER | SWP_NOACTIVATE);
    m_progress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    m_progress.SendMessage(PBM_SETPOS, 0, 0);

    m_animate.LoadStrip(controls::ImagePath(L"animate.png"));
    m_animate.SplitStrip();
    m_animate.m_nInterval = 100;
    if (m_animate.SubclassWindow(GetDlgItem(IDC_ANIMATE)))
        m_animate.PlaceAnim(20, 641, SWP_NOZORDER | SWP_NOACTIVATE);

    struct TextPlace {
        winframe::CWindow& control;
        int id;
        RECT place;
        WORD fontStyle;
    };
    const TextPlace texts[] = {{m_failureCause, IDC_FAILURE_CAUSE, {100, 528, 884, 548}, 0x204},    // bold, larger
                               {m_failureDetail, IDC_FAILURE_DETAIL, {100, 549, 884, 566}, 0x001}};  // italic
    for (const TextPlace& t : texts) {
        t.control.m_hWnd = GetDlgItem(t.id);
        t.control.SetWindowPos(nullptr, t.place.left, t.place.top, t.place.right - t.place.left,
                               t.place.bottom - t.place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        t.control.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(TkFontPool::GetStyledFont(t.fontStyle)), FALSE);
    }

    if (m_link.SubclassLink(GetDlgItem(IDC_LINK))) {  // stays hidden until a pull fails
        m_link.SetLinkFont(get_font(L"Arial", 16, 400));
        m_link.SetLabel(L"Have Problems?");
        m_link.SetHyperLink(controls::kOnlineHelpUrl);
        m_link.PlaceAtLabelSize(470, 630);
    }
}

void CMainDlg::BuildTree() {
    if (!m_tree.m_hWnd) return;
    m_hRootItem = m_tree.InsertItem(L"android phone", TVI_ROOT, TVI_LAST, 0, TRUE);
    m_hContactsItem = m_tree.AddCategory(m_hRootItem, 0, L"Contacts", &m_imgContacts);
    m_hMessageItem = m_tree.AddCategory(m_hRootItem, 1, L"Message", &m_imgMessage);
    m_tree.Expand(m_hRootItem);
}

// What each stage shows. The pause and stop buttons of the loading stage appear once the
// records are counted (OnLoadCounted); the list and the boards follow the shown category.
void CMainDlg::ShowStage(Stage stage) {
    m_stage = stage;
    const bool connectPage = stage == Stage::kPulling || stage == Stage::kFailed || stage == Stage::kScanning;
    const bool working = stage == Stage::kLoading || stage == Stage::kExporting;
    auto show = [](winframe::CWindow& window, bool visible) {
        if (window.m_hWnd) window.ShowWindow(visible ? SW_SHOW : SW_HIDE);
    };
    show(m_btnRefresh, stage == Stage::kFailed);
    show(m_link, stage == Stage::kFailed);
    m_failureCause.SetWindowText(m_strFailure.c_str());
    m_failureDetail.SetWindowText(m_strFailureDetail.c_str());
    show(m_failureCause, stage == Stage::kFailed);
    show(m_failureDetail, stage == Stage::kFailed);
    show(m_tree, !connectPage);
    if (connectPage) {
        if (m_list) show(*m_list, false);
        if (m_contactBoard) show(*m_contactBoard, false);
        if (m_msgBoard) show(*m_msgBoard, false);
    }
    show(m_progress, working);
    show(m_btnPause, stage == Stage::kExporting);
    show(m_btnContinue, false);
    show(m_btnStop, stage == Stage::kExporting);
    show(m_btnBack, stage == Stage::kResults);
    show(m_btnRecover, stage == Stage::kResults);
    show(m_animate, working);
    if (working) {
        m_progress.SendMessage(PBM_SETPOS, 0, 0);
        m_animate.StartAnim();
    } else {
        m_animate.StopAnim();
    }
    // Check boxes change records only once every record is loaded and none is written.
    const bool checksEnabled = stage == Stage::kResults;
    m_tree.m_bChecksEnabled = checksEnabled;
    if (m_list) m_list->m_bChecksEnabled = checksEnabled;
    if (stage == Stage::kPulling || stage == Stage::kScanning)
        StartAnimation();
    else
        StopAnimation();
    Invalidate(FALSE);
}

// ---------------------------------------------------------------------------------------
// Timers, menu and updater

void CMainDlg::OnTimer(UINT_PTR id) {
    if (id == ID_TIMER_ANIMATION) {
        if (m_bAnimTimer) OnAnimationTimer();
    } else if (id == ID_TIMER_UPDATE) {
        KillTimer(m_hWnd, ID_TIMER_UPDATE);  // one check per start
        if (HANDLE thread = StartUpdateThread(m_hWnd, m_strVersion)) ::CloseHandle(thread);
    }
}

void CMainDlg::ShowMainMenu() {
    HMENU menu = ::LoadMenuW(winframe::ModuleInstance(), MAKEINTRESOURCEW(IDR_MAINMENU));
    if (!menu) return;
    POINT pt{884, 32};
    ::ClientToScreen(m_hWnd, &pt);
    UINT cmd = static_cast<UINT>(::TrackPopupMenu(::GetSubMenu(menu, 0),
                                                  TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                  pt.x, pt.y, 0, m_hWnd, nullptr));
    ::DestroyMenu(menu);
    if (m_bClosing) return;
    switch (cmd) {
    case ID_MENU_OPEN_FILES:
        OnOpenFiles();
        break;
    case ID_MENU_HOME:
        winframe::OpenUrl(controls::kProductPageUrl);
        break;
    case ID_MENU_ABOUT: {
        CAboutBox about(m_hWnd);
        about.Run();
        break;
    }
    case ID_MENU_HELP:
        winframe::OpenUrl(controls::kOnlineHelpUrl);
        break;
    case ID_MENU_UPDATE:
        StartUpdater();
        break;
    case ID_MENU_EXIT:
        CloseApp(0);
        break;
    default:
        break;
    }
}

// Starts "Updrava.exe" from the program folder, with no arguments. A missing updater
// starts nothing.
void CMainDlg::StartUpdater() {
    const std::wstring folder = ProgramFolderW();
    const std::wstring path = folder + L"Updrava.exe";
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    ::ShellExecuteW(m_hWnd, L"open", path.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}

void CMainDlg::OnNewVersion() {
    if (ShowBox(MSGICON_INFO, MSGBTN_YES | MSGBTN_NO, L"New version found,are you sure to Update?") ==
            IDC_MSGBOX_YES &&
        !m_bClosing)
        StartUpdater();
}

// The failure texts are drawn on the page's own background, in the page's colours.
HBRUSH CMainDlg::OnCtlColorStatic(HDC dc, HWND control) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, control == m_failureDetail.m_hWnd ? RGB(90, 90, 90) : RGB(189, 58, 6));
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

int CMainDlg::ShowBox(int icon, WORD buttons, const std::wstring& text) {
    CMsgBox box;
    return ShowMsgBox(icon, buttons, text.c_str(), box, m_hWnd);
}

// ---------------------------------------------------------------------------------------
// Closing

// Waits, for a bounded time, until the running worker has ended, answering the messages it
// sends to this window meanwhile (a worker blocked in a send would otherwise never end).
void CMainDlg::WaitForWorker() {
    if (!m_hWorker.IsValid()) return;
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= kWorkerWaitMs) break;
        HANDLE worker = m_hWorker.Get();
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &worker, FALSE, kWorkerWaitMs - elapsed, QS_SENDMESSAGE);
        if (wait != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_hWorker.Close();
}

void CMainDlg::CloseApp(int code) {
    m_bClosing = true;
    ::EndMenu();
    ::EnumThreadWindows(::GetCurrentThreadId(), EndOwnedDialog, reinterpret_cast<LPARAM>(m_hWnd));
    if (m_control) m_control->RequestStop();
    if (m_pull) m_pull->Cancel();
    // A pull's client is ended at once; the other workers end at their next look at the
    // stop flag (the engine between pages and inside SQLite's statements).
    WaitForWorker();
    KillAdbProcesses();
    ClearResults();
    if (m_list) {
        if (m_list->m_hWnd) ::DestroyWindow(m_list->m_hWnd);
        m_list.reset();
    }
    m_scanFolder.Remove();
    StopAnimation();
    EndDialog(code);
}

// ---------------------------------------------------------------------------------------
// Messages

BOOL CMainDlg::OnCommand(WORD id) {
    if (m_bClosing) return TRUE;  // a click queued before the close
    switch (id) {
    case IDOK:
    case IDCANCEL:  // Enter and Esc never end the window
        return TRUE;
    case IDC_BTN_CLOSE:
        CloseApp(IDC_BTN_CLOSE);
        return TRUE;
    case IDC_BTN_MIN:
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return TRUE;
    case IDC_BTN_PAUSE:
        OnPause();
        return TRUE;
    case IDC_BTN_STOP:
        OnStop();
        return TRUE;
    case IDC_BTN_CONTINUE:
        OnContinue();
        return TRUE;
    case IDC_BTN_RECOVER:
        OnRecover();
        return TRUE;
    case IDC_BTN_MENU:
        ShowMainMenu();
        return TRUE;
    case IDC_BTN_HOME:
        winframe::OpenUrl(controls::kProductPageUrl);
        return TRUE;
    case IDC_BTN_HELP:
        winframe::OpenUrl(controls::kSupportPageUrl);
        return TRUE;
    case IDC_BTN_BACK:
        OnBack();
        return TRUE;
    case IDC_BTN_REFRESH:
        OnRefresh();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CMainDlg::OnNotify(const NMHDR* header, LRESULT& result) {
    if (!header) return FALSE;
    if (header->idFrom == IDC_TREE && header->code == TVN_SELCHANGEDW) {
        const auto* change = reinterpret_cast<const NMTREEVIEWW*>(header);
        HTREEITEM item = change->itemNew.hItem;
        if (item == m_hRootItem) return FALSE;  // passed on
        ShowCategory(item);
        result = 0;
        return TRUE;
    }
    if (header->idFrom == IDC_LIST && header->code == NM_CLICK) {
        OnListClick();
        return FALSE;  // the list sees its click as well
    }
    return FALSE;
}

BOOL CMainDlg::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HandleDoubleBuffer(msg, result)) return TRUE;
    // The end and progress messages of workers: none starts anything once closing began.
    const bool open = !m_bClosing;
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return TRUE;
    case WM_DEVICECHANGE:
        result = 1;
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const HWND control = reinterpret_cast<HWND>(lp);
        if (control != m_failureCause.m_hWnd && control != m_failureDetail.m_hWnd) break;
        result = reinterpret_cast<LRESULT>(OnCtlColorStatic(reinterpret_cast<HDC>(wp), control));
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        BeginCaptionDrag(lp);
        result = 0;
        return TRUE;
    case WM_CLOSE:
        if (open) CloseApp(0);
        result = 0;
        return TRUE;
    case WM_TIMER:
        if (open) OnTimer(static_cast<UINT_PTR>(wp));
        result = 0;
        return TRUE;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp))) {
            result = 0;
            return TRUE;
        }
        break;
    case WM_NOTIFY:
        if (OnNotify(reinterpret_cast<const NMHDR*>(lp), result)) return TRUE;
        break;
    case WM_LISTITEM_CHECKED:
        OnListItemChecked(static_cast<int>(wp), lp != 0);
        result = 0;
        return TRUE;
    case WM_TREEITEM_CHECKED:
        OnTreeItemChecked(reinterpret_cast<HTREEITEM>(wp), lp != 0);
        result = 0;
        return TRUE;
    case WM_PULL_PROGRESS:
        if (open) OnPullProgress();
        result = 0;
        return TRUE;
    case WM_PULL_DONE:
        if (wp == 1 && open) OnPullDone();
        result = 0;
        return TRUE;
    case WM_SCAN_DONE:
        if (open) OnScanDone();
        result = 0;
        return TRUE;
    case WM_LOAD_COUNTED:
        if (open) OnLoadCounted();
        result = 0;
        return TRUE;
    case WM_CATEGORY_LOADED:
        if (open) OnCategoryLoaded(wp == 0 ? Category::kContacts : Category::kMessages, static_cast<int>(lp));
        result = 0;
        return TRUE;
    case WM_LOAD_DONE:
        if (open) OnLoadDone();
        result = 0;
        return TRUE;
    case WM_EXPORT_DONE:
        if (open) OnExportDone();
        result = 0;
        return TRUE;
    case WM_NEW_VERSION:
        if (wp == 1 && open) OnNewVersion();
        result = 0;
        return TRUE;
    default:
        break;
    }
    return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
}
