#include "CImgButton.h"

namespace {
// The system hand cursor, loaded once.
HCURSOR HandCursor() {
    static HCURSOR hand = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
    return hand;
}
}  // namespace

CImgButton::CImgButton() = default;

CImgButton::~CImgButton() = default;

BOOL CImgButton::SetupButton(HWND button, const std::wstring& picturePath, int x, int y,
                             int frameCount) {
    if (!::IsWindow(button)) return FALSE;
    if (frameCount < 1) return FALSE;
    if (m_hWnd != button && !SubclassWindow(button)) return FALSE;
    SetButtonStyle(BS_OWNERDRAW, FALSE);

    m_imgStrip.Load(picturePath);
    m_nFrameCount = frameCount;
    m_nFrameWidth = m_imgStrip.Width() / frameCount;
    m_nFrameHeight = m_imgStrip.Height();

    HWND parent = GetParent();
    RECT pc{};
    ::GetClientRect(parent, &pc);
    if (x < 0) x = pc.right - m_nFrameWidth + x;
    if (y < 0) y = pc.bottom - m_nFrameHeight + y;

    winframe::CClientDC parentDc(parent);
    m_bmpBack.Attach(::CreateCompatibleBitmap(parentDc, m_nFrameWidth > 0 ? m_nFrameWidth : 1,
                                              m_nFrameHeight > 0 ? m_nFrameHeight : 1));
    SetWindowPos(nullptr, x, y, m_nFrameWidth, m_nFrameHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return TRUE;
}

void CImgButton::GrabBackground(HDC ownerDc, int x, int y) {
    if (!m_bmpBack.Get() || m_nFrameWidth <= 0 || m_nFrameHeight <= 0) return;
    winframe::CCompatibleDC snap(ownerDc);
    winframe::CSelectGuard bitmap(snap, m_bmpBack);
    ::BitBlt(snap, 0, 0, m_nFrameWidth, m_nFrameHeight, ownerDc, x, y, SRCCOPY);
}

void CImgButton::GrabBackground(HDC ownerDc) {
    if (!m_hWnd) return;
    RECT rc = GetRectInParent();
    GrabBackground(ownerDc, rc.left, rc.top);
}

int CImgButton::FrameIndex(UINT itemState) const {
    if (!m_bActive) return 3;
    if (itemState & ODS_SELECTED) return 2;
    if (m_bHover) return 1;
    return 0;
}

void CImgButton::DrawItem(DRAWITEMSTRUCT* dis) {
    if (m_nFrameWidth <= 0 || m_nFrameHeight <= 0) return;
    winframe::CMemoryDC mem(dis->hDC, m_nFrameWidth, m_nFrameHeight);
    {
        winframe::CCompatibleDC snap(dis->hDC);
        winframe::CSelectGuard bitmap(snap, m_bmpBack);
        ::BitBlt(mem, 0, 0, m_nFrameWidth, m_nFrameHeight, snap, 0, 0, SRCCOPY);
    }
    int index = FrameIndex(dis->itemState);
    // A strip without the requested frame (the inactive one of a 3-frame strip) shows the
    // background only.
    if (index < m_nFrameCount)
        m_imgStrip.DrawPart(mem, 0, 0, m_nFrameWidth, m_nFrameHeight, index * m_nFrameWidth, 0,
                            m_nFrameWidth, m_nFrameHeight);
    mem.CopyTo(dis->hDC, dis->rcItem.left, dis->rcItem.top);
}

void CImgButton::OnMouseMove(LPARAM lp) {
    if (::GetCapture() == m_hWnd) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ::ClientToScreen(m_hWnd, &pt);
        SetState(::WindowFromPoint(pt) == m_hWnd);
    } else if (!m_bHover) {
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        m_bHover = ::TrackMouseEvent(&tme);
        Invalidate(FALSE);
    }
}

void CImgButton::OnLButtonDown() {
    if (!m_bHover) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_CANCEL | TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    if (::TrackMouseEvent(&tme)) m_bHover = FALSE;
}

BOOL CImgButton::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return TRUE;
    case WM_SETCURSOR:
        if (!m_bActive) return FALSE;
        ::SetCursor(HandCursor());
        result = TRUE;
        return TRUE;
    case WM_MOUSEMOVE:
        if (m_bActive) OnMouseMove(lp);
        return FALSE;  // the button tracks its pushed state itself as well
    case WM_LBUTTONDOWN:
        if (m_bActive) OnLButtonDown();
        return FALSE;
    case WM_MOUSELEAVE:
        if (!m_bActive) return FALSE;
        m_bHover = FALSE;
        Invalidate(FALSE);
        result = 0;
        return TRUE;
    default:
        if (ProcessOwnerDraw(msg, wp, lp, result)) return TRUE;
        return winframe::DefaultReflectionHandler(hwnd, msg, wp, lp, result);
    }
}
