// A link control over a static control: the label in link colours, underlined, a hand
// cursor over it, a focus rectangle while it has the keyboard focus and a tool tip with
// its target. A left-button release on the label after a press on it, or Enter or Space
// while it has the focus, calls T::Navigate, which by default opens the target with the
// shell's "open" verb. A class that wants another action hides Navigate (see CMyHyperLink).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "Controls.h"
#include "Handles.h"
#include "WindowImpl.h"

namespace winframe {

// Opens a web address with the shell's "open" verb, SW_SHOWNORMAL. Tests can put an opener
// of their own in place (null restores the shell).
using UrlOpener = void (*)(const wchar_t* url);
void OpenUrl(const wchar_t* url);
void SetUrlOpener(UrlOpener opener);

// The parts of the link that do not depend on the class.
class CHyperLinkState {
public:
    std::wstring m_label;
    std::wstring m_url;
    CFont m_font;           // the font handed to SetLinkFont, owned
    CFont m_underlined;     // the same font, underlined, made from it
    HWND m_tip = nullptr;   // tool tip window, destroyed with the link
    bool m_pressed = false;
    bool m_visited = false;

    static constexpr COLORREF kLinkColour = RGB(0, 0, 255);
    static constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
};

template <class T>
class CHyperLinkImpl : public CWindowImpl<T, CStaticT<CWindow>>, protected CHyperLinkState {
public:
    // Hooks the static control and makes it a tab stop that reports clicks.
    BOOL SubclassLink(HWND stat) {
        if (!this->SubclassWindow(stat)) return FALSE;
        this->ModifyStyle(0, SS_NOTIFY | WS_TABSTOP);
        CreateTip();
        return TRUE;
    }
    void SetLabel(const wchar_t* label) {
        m_label = label ? label : L"";
        if (this->m_hWnd) {
            this->SetWindowText(m_label.c_str());
            this->Invalidate(FALSE);
        }
    }
    void SetHyperLink(const wchar_t* url) {
        m_url = url ? url : L"";
        UpdateTip();
    }
    const std::wstring& GetHyperLink() const { return m_url; }
    // Takes ownership of the font; the label is drawn with an underlined copy of it.
    void SetLinkFont(HFONT font) {
        m_font.Attach(font);
        m_underlined.Delete();
        LOGFONTW lf{};
        if (font && ::GetObjectW(font, sizeof(lf), &lf)) {
            lf.lfUnderline = TRUE;
            m_underlined.Attach(::CreateFontIndirectW(&lf));
        }
        if (this->m_hWnd) this->Invalidate(FALSE);
    }
    // The size of the label drawn with the link font.
    SIZE GetLabelSize() const {
        SIZE size{0, 0};
        CClientDC dc(this->m_hWnd);
        CSelectGuard font(dc, LinkFont());
        ::GetTextExtentPoint32W(dc, m_label.c_str(), static_cast<int>(m_label.size()), &size);
        return size;
    }
    // Moves the control to (x, y) and sizes it to its label.
    void PlaceAtLabelSize(int x, int y) {
        SIZE size = GetLabelSize();
        this->SetWindowPos(nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateTip();
    }

    void Navigate() {
        m_visited = true;
        if (this->m_hWnd) this->Invalidate(FALSE);
        if (!m_url.empty()) OpenUrl(m_url.c_str());
    }

    BOOL ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_PAINT:
            OnPaint();
            result = 0;
            return TRUE;
        case WM_ERASEBKGND:
            result = 1;
            return TRUE;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            this->Invalidate(FALSE);
            return FALSE;
        case WM_SETCURSOR:
            if (IsOverLabel()) {
                ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                result = TRUE;
                return TRUE;
            }
            return FALSE;
        case WM_LBUTTONDOWN:
            if (HitsLabel(lp)) {
                this->SetFocus();
                ::SetCapture(this->m_hWnd);
                m_pressed = true;
            }
            result = 0;
            return TRUE;
        case WM_LBUTTONUP:
            if (m_pressed) {
                m_pressed = false;
                if (::GetCapture() == this->m_hWnd) ::ReleaseCapture();
                if (HitsLabel(lp)) static_cast<T*>(this)->Navigate();
            }
            result = 0;
            return TRUE;
        case WM_CAPTURECHANGED:
            m_pressed = false;
            return FALSE;
        case WM_GETDLGCODE: {
            const MSG* keyMsg = reinterpret_cast<const MSG*>(lp);
            result = DLGC_WANTCHARS;
            if (keyMsg && keyMsg->message == WM_KEYDOWN && keyMsg->wParam == VK_RETURN)
                result |= DLGC_WANTMESSAGE;
            return TRUE;
        }
        case WM_CHAR:
            if (wp == VK_RETURN || wp == VK_SPACE) static_cast<T*>(this)->Navigate();
            result = 0;
            return TRUE;
        case WM_SIZE:
            UpdateTip();
            return FALSE;
        case WM_DESTROY:
            if (m_tip) ::DestroyWindow(m_tip);
            m_tip = nullptr;
            return FALSE;
        default:
            return DefaultReflectionHandler(this->m_hWnd, msg, wp, lp, result);
        }
    }

private:
    static int GET_X_LPARAM(LPARAM lp) { return static_cast<short>(LOWORD(lp)); }
    static int GET_Y_LPARAM(LPARAM lp) { return static_cast<short>(HIWORD(lp)); }

    HFONT LinkFont() const {
        if (m_underlined.Get()) return m_underlined.Get();
        if (m_font.Get()) return m_font.Get();
        return reinterpret_cast<HFONT>(this->SendMessage(WM_GETFONT));
    }
    RECT LabelRect() const {
        SIZE size = GetLabelSize();
        RECT rc{0, 0, size.cx, size.cy};
        RECT client = this->GetClientRect();
        if (rc.right > client.right) rc.right = client.right;
        if (rc.bottom > client.bottom) rc.bottom = client.bottom;
        return rc;
    }
    bool HitsLabel(LPARAM lp) const {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT rc = LabelRect();
        return ::PtInRect(&rc, pt) != FALSE;
    }
    bool IsOverLabel() const {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(this->m_hWnd, &pt);
        RECT rc = LabelRect();
        return ::PtInRect(&rc, pt) != FALSE;
    }

    void OnPaint() {
        COffscreenPaint paint(this->m_hWnd);
        HDC dc = paint.Dc();
        RECT client = paint.Client();
        // The parent chooses the background, as for any static control.
        HBRUSH back = reinterpret_cast<HBRUSH>(::SendMessageW(
            this->GetParent(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
            reinterpret_cast<LPARAM>(this->m_hWnd)));
        ::FillRect(dc, &client, back ? back : ::GetSysColorBrush(COLOR_3DFACE));
        CSelectGuard font(dc, LinkFont());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, m_visited ? kVisitedColour : kLinkColour);
        RECT text = client;
        ::DrawTextW(dc, m_label.c_str(), static_cast<int>(m_label.size()), &text,
                    DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        if (::GetFocus() == this->m_hWnd) {
            RECT focus = LabelRect();
            ::DrawFocusRect(dc, &focus);
        }
    }

    void CreateTip() {
        m_tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  this->m_hWnd, nullptr, ModuleInstance(), nullptr);
        if (!m_tip) return;
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
        ti.hwnd = this->m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(this->m_hWnd);
        ti.lpszText = const_cast<wchar_t*>(m_url.c_str());
        ::SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    void UpdateTip() {
        if (!m_tip) return;
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.hwnd = this->m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(this->m_hWnd);
        ti.lpszText = const_cast<wchar_t*>(m_url.c_str());
        ::SendMessageW(m_tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    }
};

class CHyperLink : public CHyperLinkImpl<CHyperLink> {};

}  // namespace winframe
