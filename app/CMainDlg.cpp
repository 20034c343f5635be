#include "CMainDlg.h"

#include <string>

#include "CAboutBox.h"
#include "FallbackSkin.h"
#include "HyperLink.h"
#include "ProductInfo.h"
#include "SkinFolder.h"
#include "paddockc.h"

namespace {
// The program's folder, with a trailing backslash.
std::wstring ProgramFolder() {
    std::wstring images = controls::DefaultImageFolder();  // "<folder>\image\"
    return images.substr(0, images.size() - 6);
}
}  // namespace

CMainDlg::CMainDlg() = default;

CMainDlg::~CMainDlg() = default;

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

    m_btnClose.SetupButton(GetDlgItem(IDC_BTN_CLOSE), controls::ImagePath(L"close.png"), -8, 5, 4);
    m_btnMin.SetupButton(GetDlgItem(IDC_BTN_MIN), controls::ImagePath(L"min.png"), -29, 5, 4);
    m_btnMenu.SetupButton(GetDlgItem(IDC_BTN_MENU), controls::ImagePath(L"menu.png"), -50, 5, 3);
    m_btnHome.SetupButton(GetDlgItem(IDC_BTN_HOME), controls::ImagePath(L"btn_home.png"), -120, 5, 4);
    m_btnHelp.SetupButton(GetDlgItem(IDC_BTN_HELP), controls::ImagePath(L"btn_help.png"), -90, 5, 4);

    if (m_link.SubclassLink(GetDlgItem(IDC_LINK))) {  // stays hidden until a pull fails
        m_link.SetLinkFont(get_font(L"Arial", 16, 400));
        m_link.SetLabel(L"Have Problems?");
        m_link.SetHyperLink(controls::kOnlineHelpUrl);
        m_link.PlaceAtLabelSize(470, 630);
    }
}

void CMainDlg::OnPaint() {
    winframe::COffscreenPaint paint(m_hWnd);
    HDC dc = paint.Dc();
    if (m_imgMainBg1.IsEmpty() && m_imgMainBg2.IsEmpty())
        controls::PaintFallbackSkin(dc, paint.Client());  // a window, even without its skin
    if (m_nPage == 1) {
        // Without its own background the connect page borrows the results page's.
        (m_imgMainBg1.IsEmpty() ? m_imgMainBg2 : m_imgMainBg1).Draw(dc, 0, 0);
        (m_imgStep1.IsEmpty() ? m_imgStep2 : m_imgStep1).Draw(dc, 1, 74);
    } else {
        m_imgMainBg2.Draw(dc, 0, 0);
    }
    paint.Flush();
    for (CImgButton* b : {&m_btnClose, &m_btnMin, &m_btnMenu, &m_btnHome, &m_btnHelp}) {
        if (!b->m_hWnd || !b->IsVisible()) continue;
        b->GrabBackground(dc);
        b->Invalidate(FALSE);
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
    std::wstring path = ProgramFolder() + L"Updrava.exe";
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    ::ShellExecuteW(m_hWnd, L"open", path.c_str(), nullptr, ProgramFolder().c_str(), SW_SHOWNORMAL);
}

void CMainDlg::CloseApp(int code) { EndDialog(code); }

BOOL CMainDlg::OnCommand(WORD id, HWND /*control*/) {
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
    case IDC_BTN_MENU:
        ShowMainMenu();
        return TRUE;
    case IDC_BTN_HOME:
        winframe::OpenUrl(controls::kProductPageUrl);
        return TRUE;
    case IDC_BTN_HELP:
        winframe::OpenUrl(controls::kSupportPageUrl);
        return TRUE;
    default:
        return FALSE;
    }
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
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp), reinterpret_cast<HWND>(lp))) {
            result = 0;
            return TRUE;
        }
        break;
    default:
        break;
    }
    return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
}
