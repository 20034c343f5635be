#include "CAboutBox.h"

#include <string>

#include "FallbackSkin.h"
#include "ProductInfo.h"
#include "SkinFolder.h"
#include "TkFontPool.h"
#include "paddockc.h"

CAboutBox::CAboutBox(HWND owner) : m_hOwner(owner), m_brLink(::CreateSolidBrush(RGB(238, 244, 248))) {}

CAboutBox::~CAboutBox() = default;

int CAboutBox::Run() { return static_cast<int>(DoModal(m_hOwner)); }

std::wstring CAboutBox::LinkLabel() { return std::wstring(L"Homepage:") + controls::kHomePageUrl; }

void CAboutBox::OnInitDialog() {
    m_imgBack.Load(controls::ImagePath(L"aboutbk.png"));
    // Without its background picture the box keeps the size of its template.
    if (!m_imgBack.IsEmpty())
        SetWindowPos(nullptr, 0, 0, m_imgBack.Width(), m_imgBack.Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow(m_hOwner);

    m_btnClose.SetupButton(GetDlgItem(IDC_ABOUT_CLOSE), controls::ImagePath(L"close.png"), -8, 5, 4);
    m_btnOk.SetupButton(GetDlgItem(IDC_ABOUT_OK), controls::ImagePath(L"ok.png"), -20, -15, 4);

    if (m_link.SubclassLink(GetDlgItem(IDC_ABOUT_LINK))) {
        m_link.SetLinkFont(get_font(L"Arial", 16, 400));
        std::wstring label = LinkLabel();
        m_link.SetLabel(label.c_str());
        m_link.SetHyperLink(controls::kHomePageUrl);
        m_link.PlaceAtLabelSize(40, 270);
    }
}

void CAboutBox::DoPaint(winframe::COffscreenPaint& paint) {
    HDC dc = paint.Dc();
    if (m_imgBack.IsEmpty())
        controls::PaintFallbackSkin(dc, paint.Client());
    else
        m_imgBack.Draw(dc, 0, 0);
    ::SetBkMode(dc, TRANSPARENT);
    {
        winframe::CSelectGuard font(dc, TkFontPool::GetStyledFont(0));
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::TextOutW(dc, 38, 7, controls::kProductTitle, static_cast<int>(wcslen(controls::kProductTitle)));
    }
    {
        winframe::CSelectGuard font(dc, TkFontPool::GetStyledFont(0x200));
        ::SetTextColor(dc, RGB(0, 0, 90));
        std::wstring version = std::wstring(L"Version:") + controls::kVersionText;
        ::TextOutW(dc, 40, 135, version.c_str(), static_cast<int>(version.size()));
    }
    paint.Flush();
    for (CImgButton* b : {&m_btnClose, &m_btnOk}) {
        if (!b->m_hWnd || !b->IsVisible()) continue;
        b->GrabBackground(dc);
        b->Invalidate(FALSE);
    }
}

BOOL CAboutBox::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HandleDoubleBuffer(msg, result)) return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return TRUE;
    case WM_SIZE:
        SetRoundOutline(5);
        result = 0;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_ABOUT_CLOSE || LOWORD(wp) == IDC_ABOUT_OK) {
            EndDialog(LOWORD(wp));
            result = 0;
            return TRUE;
        }
        // Enter and Esc do nothing, except that Esc closes a box whose close button has
        // no picture (so that it can always be left).
        if (LOWORD(wp) == IDCANCEL && lp == 0 && m_btnClose.FrameWidth() == 0) {
            EndDialog(IDC_ABOUT_CLOSE);
            result = 0;
            return TRUE;
        }
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            result = 0;
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == m_link.m_hWnd) {
            result = reinterpret_cast<LRESULT>(m_brLink.Get());
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        BeginCaptionDrag(lp);
        result = 0;
        return TRUE;
    default:
        break;
    }
    return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
}
