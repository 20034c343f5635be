// CWindow: a borrowed window handle with the handful of calls the program uses. It never
// destroys the window it refers to.
#pragma once

#include <windows.h>

#include <string>

namespace winframe {

class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND hwnd) : m_hWnd(hwnd) {}

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageW(m_hWnd, msg, wp, lp);
    }

    RECT GetClientRect() const {
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        return rc;
    }
    RECT GetWindowRect() const {
        RECT rc{};
        ::GetWindowRect(m_hWnd, &rc);
        return rc;
    }
    // The window's rectangle in its parent's client coordinates.
    RECT GetRectInParent() const {
        RECT rc = GetWindowRect();
        ::MapWindowPoints(HWND_DESKTOP, GetParent(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) const {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    bool IsVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    BOOL EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL InvalidateRect(const RECT* rc, BOOL erase) const {
        return ::InvalidateRect(m_hWnd, rc, erase);
    }
    BOOL UpdateWindow() const { return ::UpdateWindow(m_hWnd); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    // Removes and adds style bits; answers whether the style changed.
    bool ModifyStyle(DWORD remove, DWORD add) const {
        DWORD old = GetStyle();
        DWORD now = (old & ~remove) | add;
        if (old == now) return false;
        ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(now));
        return true;
    }

    std::wstring GetWindowText() const {
        int n = ::GetWindowTextLengthW(m_hWnd);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        n = ::GetWindowTextW(m_hWnd, &text[0], n + 1);
        text.resize(static_cast<size_t>(n > 0 ? n : 0));
        return text;
    }
    BOOL SetWindowText(const wchar_t* text) const { return ::SetWindowTextW(m_hWnd, text); }
    void SetFont(HFONT font, BOOL redraw = TRUE) const {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
    }

    // Clips the window to a round rectangle from (0, 0) to (width + 1, height + 1) of its
    // client area, with corner ellipses of the given size. The system owns the region.
    void SetRoundOutline(int corner) const {
        RECT rc = GetClientRect();
        HRGN rgn = ::CreateRoundRectRgn(0, 0, rc.right + 1, rc.bottom + 1, corner, corner);
        if (rgn && !::SetWindowRgn(m_hWnd, rgn, TRUE)) ::DeleteObject(rgn);
    }

    // The position a vertical scroll request (WM_VSCROLL's low word) asks for, from the
    // window's own scroll bar: lines move by one unit, pages by the page, thumb tracking
    // follows the thumb, top and bottom go to the range's ends. False for the requests that
    // move nothing (end of drag, end of scroll).
    bool VScrollRequestTarget(int request, int& pos) const {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        ::GetScrollInfo(m_hWnd, SB_VERT, &si);
        pos = si.nPos;
        switch (request) {
        case SB_LINEUP: pos -= 1; return true;
        case SB_LINEDOWN: pos += 1; return true;
        case SB_PAGEUP: pos -= static_cast<int>(si.nPage); return true;
        case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); return true;
        case SB_THUMBTRACK: pos = si.nTrackPos; return true;
        case SB_TOP: pos = si.nMin; return true;
        case SB_BOTTOM: pos = si.nMax; return true;
        default: return false;
        }
    }

    // Turns a left-button press at a client point (WM_LBUTTONDOWN's lParam) into a press on
    // the caption, so that a caption-less window can be dragged by any free spot.
    void BeginCaptionDrag(LPARAM clientPoint) const {
        POINT pt{static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
        ::ClientToScreen(m_hWnd, &pt);
        PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
    }

    // Centres the window over another window, or over the work area of the window's
    // monitor when there is none (or it is minimised or hidden), keeping it on that area.
    void CenterWindow(HWND over = nullptr) const {
        RECT self = GetWindowRect();
        HMONITOR mon = ::MonitorFromWindow(over && ::IsWindow(over) ? over : m_hWnd,
                                           MONITOR_DEFAULTTONEAREST);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        ::GetMonitorInfoW(mon, &mi);
        RECT area = mi.rcWork;
        RECT centre = area;
        if (over && ::IsWindow(over) && ::IsWindowVisible(over) && !::IsIconic(over))
            ::GetWindowRect(over, &centre);
        int w = self.right - self.left, h = self.bottom - self.top;
        int x = (centre.left + centre.right - w) / 2;
        int y = (centre.top + centre.bottom - h) / 2;
        if (x + w > area.right) x = area.right - w;
        if (y + h > area.bottom) y = area.bottom - h;
        if (x < area.left) x = area.left;
        if (y < area.top) y = area.top;
        SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

}  // namespace winframe
