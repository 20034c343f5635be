#include "CMsgBox.h"

#include <vector>

#include "FallbackSkin.h"
#include "ProductInfo.h"
#include "SkinFolder.h"
#include "paddockc.h"

namespace {
const wchar_t* IconFile(int kind) {
    switch (kind) {
    case MSGICON_WARNING: return L"warn.png";
    case MSGICON_ERROR: return L"error.png";
    case MSGICON_INFO: return L"info.png";
    case MSGICON_SUCCESS: return L"right.png";
    default: return nullptr;
    }
}
}  // namespace

CMsgBox::CMsgBox() { m_imgBack.Load(controls::ImagePath(L"msgbox.png")); }

CMsgBox::~CMsgBox() = default;

int ShowMsgBox(int iconKind, WORD buttons, const wchar_t* text, CMsgBox& box, HWND owner) {
    return box.Run(iconKind, buttons, text, owner);
}

int CMsgBox::Run(int iconKind, WORD buttons, const wchar_t* text, HWND owner) {
    m_nIconKind = iconKind;
    m_wButtons = buttons;
    m_strText = text ? text : L"";
    if (!owner) owner = ::GetActiveWindow();
    return static_cast<int>(DoModal(owner));
}

void CMsgBox::OnInitDialog() {
    // The box has no caption; its window text carries the message for screen readers and
    // for programs that read the screen.
    SetWindowText(m_strText.c_str());
    if (const wchar_t* icon = IconFile(m_nIconKind)) m_imgIcon.Load(controls::ImagePath(icon));

    // Without its background picture the box keeps the size of its template.
    if (!m_imgBack.IsEmpty())
        SetWindowPos(nullptr, 0, 0, m_imgBack.Width(), m_imgBack.Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow(::GetWindow(m_hWnd, GW_OWNER));
    m_rcClient = GetClientRect();
    SetRoundOutline(5);
    int clientHeight = m_rcClient.bottom - m_rcClient.top;
    m_rcIcon = RECT{20, (clientHeight - 40) / 2, 60, (clientHeight - 40) / 2 + 40};

    ::ShowWindow(GetDlgItem(IDC_MSGBOX_TEXT), SW_HIDE);

    m_fontTitle.Attach(get_font(L"Arial", 14, 400));
    m_fontText.Attach(get_font(L"Arial", 16, 400));

    m_btnClose.SetupButton(GetDlgItem(IDC_MSGBOX_CLOSE), controls::ImagePath(L"close.png"), -5, 5, 4);
    struct Answer {
        WORD flag;
        int id;
        CImgButton* button;
        const wchar_t* picture;
    };
    const Answer answers[] = {
        {MSGBTN_OK, IDC_MSGBOX_OK, &m_btnOk, L"ok.png"},
        {MSGBTN_CANCEL, IDC_MSGBOX_CANCEL, &m_btnCancel, L"cancel.png"},
        {MSGBTN_YES, IDC_MSGBOX_YES, &m_btnYes, L"yes.png"},
        {MSGBTN_NO, IDC_MSGBOX_NO, &m_btnNo, L"no.png"},
    };
    for (const Answer& a : answers) {
        if (m_wButtons & a.flag)
            a.button->SetupButton(GetDlgItem(a.id), controls::ImagePath(a.picture), 0, 0, 4);
        else
            ::ShowWindow(GetDlgItem(a.id), SW_HIDE);
    }
    PlaceAnswerButtons();
}

// A single answer is centred at the bottom; a pair sits 40 pixels apart around the centre
// (first: OK or Yes, second: Cancel or No). More than two (no caller asks for it) share a
// centred row with the same 40-pixel gaps.
void CMsgBox::PlaceAnswerButtons() {
    std::vector<CImgButton*> shown;
    for (CImgButton* b : {&m_btnOk, &m_btnYes, &m_btnNo, &m_btnCancel})
        if (b->m_hWnd && (b->GetStyle() & WS_VISIBLE)) shown.push_back(b);  // the box is not shown yet
    if (shown.empty()) return;
    const int width = m_rcClient.right - m_rcClient.left;
    const int height = m_rcClient.bottom - m_rcClient.top;
    const int centre = width / 2;
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    auto yOf = [&](CImgButton* b) { return height - b->FrameHeight() - 15; };
    if (shown.size() == 1) {
        CImgButton* b = shown[0];
        b->SetWindowPos(nullptr, (width - b->FrameWidth()) / 2, yOf(b), 0, 0, flags);
    } else if (shown.size() == 2) {
        int y = yOf(shown[0]);
        shown[0]->SetWindowPos(nullptr, centre - 20 - shown[0]->FrameWidth(), y, 0, 0, flags);
        shown[1]->SetWindowPos(nullptr, centre + 20, y, 0, 0, flags);
    } else {
        int total = 40 * static_cast<int>(shown.size() - 1);
        for (CImgButton* b : shown) total += b->FrameWidth();
        int x = (width - total) / 2;
        for (CImgButton* b : shown) {
            b->SetWindowPos(nullptr, x, yOf(b), 0, 0, flags);
            x += b->FrameWidth() + 40;
        }
    }
}

// One line when the text fits the text area; otherwise as many lines as the text is wide
// (in widths of the area, plus one), word-wrapped, centred in the client area. Breaking
// at words can need more lines than that count; the rectangle then grows to what the
// wrapped text needs, so that no line is cut off.
void CMsgBox::LayoutText(HDC dc) {
    const int clientHeight = m_rcClient.bottom - m_rcClient.top;
    m_rcText = RECT{70, 0, 70 + (m_rcClient.right - m_rcClient.left - 80), clientHeight};
    const int areaWidth = m_rcText.right - m_rcText.left;
    SIZE size{};
    ::GetTextExtentPoint32W(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &size);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    m_nLineHeight = tm.tmHeight;
    m_bSingleLine = size.cx < areaWidth || areaWidth <= 0;
    if (m_bSingleLine) return;
    int lines = size.cx / areaWidth + 1;
    int h = lines * m_nLineHeight;
    RECT wrapped{0, 0, areaWidth, 0};
    ::DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &wrapped,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    if (wrapped.bottom > h) h = wrapped.bottom;
    m_rcText.top = (clientHeight - h) / 2;
    m_rcText.bottom = m_rcText.top + h;
}

void CMsgBox::DoPaint(winframe::COffscreenPaint& paint) {
    HDC dc = paint.Dc();
    if (m_imgBack.IsEmpty())
        controls::PaintFallbackSkin(dc, paint.Client());
    else
        m_imgBack.Draw(dc, 0, 0);
    m_imgIcon.DrawScaled(dc, m_rcIcon.left, m_rcIcon.top, m_rcIcon.right - m_rcIcon.left,
                         m_rcIcon.bottom - m_rcIcon.top);
    ::SetBkMode(dc, TRANSPARENT);
    {
        winframe::CSelectGuard font(dc, m_fontTitle);
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::TextOutW(dc, 40, 7, controls::kProductTitle, static_cast<int>(wcslen(controls::kProductTitle)));
    }
    {
        winframe::CSelectGuard font(dc, m_fontText);
        ::SetTextColor(dc, RGB(0, 0, 0));
        LayoutText(dc);
        RECT rc = m_rcText;
        UINT format = m_bSingleLine ? (DT_SINGLELINE | DT_VCENTER) : DT_WORDBREAK;
        ::DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &rc,
                    format | DT_LEFT | DT_NOPREFIX);
    }
    paint.Flush();
    // The buttons draw over a copy of what lies under them.
    for (CImgButton* b : {&m_btnClose, &m_btnOk, &m_btnYes, &m_btnNo, &m_btnCancel}) {
        if (!b->m_hWnd || !b->IsVisible()) continue;
        b->GrabBackground(dc);
        b->Invalidate(FALSE);
    }
}

BOOL CMsgBox::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HandleDoubleBuffer(msg, result)) return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_MSGBOX_CLOSE:
        case IDC_MSGBOX_OK:
        case IDC_MSGBOX_YES:
        case IDC_MSGBOX_NO:
        case IDC_MSGBOX_CANCEL:
            EndDialog(LOWORD(wp));
            result = 0;
            return TRUE;
        case IDCANCEL:
            if (lp == 0 && m_btnClose.FrameWidth() == 0) EndDialog(IDC_MSGBOX_CLOSE);
            result = 0;
            return TRUE;
        case IDOK:
            result = 0;
            return TRUE;
        default:
            break;
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
