#include "CFormatBox.h"

#include <algorithm>
#include <cstring>

#include "FallbackSkin.h"
#include "ProductInfo.h"
#include "SkinFolder.h"
#include "paddockc.h"

namespace {

// The box: as wide as the message box's picture, taller by the rows. The picture's top band
// (title) and bottom band (buttons) are drawn as they are, the white middle repeated.
constexpr int kDefaultWidth = 420;
constexpr int kHeight = 270;
constexpr int kTopPart = 100;    // rows [0, 100) of the picture, unchanged
constexpr int kBottomPart = 70;  // its last 70 rows (the button band), unchanged

constexpr int kHeadingTop = 42;
constexpr int kFirstRowTop = 72;
constexpr int kRowPitch = 26;
constexpr int kRowHeight = 24;
constexpr int kRowLeft = 30;
constexpr int kCheckSize = 16;  // one frame of checkbox.png
constexpr int kTextLeft = 28;   // from the row's left edge

const wchar_t kHeading[] = L"Save the checked records as:";
const wchar_t* const kRowTexts[] = {
    L"Text files (.txt)",           L"Contacts for phones (.vcf)", L"Messages backup (sms.xml)",
    L"Spreadsheet (.csv)", L"Report (.html)",
};
static_assert(sizeof(kRowTexts) / sizeof(kRowTexts[0]) == CFormatBox::kRowCount, "one text per row");

// The dialog template: a caption-less pop-up without controls (they are made at start).
struct BoxTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

bool IsRow(int id) { return id >= CFormatBox::kFirstRowId && id < CFormatBox::kFirstRowId + CFormatBox::kRowCount; }

}  // namespace

CFormatBox::CFormatBox() {
    m_imgBack.Load(controls::ImagePath(L"msgbox.png"));
    m_imgCheck.Load(controls::ImagePath(L"checkbox.png"));
}

CFormatBox::~CFormatBox() = default;

std::optional<FormatTicks> CFormatBox::Run(const FormatTicks& initial, HWND owner) {
    if (m_hWnd) return std::nullopt;
    m_ticked = {initial.text, initial.vcard, initial.smsXml, initial.csv, initial.html};
    if (!owner) owner = ::GetActiveWindow();
    alignas(4) BoxTemplate box{};
    box.header.style = WS_POPUP | WS_CLIPSIBLINGS;
    box.header.cx = kDefaultWidth / 2;
    box.header.cy = kHeight / 2;
    winframe::detail::CreatingObject() = this;
    const INT_PTR code = ::DialogBoxIndirectParamW(winframe::ModuleInstance(), &box.header, owner,
                                                   StartDialogProc, 0);
    winframe::detail::CreatingObject() = nullptr;
    if (code != kOkId) return std::nullopt;
    return Ticks();
}

void CFormatBox::OnInitDialog() {
    // No caption: the window text names the box for screen readers and programs that read
    // the screen.
    SetWindowText(L"Save as");
    const int width = m_imgBack.IsEmpty() ? kDefaultWidth : m_imgBack.Width();
    SetWindowPos(nullptr, 0, 0, width, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow(::GetWindow(m_hWnd, GW_OWNER));
    m_rcClient = GetClientRect();
    SetRoundOutline(5);

    m_fontTitle.Attach(get_font(L"Arial", 14, 400));
    m_fontText.Attach(get_font(L"Arial", 16, 400));

    auto button = [this](int id, const wchar_t* text) {
        return ::CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 60, 24,
                                 m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 winframe::ModuleInstance(), nullptr);
    };
    CreateRows();
    m_btnClose.SetupButton(button(kCloseId, L"Close"), controls::ImagePath(L"close.png"), -5, 5, 4);
    m_btnOk.SetupButton(button(kOkId, L"OK"), controls::ImagePath(L"ok.png"), 0, 0, 4);
    m_btnCancel.SetupButton(button(kCancelId, L"Cancel"), controls::ImagePath(L"cancel.png"), 0, 0, 4);

    // OK and Cancel sit 40 pixels apart around the centre, 15 pixels above the bottom.
    const int centre = (m_rcClient.right - m_rcClient.left) / 2;
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    const int y = m_rcClient.bottom - m_btnOk.FrameHeight() - 15;
    m_btnOk.SetWindowPos(nullptr, centre - 20 - m_btnOk.FrameWidth(), y, 0, 0, flags);
    m_btnCancel.SetWindowPos(nullptr, centre + 20, y, 0, 0, flags);
    UpdateOk();
    ::SetFocus(GetDlgItem(kFirstRowId));
}

void CFormatBox::CreateRows() {
    const int width = m_rcClient.right - m_rcClient.left - 2 * kRowLeft;
    for (int row = 0; row < kRowCount; ++row) {
        HWND item = ::CreateWindowExW(0, L"BUTTON", kRowTexts[row], WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                      kRowLeft, kFirstRowTop + row * kRowPitch, width, kRowHeight, m_hWnd,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstRowId + row)),
                                      winframe::ModuleInstance(), nullptr);
        if (item) ::SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontText.Get()), FALSE);
    }
}

void CFormatBox::PaintBackground(HDC dc) const {
    const RECT& client = m_rcClient;
    if (m_imgBack.IsEmpty()) {
        controls::PaintFallbackSkin(dc, client);
        return;
    }
    const int width = m_imgBack.Width();
    const int height = m_imgBack.Height();
    const int top = height < kTopPart + kBottomPart ? height / 2 : kTopPart;
    const int bottom = height < kTopPart + kBottomPart ? height - top : kBottomPart;
    const int middle = height - top - bottom;
    m_imgBack.DrawPart(dc, 0, 0, width, top, 0, 0, width, top);
    // The middle is repeated, not scaled: scaling blends rows from outside the part into
    // its first row.
    for (int y = top; middle > 0 && y < client.bottom - bottom; y += middle) {
        const int rows = std::min(middle, static_cast<int>(client.bottom) - bottom - y);
        m_imgBack.DrawPart(dc, 0, y, width, rows, 0, top, width, rows);
    }
    m_imgBack.DrawPart(dc, 0, client.bottom - bottom, width, bottom, 0, height - bottom, width, bottom);
}

void CFormatBox::OnPaint() {
    winframe::COffscreenPaint paint(m_hWnd);
    HDC dc = paint.Dc();
    PaintBackground(dc);
    ::SetBkMode(dc, TRANSPARENT);
    {
        winframe::CSelectGuard font(dc, m_fontTitle);
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::TextOutW(dc, 40, 7, controls::kProductTitle, static_cast<int>(wcslen(controls::kProductTitle)));
    }
    {
        winframe::CSelectGuard font(dc, m_fontText);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::TextOutW(dc, kRowLeft, kHeadingTop, kHeading, static_cast<int>(wcslen(kHeading)));
    }
    paint.Flush();
    // The buttons draw over a copy of what lies under them.
    for (CImgButton* b : {&m_btnClose, &m_btnOk, &m_btnCancel}) {
        if (!b->m_hWnd || !b->IsVisible()) continue;
        b->GrabBackground(dc);
        b->Invalidate(FALSE);
    }
}

// A row: the box's background under it, the check box picture (or the system's check box
// when the picture is missing), the format's name, and the focus rectangle.
void CFormatBox::DrawRow(const DRAWITEMSTRUCT& item) const {
    const int row = static_cast<int>(item.CtlID) - kFirstRowId;
    RECT place{};
    ::GetWindowRect(item.hwndItem, &place);
    ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;

    winframe::CMemoryDC whole(item.hDC, m_rcClient.right, m_rcClient.bottom);
    PaintBackground(whole);
    const int checkTop = place.top + (height - kCheckSize) / 2;
    const bool ticked = m_ticked[static_cast<size_t>(row)];
    if (!m_imgCheck.IsEmpty()) {
        m_imgCheck.DrawPart(whole, place.left + 4, checkTop, kCheckSize, kCheckSize, ticked ? 2 * kCheckSize : 0, 0,
                            kCheckSize, kCheckSize);
    } else {
        RECT box{place.left + 4, checkTop, place.left + 4 + kCheckSize, checkTop + kCheckSize};
        ::DrawFrameControl(whole, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (ticked ? DFCS_CHECKED : 0));
    }
    RECT text{place.left + kTextLeft, place.top, place.right, place.bottom};
    ::SetBkMode(whole, TRANSPARENT);
    ::SetTextColor(whole, RGB(0, 0, 0));
    {
        winframe::CSelectGuard font(whole, m_fontText);
        ::DrawTextW(whole, kRowTexts[row], -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
        if (item.itemState & ODS_FOCUS) {
            RECT measured = text;
            ::DrawTextW(whole, kRowTexts[row], -1, &measured, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
            RECT focus{measured.left - 2, place.top + 2, measured.right + 2, place.bottom - 2};
            ::DrawFocusRect(whole, &focus);
        }
    }
    ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, whole, place.left, place.top, SRCCOPY);
}

void CFormatBox::Toggle(int row) {
    if (row < 0 || row >= kRowCount) return;
    m_ticked[static_cast<size_t>(row)] = !m_ticked[static_cast<size_t>(row)];
    ::InvalidateRect(GetDlgItem(kFirstRowId + row), nullptr, FALSE);
    UpdateOk();
}

bool CFormatBox::AnyTicked() const {
    for (const bool ticked : m_ticked) {
        if (ticked) return true;
    }
    return false;
}

// An export of nothing is no export: OK waits for a tick.
void CFormatBox::UpdateOk() {
    const BOOL active = AnyTicked() ? TRUE : FALSE;
    if (!m_btnOk.m_hWnd || m_btnOk.m_bActive == active) return;
    m_btnOk.m_bActive = active;
    ::EnableWindow(m_btnOk.m_hWnd, active);
    m_btnOk.Invalidate(FALSE);
}

FormatTicks CFormatBox::Ticks() const {
    FormatTicks ticks;
    ticks.text = m_ticked[0];
    ticks.vcard = m_ticked[1];
    ticks.smsXml = m_ticked[2];
    ticks.csv = m_ticked[3];
    ticks.html = m_ticked[4];
    return ticks;
}

BOOL CFormatBox::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = FALSE;  // the focus is set: on the first row
        return TRUE;
    case WM_PAINT:
        OnPaint();
        result = 0;
        return TRUE;
    case WM_ERASEBKGND:
        result = 1;
        return TRUE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item && IsRow(static_cast<int>(item->CtlID))) {
            DrawRow(*item);
            result = TRUE;
            return TRUE;
        }
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (IsRow(id)) {
            if (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == BN_DOUBLECLICKED) Toggle(id - kFirstRowId);
            result = 0;
            return TRUE;
        }
        switch (id) {
        case kOkId:
            if (AnyTicked()) EndDialog(kOkId);
            result = 0;
            return TRUE;
        case kCloseId:
        case kCancelId:
        case IDCANCEL:  // Esc
            EndDialog(id == IDCANCEL ? kCancelId : id);
            result = 0;
            return TRUE;
        case IDOK:  // Enter: nothing, the buttons decide
            result = 0;
            return TRUE;
        default:
            break;
        }
        break;
    }
    case WM_LBUTTONDOWN:
        BeginCaptionDrag(lp);
        result = 0;
        return TRUE;
    default:
        break;
    }
    return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
}
