#include "CMainDlg.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <ctime>
#include <vector>

#include "AdbPull.h"
#include "CAboutBox.h"
#include "CMsgBox.h"
#include "ControlMessages.h"
#include "FallbackSkin.h"
#include "HyperLink.h"
#include "ListText.h"
#include "ProductInfo.h"
#include "RecordExporter.h"
#include "SkinFolder.h"
#include "SqliteParse.h"
#include "TkFontPool.h"
#include "UpdateCheck.h"
#include "paddockc.h"

#ifndef WM_LOAD_DONE
#define WM_LOAD_DONE (WM_USER + 109)
#endif
#ifndef WM_EXPORT_DONE
#define WM_EXPORT_DONE (WM_USER + 110)
#endif

namespace {

// Where the loading and failure pictures are drawn on the connect page.
const RECT kStatusPictureRect{120, 230, 905, 561};

const wchar_t kContactsLabel[] = L"Contacts";
const wchar_t kMessageLabel[] = L"Message";

// The program's folder, with a trailing backslash.
std::wstring ProgramFolderW() {
    std::wstring images = controls::DefaultImageFolder();  // "<folder>\image\"
    return images.substr(0, images.size() - 6);
}

bool FileExists(const char* path) { return *path && ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Deletes a database copy, the side files a pull may have left beside it, and the shared
// memory index SQLite makes beside a copy in write-ahead-log mode.
void DeleteCopy(const char* path) {
    if (!*path) return;
    std::string base = path;
    for (const char* suffix : {"", "-wal", "-journal", "-shm"}) ::DeleteFileA((base + suffix).c_str());
}

std::wstring CategoryLabel(const wchar_t* name, int count) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%ls (%d)", name, count);
    return text;
}

// The current local time as "%Y%m%d%H%M%S".
std::wstring TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    wchar_t text[32] = {};
    std::wcsftime(text, 32, L"%Y%m%d%H%M%S", &local);
    return text;
}

}  // namespace

CMainDlg::CMainDlg() = default;

CMainDlg::~CMainDlg() {
    // A worker that still runs keeps its session; it only learns that it should end.
    if (m_session) m_session->RequestStop();
}

const ContactDataRow* CMainDlg::ContactDataRows() const { return m_session ? m_session->m_pDataRows : nullptr; }
const MimetypeEntry* CMainDlg::Mimetypes() const { return m_session ? m_session->m_pMimetypes : nullptr; }
const MessageRecord* CMainDlg::Messages() const { return m_session ? m_session->m_pMessages : nullptr; }

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

    // The copies go to two folders at the root of the drive that holds the program.
    std::string root = ProgramFolder().substr(0, 3);
    std::string contactsFolder = root + "Quillfen";
    std::string smsFolder = root + "quillfen-retrievo";
    std::snprintf(m_szContactsDb, MAX_PATH, "%s\\contacts2.db", contactsFolder.c_str());
    std::snprintf(m_szSmsDb, MAX_PATH, "%s\\mmssms.db", smsFolder.c_str());
    ::CreateDirectoryA(contactsFolder.c_str(), nullptr);
    // A bridge client that does not make the destination's folder itself still finds it.
    ::CreateDirectoryA(smsFolder.c_str(), nullptr);
    DeleteDatabaseCopies();

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
    m_hContactsItem = m_tree.AddCategory(m_hRootItem, 0, kContactsLabel, &m_imgContacts);
    m_hMessageItem = m_tree.AddCategory(m_hRootItem, 1, kMessageLabel, &m_imgMessage);
    m_tree.Expand(m_hRootItem);
}

// ---------------------------------------------------------------------------------------
// Painting

void CMainDlg::OnPaint() {
    winframe::COffscreenPaint paint(m_hWnd);
    HDC dc = paint.Dc();
    if (m_imgMainBg1.IsEmpty() && m_imgMainBg2.IsEmpty())
        controls::PaintFallbackSkin(dc, paint.Client());  // a window, even without its skin
    if (m_nPage == 1)
        PaintConnectPage(dc);
    else
        m_imgMainBg2.Draw(dc, 0, 0);
    paint.Flush();

    // Each button keeps the background under itself for its transparent drawing.
    CImgButton* always[] = {&m_btnClose, &m_btnMin, &m_btnMenu, &m_btnHome, &m_btnHelp, &m_btnRefresh};
    CImgButton* results[] = {&m_btnBack, &m_btnRecover, &m_btnPause, &m_btnContinue, &m_btnStop};
    for (CImgButton* b : always) {
        if (!b->m_hWnd || !b->IsVisible()) continue;
        b->GrabBackground(dc);
        b->Invalidate(FALSE);
    }
    for (CImgButton* b : results) {
        if (!b->m_hWnd) continue;
        b->GrabBackground(dc);
        if (m_nPage == 2 && b->IsVisible()) b->Invalidate(FALSE);
    }
}

void CMainDlg::PaintConnectPage(HDC dc) {
    // Without its own background the connect page borrows the results page's.
    (m_imgMainBg1.IsEmpty() ? m_imgMainBg2 : m_imgMainBg1).Draw(dc, 0, 0);
    if (m_imgStep1.IsEmpty()) {
        m_imgStep2.Draw(dc, 1, 74);
        return;
    }
    m_imgStep1.Draw(dc, 1, 74);

    const RECT& r = kStatusPictureRect;
    if (m_nLoadState == -1) {
        m_imgLoadData.DrawScaled(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
        if (!m_bAnimTimer) {
            m_bAnimTimer = true;
            SetTimer(m_hWnd, ID_TIMER_ANIMATION, 80, nullptr);
        }
    } else if (m_nLoadState == 0) {
        m_imgLoadFail.DrawScaled(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
        HGDIOBJ oldFont = ::SelectObject(dc, TkFontPool::GetStyledFont(0x200));
        ::SetTextColor(dc, RGB(189, 58, 6));
        const wchar_t* title = L"Cannot load data from Android Phone, please : ";
        ::TextOutW(dc, 100, 570, title, static_cast<int>(std::wcslen(title)));
        ::SelectObject(dc, TkFontPool::GetStyledFont(0x100));
        ::SetTextColor(dc, RGB(10, 0, 0));
        const wchar_t* hints[] = {
            L"1. Be sure you've installed the drive of your device",
            L"2. Make sure device enables USB Debugging(Setting >> Applications >> Development >> USB debugging).",
            L"3. Make sure you've got ROOT access on your Android phone."};
        for (int i = 0; i < 3; ++i)
            ::TextOutW(dc, 120, 590 + 20 * i, hints[i], static_cast<int>(std::wcslen(hints[i])));
        ::SelectObject(dc, oldFont);
    }
}

void CMainDlg::OnTimer(UINT_PTR id) {
    if (id == ID_TIMER_ANIMATION) {
        if (m_bAnimTimer) OnAnimationTimer();
    } else if (id == ID_TIMER_UPDATE) {
        KillTimer(m_hWnd, ID_TIMER_UPDATE);  // one check per start
        if (HANDLE thread = StartUpdateThread(m_hWnd, m_strVersion)) ::CloseHandle(thread);
    }
}

// Steps the loading picture one frame on, each frame shown for its own delay.
void CMainDlg::OnAnimationTimer() {
    KillTimer(m_hWnd, ID_TIMER_ANIMATION);
    m_bAnimTimer = false;
    Gdiplus::Image* gif = m_imgLoadData.Get();
    if (!gif) return;
    GUID time = Gdiplus::FrameDimensionTime;
    UINT frames = gif->GetFrameCount(&time);
    if (frames <= 1) return;  // a still picture is drawn once

    std::vector<UINT> delays(frames, 10);
    UINT size = gif->GetPropertyItemSize(PropertyTagFrameDelay);
    if (size >= sizeof(Gdiplus::PropertyItem)) {
        std::vector<BYTE> buffer(size);
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
        if (gif->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok && item->value) {
            UINT count = std::min<UINT>(frames, item->length / sizeof(UINT));
            const UINT* values = static_cast<const UINT*>(item->value);
            for (UINT i = 0; i < count; ++i) delays[i] = values[i];
        }
    }
    if (m_nAnimFrame < 0 || static_cast<UINT>(m_nAnimFrame) >= frames) m_nAnimFrame = 0;
    gif->SelectActiveFrame(&time, static_cast<UINT>(m_nAnimFrame));
    m_nAnimFrame = (m_nAnimFrame + 1) % static_cast<int>(frames);
    InvalidateRect(&kStatusPictureRect, FALSE);
    m_bAnimTimer = true;
    SetTimer(m_hWnd, ID_TIMER_ANIMATION, std::max<UINT>(10, delays[static_cast<size_t>(m_nAnimFrame)] * 10), nullptr);
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
    std::wstring folder = ProgramFolderW();
    std::wstring path = folder + L"Updrava.exe";
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    ::ShellExecuteW(m_hWnd, L"open", path.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}

void CMainDlg::OnNewVersion() {
    if (ShowBox(MSGICON_INFO, MSGBTN_YES | MSGBTN_NO, L"New version found,are you sure to Update?") ==
            IDC_MSGBOX_YES &&
        !m_bClosing)
        StartUpdater();
}

int CMainDlg::ShowBox(int icon, WORD buttons, const std::wstring& text) {
    CMsgBox box;
    return ShowMsgBox(icon, buttons, text.c_str(), box, m_hWnd);
}

// ---------------------------------------------------------------------------------------
// The road of one scan

void CMainDlg::StartPull() {
    HANDLE thread = StartPullThread(m_hWnd, m_szContactsDb, m_szSmsDb);
    m_hWorker = thread != nullptr;
    if (thread) ::CloseHandle(thread);
}

void CMainDlg::OnPullDone() {
    m_hWorker = false;
    if (m_bAnimTimer) KillTimer(m_hWnd, ID_TIMER_ANIMATION);
    m_bAnimTimer = false;
    m_nAnimFrame = 0;

    // Only the databases themselves count: a side file alone is nothing to scan.
    if (!FileExists(m_szContactsDb) && !FileExists(m_szSmsDb)) {
        m_nLoadState = 0;
        m_btnRefresh.ShowWindow(SW_SHOW);
        m_link.ShowWindow(SW_SHOW);
        Invalidate(FALSE);
        KillAdbProcesses();
        return;
    }

    m_session = std::make_shared<ScanSession>(m_library, m_szContactsDb, m_szSmsDb);
    {
        SqliteParse contacts(m_szContactsDb, m_szSmsDb);
        contacts.startParse(static_cast<ePaserType>(0));
        m_session->m_strDeletedContacts = contacts.get_contacts_mem();
    }
    {
        SqliteParse sms(m_szContactsDb, m_szSmsDb);
        sms.startParse(static_cast<ePaserType>(1));
        m_session->m_strDeletedSms = sms.get_contacts_mem();
    }

    m_nLoadState = 1;
    m_nPage = 2;
    m_tree.ShowWindow(SW_SHOW);
    m_progress.SendMessage(PBM_SETPOS, 0, 0);
    m_progress.ShowWindow(SW_SHOW);
    m_animate.ShowWindow(SW_SHOW);
    m_animate.StartAnim();
    Invalidate(FALSE);

    m_session->m_hwndMain = m_hWnd;
    m_session->m_hwndProgress = m_progress.m_hWnd;
    m_session->m_bStop = false;
    m_session->ResetProgress();
    ::SetEvent(m_session->m_hPauseEvent.Get());
    auto* param = new std::shared_ptr<ScanSession>(m_session);
    m_hWorker = StartWorker(LoadThreadProc, param);
    if (!m_hWorker) {
        delete param;
        OnLoadDone();
    }
}

void CMainDlg::OnLoadCounted() {
    if (!m_hWorker || m_nPage != 2) return;
    m_btnPause.ShowWindow(SW_SHOW);
    m_btnStop.ShowWindow(SW_SHOW);
}

void CMainDlg::OnCategoryLoaded(int kind, int count) {
    HTREEITEM item = kind == 0 ? m_hContactsItem : m_hMessageItem;
    std::wstring label = CategoryLabel(kind == 0 ? kContactsLabel : kMessageLabel, count);
    m_tree.SetCategoryCount(item, label.c_str(), 1);
}

void CMainDlg::OnLoadDone() {
    m_animate.StopAnim();
    m_animate.ShowWindow(SW_HIDE);
    m_btnPause.ShowWindow(SW_HIDE);
    m_btnContinue.ShowWindow(SW_HIDE);
    m_btnStop.ShowWindow(SW_HIDE);
    m_progress.ShowWindow(SW_HIDE);
    m_btnBack.ShowWindow(SW_SHOW);
    m_btnRecover.ShowWindow(SW_SHOW);
    m_hWorker = false;
    if (m_session) m_session->BuildIndex();

    for (HTREEITEM item : {m_hRootItem, m_hContactsItem, m_hMessageItem}) m_tree.SetStateImage(item, 2);
    if (m_tree.GetSelectedItem() == m_hContactsItem)
        ShowCategory(m_hContactsItem);  // already selected: the selection change will not come
    else
        m_tree.SelectItem(m_hContactsItem);
    Invalidate(FALSE);
}

void CMainDlg::OnPause() {
    if (!m_hWorker || !m_session) return;
    ::ResetEvent(m_session->m_hPauseEvent.Get());
    m_animate.StopAnim();
    m_btnPause.ShowWindow(SW_HIDE);
    m_btnContinue.ShowWindow(SW_SHOW);
}

void CMainDlg::OnContinue() {
    if (!m_hWorker || !m_session) return;
    ::SetEvent(m_session->m_hPauseEvent.Get());
    m_animate.StartAnim();
    m_btnContinue.ShowWindow(SW_HIDE);
    m_btnPause.ShowWindow(SW_SHOW);
}

void CMainDlg::OnStop() {
    // A paused worker resumes, ends at its next look at the flag and still reports its end.
    if (m_session) m_session->RequestStop();
}

void CMainDlg::OnBack() {
    if (ShowBox(MSGICON_WARNING, MSGBTN_YES | MSGBTN_NO,
                L"Are you sure to go back to reload the data from Android phone?") != IDC_MSGBOX_YES ||
        m_bClosing)
        return;
    ClearResults();
    m_tree.SetCategoryCount(m_hContactsItem, kContactsLabel, 0);
    m_tree.SetCategoryCount(m_hMessageItem, kMessageLabel, 0);
    for (HTREEITEM item : {m_hRootItem, m_hContactsItem, m_hMessageItem}) m_tree.SetStateImage(item, 1);
    m_tree.SelectItem(m_hRootItem);
    m_hShownItem = nullptr;
    if (m_list && m_list->m_hWnd) m_list->ShowWindow(SW_HIDE);
    m_tree.ShowWindow(SW_HIDE);
    m_btnRecover.ShowWindow(SW_HIDE);
    m_btnBack.ShowWindow(SW_HIDE);
    m_progress.SendMessage(PBM_SETPOS, 0, 0);
    m_nPage = 1;
    m_nLoadState = -1;
    m_bAnimTimer = false;
    Invalidate(FALSE);
    UpdateWindow();
    DeleteDatabaseCopies();
    StartPull();
}

void CMainDlg::OnRefresh() {
    m_btnRefresh.ShowWindow(SW_HIDE);
    m_link.ShowWindow(SW_HIDE);
    m_bAnimTimer = false;
    m_nLoadState = -1;
    Invalidate(FALSE);
    StartPull();
}

void CMainDlg::ClearResults() {
    if (m_list && m_list->m_hWnd) {
        m_list->DeleteAllItems();
        while (m_list->DeleteColumn(0)) {
        }
    }
    if (m_contactBoard) {
        if (m_contactBoard->m_hWnd) m_contactBoard->DestroyWindow();
        m_contactBoard.reset();
    }
    if (m_msgBoard) {
        m_msgBoard->ClearBubbles();
        if (m_msgBoard->m_hWnd) m_msgBoard->DestroyWindow();
        m_msgBoard.reset();
    }
    // The records go with the session; a worker still holding it keeps them until it ends.
    if (m_session) {
        m_session->RequestStop();
        m_session.reset();
    }
}

void CMainDlg::DeleteDatabaseCopies() {
    DeleteCopy(m_szContactsDb);
    DeleteCopy(m_szSmsDb);
}

void CMainDlg::CloseApp(int code) {
    m_bClosing = true;
    ClearResults();
    if (m_list) {
        if (m_list->m_hWnd) ::DestroyWindow(m_list->m_hWnd);
        m_list.reset();
    }
    DeleteDatabaseCopies();
    if (m_bAnimTimer) KillTimer(m_hWnd, ID_TIMER_ANIMATION);
    m_bAnimTimer = false;
    KillAdbProcesses();
    EndDialog(code);
}

// ---------------------------------------------------------------------------------------
// Results page

int CMainDlg::CategoryCount(HTREEITEM item) const {
    const CategoryData* data = item ? m_tree.GetCategory(item) : nullptr;
    return data ? data->nCount : 0;
}

bool CMainDlg::NodeChecked(HTREEITEM item) const { return item && m_tree.GetStateImage(item) == 2; }

void CMainDlg::ShowCategory(HTREEITEM item) {
    if (!item || item == m_hRootItem || !m_session || !m_list || !m_list->m_hWnd) return;
    if (CategoryCount(item) == 0) return;
    m_hShownItem = item;
    m_list->m_header.SetCheckAll(NodeChecked(item));
    m_list->DeleteAllItems();
    while (m_list->DeleteColumn(0)) {
    }
    // Thousands of rows go in without a repaint for each.
    m_list->SendMessage(WM_SETREDRAW, FALSE, 0);
    if (item == m_hContactsItem)
        FillContactRows();
    else
        FillMessageRows();
    m_list->SendMessage(WM_SETREDRAW, TRUE, 0);
    m_list->Invalidate(TRUE);
}

void CMainDlg::FillContactRows() {
    ScanSession& s = *m_session;
    if (m_msgBoard && m_msgBoard->m_hWnd) m_msgBoard->ShowWindow(SW_HIDE);
    m_list->ShowWindow(SW_HIDE);
    m_list->SetWindowPos(nullptr, 225, 32, 507, 576, SWP_NOZORDER | SWP_NOACTIVATE);
    m_list->InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
    m_list->InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
    m_list->InsertColumn(2, L"Company", LVCFMT_CENTER, 180);
    m_list->InsertColumn(3, L"Email", LVCFMT_CENTER, 150);
    m_list->m_nListKind = CListViewCheck1::kContacts;

    auto add = [this](const ContactRecord* record, const ContactListRow& texts) {
        int row = m_list->AddRow(texts.name.c_str(), texts.phone.c_str(), texts.company.c_str(), texts.email.c_str());
        if (row < 0) return;
        m_list->SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
        m_list->SetStateImage(row, record->checked ? 2 : 1);
    };
    if (!s.m_strDeletedContacts.empty()) {
        ContactListRow row;
        for (const auto& deleted : s.m_vecDeletedContacts)
            if (DeletedContactListColumns(*deleted, row)) add(&deleted->record, row);
    }
    for (const ContactRecord* c = s.m_pContacts; c; c = c->next) add(c, ContactListColumns(s.m_index, *c));

    if (!m_contactBoard) {
        m_contactBoard = std::make_unique<CContactInfoBoard>();
        m_contactBoard->CreateBoard(m_hWnd, this);
    }
    m_list->ShowWindow(SW_SHOW);
    if (m_contactBoard->m_hWnd) {
        m_contactBoard->ShowWindow(SW_SHOW);
        LPARAM first = m_list->GetItemCount() > 0 ? static_cast<LPARAM>(m_list->GetItemData(0)) : 0;
        m_contactBoard->SendMessage(WM_SHOW_CONTACT, 0, first);
    }
}

void CMainDlg::FillMessageRows() {
    ScanSession& s = *m_session;
    if (m_contactBoard && m_contactBoard->m_hWnd) m_contactBoard->ShowWindow(SW_HIDE);
    m_list->ShowWindow(SW_HIDE);
    m_list->SetWindowPos(nullptr, 225, 32, 497, 576, SWP_NOZORDER | SWP_NOACTIVATE);
    m_list->InsertColumn(0, L"Name", LVCFMT_CENTER, 220);
    m_list->InsertColumn(1, L"Phone", LVCFMT_CENTER, 276);

    auto add = [this](const ConversationRecord* record, const std::wstring& name, const std::wstring& phone) {
        int row = m_list->AddRow(name.c_str(), phone.c_str());
        if (row < 0) return;
        m_list->SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
        m_list->SetStateImage(row, record->checked ? 2 : 1);
    };
    if (!s.m_strDeletedSms.empty()) {
        std::wstring name, phone;
        for (const auto& deleted : s.m_vecDeletedSms)
            if (DeletedSmsListColumns(*deleted, name, phone)) add(&deleted->record, name, phone);
    }
    for (const ConversationRecord* c = s.m_pConversations; c; c = c->next)
        add(c, ConversationListName(s.m_index, *c), ConversationListPhone(s.m_index, *c));

    if (!m_msgBoard) {
        m_msgBoard = std::make_unique<CMsgInfoBoard>();
        m_msgBoard->CreateBoard(m_hWnd, this);
    }
    LPARAM first = 0;
    if (m_list->GetItemCount() > 0) {
        m_list->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list->SendMessage(LVM_ENSUREVISIBLE, 0, FALSE);
        first = static_cast<LPARAM>(m_list->GetItemData(0));
    }
    if (m_msgBoard->m_hWnd) m_msgBoard->SendMessage(WM_SHOW_MESSAGE, 0, first);
    m_list->m_nListKind = CListViewCheck1::kConversations;
    m_list->ShowWindow(SW_SHOW);
    if (m_msgBoard->m_hWnd) m_msgBoard->ShowWindow(SW_SHOW);
}

void CMainDlg::OnListItemChecked(int row, bool checked) {
    if (!m_session || !m_list || row < 0 || row >= m_list->GetItemCount()) return;
    DWORD_PTR data = m_list->GetItemData(row);
    if (m_hShownItem == m_hContactsItem) {
        if (auto* record = reinterpret_cast<ContactRecord*>(data)) record->checked = checked ? 1 : 0;
        m_tree.SetStateImage(m_hContactsItem, m_list->m_header.IsCheckAllChecked() ? 2 : 1);
    } else if (m_hShownItem == m_hMessageItem) {
        if (auto* record = reinterpret_cast<ConversationRecord*>(data)) record->checked = checked ? 1 : 0;
        m_tree.SetStateImage(m_hMessageItem, m_list->m_header.IsCheckAllChecked() ? 2 : 1);
    }
    UpdateRootCheck();
}

void CMainDlg::UpdateRootCheck() {
    bool all = NodeChecked(m_hContactsItem) && NodeChecked(m_hMessageItem);
    m_tree.SetStateImage(m_hRootItem, all ? 2 : 1);
    m_tree.Invalidate(FALSE);
}

void CMainDlg::OnTreeItemChecked(HTREEITEM item, bool checked) {
    if (!m_session) return;
    if (item == m_hShownItem && m_list && m_list->m_hWnd) {
        m_list->m_header.SetCheckAll(checked);
        for (int row = 0, rows = m_list->GetItemCount(); row < rows; ++row) m_list->SetStateImage(row, checked ? 2 : 1);
        m_list->Invalidate(FALSE);
    }
    ScanSession& s = *m_session;
    if (item == m_hContactsItem) {
        for (ContactAux* a = s.m_pContactAux; a; a = a->next) a->checked = checked ? 1 : 0;
        for (ContactRecord* c = s.m_pContacts; c; c = c->next) c->checked = checked ? 1 : 0;
        for (auto& d : s.m_vecDeletedContacts) d->record.checked = checked ? 1 : 0;
    } else if (item == m_hMessageItem) {
        for (ConversationRecord* c = s.m_pConversations; c; c = c->next) c->checked = checked ? 1 : 0;
        for (auto& d : s.m_vecDeletedSms) d->record.checked = checked ? 1 : 0;
    }
}

void CMainDlg::OnListClick() {
    if (!m_list || !m_list->m_hWnd) return;
    int row = static_cast<int>(m_list->SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return;
    LPARAM record = static_cast<LPARAM>(m_list->GetItemData(row));
    if (m_hShownItem == m_hContactsItem && m_contactBoard && m_contactBoard->m_hWnd)
        m_contactBoard->SendMessage(WM_SHOW_CONTACT, 0, record);
    else if (m_hShownItem == m_hMessageItem && m_msgBoard && m_msgBoard->m_hWnd)
        m_msgBoard->SendMessage(WM_SHOW_MESSAGE, 0, record);
}

// ---------------------------------------------------------------------------------------
// Export

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
    if (!m_session) return 0;
    ExportModel model = m_session->ExportView();
    NoExportControl none;
    RecordExporter counter(model, none, std::wstring());
    int count = 0;
    if (CategoryCount(m_hContactsItem) != 0) count += counter.CountCheckedContacts();
    if (CategoryCount(m_hMessageItem) != 0) count += counter.CountCheckedMessages();
    return count;
}

void CMainDlg::OnRecover() {
    if (m_hWorker || !m_session || m_bChoosingFolder) return;
    int checked = CountChecked();
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
    if (m_bClosing || !m_session) return;

    m_session->m_bStop = false;
    m_strSaveDir = havePath ? picked : L"";
    if (m_strSaveDir.empty()) {
        ShowBox(MSGICON_WARNING, MSGBTN_OK, L"Please select the directory to save the files recovered.");
        return;
    }
    if (m_strSaveDir.back() != L'\\') m_strSaveDir += L'\\';
    m_strSaveDir += L"Retrievo" + TimeStamp();
    ::CreateDirectoryW(m_strSaveDir.c_str(), nullptr);

    ScanSession& s = *m_session;
    s.m_nExportTotal = checked;
    s.m_nDone = 0;
    s.ResetProgress();
    m_progress.SendMessage(PBM_SETPOS, 0, 0);
    m_progress.ShowWindow(SW_SHOW);
    m_btnRecover.ShowWindow(SW_HIDE);
    m_btnBack.ShowWindow(SW_HIDE);
    m_btnPause.ShowWindow(SW_SHOW);
    m_btnStop.ShowWindow(SW_SHOW);
    m_animate.ShowWindow(SW_SHOW);
    m_animate.StartAnim();
    ::SetEvent(s.m_hPauseEvent.Get());

    auto job = std::make_unique<ExportJob>();
    job->session = m_session;
    job->saveDir = m_strSaveDir;
    job->contactsLabel = m_tree.GetItemText(m_hContactsItem);
    job->messageLabel = m_tree.GetItemText(m_hMessageItem);
    job->contactsNodeChecked = NodeChecked(m_hContactsItem);
    job->messageNodeChecked = NodeChecked(m_hMessageItem);
    job->exportContacts = CategoryCount(m_hContactsItem) != 0;
    job->exportMessages = CategoryCount(m_hMessageItem) != 0;
    ExportJob* param = job.release();
    m_hWorker = StartWorker(ExportThreadProc, param);
    if (!m_hWorker) {
        delete param;
        ::PostMessageW(m_hWnd, WM_EXPORT_DONE, 0, 0);
    }
}

void CMainDlg::OnExportDone() {
    m_progress.SendMessage(PBM_SETPOS, 100, 0);
    m_progress.ShowWindow(SW_HIDE);
    m_btnPause.ShowWindow(SW_HIDE);
    m_btnContinue.ShowWindow(SW_HIDE);
    m_animate.StopAnim();
    m_animate.ShowWindow(SW_HIDE);
    m_btnStop.ShowWindow(SW_HIDE);
    m_btnRecover.ShowWindow(SW_SHOW);
    m_btnBack.ShowWindow(SW_SHOW);
    m_hWorker = false;
    if (!m_session) return;

    wchar_t text[MAX_PATH + 256];
    int written = m_session->m_nWritten;
    if (m_session->m_bWriteFailed) {
        // Never report success when something is missing from the folder.
        std::swprintf(text, sizeof(text) / sizeof(text[0]),
                      L"Some files could not be written to \"%ls\". %d records have been recovered.",
                      m_strSaveDir.c_str(), written);
        ShowBox(MSGICON_WARNING, MSGBTN_OK, text);
    } else {
        std::swprintf(text, sizeof(text) / sizeof(text[0]), L"Recovering finished, %d files have been recovered.",
                      written);
        ShowBox(MSGICON_SUCCESS, MSGBTN_OK, text);
    }
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
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return TRUE;
    case WM_PAINT:
        OnPaint();
        result = 0;
        return TRUE;
    case WM_ERASEBKGND:
    case WM_DEVICECHANGE:
        result = 1;
        return TRUE;
    case WM_LBUTTONDOWN:
        BeginCaptionDrag(lp);
        result = 0;
        return TRUE;
    case WM_CLOSE:
        CloseApp(0);
        result = 0;
        return TRUE;
    case WM_TIMER:
        if (!m_bClosing) OnTimer(static_cast<UINT_PTR>(wp));
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
    case WM_PULL_DONE:
        if (wp == 1 && !m_bClosing) OnPullDone();
        result = 0;
        return TRUE;
    case WM_LOAD_COUNTED:
        OnLoadCounted();
        result = 0;
        return TRUE;
    case WM_CATEGORY_LOADED:
        OnCategoryLoaded(static_cast<int>(wp), static_cast<int>(lp));
        result = 0;
        return TRUE;
    case WM_LOAD_DONE:
        if (!m_bClosing) OnLoadDone();
        result = 0;
        return TRUE;
    case WM_EXPORT_DONE:
        if (!m_bClosing) OnExportDone();
        result = 0;
        return TRUE;
    case WM_NEW_VERSION:
        if (wp == 1 && !m_bClosing) OnNewVersion();
        result = 0;
        return TRUE;
    default:
        break;
    }
    return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
}
