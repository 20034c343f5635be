#include "CContactInfoBoard.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "AnsiText.h"
#include "WindowMessages.h"
#include "Handles.h"
#include "ContactTypes.h"
#include "RecordModel.h"
#include "SkinFolder.h"
#include "TkFontPool.h"

namespace {
constexpr int kBoardX = 733;
constexpr int kBoardY = 34;
constexpr int kBoardWidth = 241;
constexpr int kBoardHeight = 575;
constexpr int kFirstLineY = 100;
constexpr int kSpacerHeight = 15;
constexpr int kPictureSize = 62;
constexpr int kPictureXY = 20;
const COLORREF kBackground = RGB(240, 245, 255);
const COLORREF kEdge = RGB(200, 200, 200);
const COLORREF kNameColour = RGB(100, 100, 240);
const COLORREF kLabelColour = RGB(150, 150, 150);
const COLORREF kValueColour = RGB(50, 50, 50);

const char kPhoneMime[] = "vnd.android.cursor.item/phone_v2";
const char kEmailMime[] = "vnd.android.cursor.item/email_v2";
const char kOrganizationMime[] = "vnd.android.cursor.item/organization";

const wchar_t* EmailLabel(int type) {
    switch (type) {
    case 1: return L"Home Email";
    case 2: return L"Work Email";
    case 3: return L"Other Email";
    case 4: return L"Mobile Email";
    default: return L"Email";
    }
}

// The mimetype name of a key: the last entry with that key wins; null when none has it.
const char* MimetypeName(const MimetypeEntry* entries, int32_t key) {
    const char* name = nullptr;
    for (const MimetypeEntry* e = entries; e; e = e->next)
        if (e->key == key) name = e->name;
    return name;
}

bool IsMime(const char* name, const char* wanted) { return name && std::strcmp(name, wanted) == 0; }

// A screen-compatible context with the board's line font, for measuring.
class CMeasureDC {
public:
    CMeasureDC() : m_screen(nullptr), m_dc(m_screen), m_font(m_dc, TkFontPool::GetStyledFont(0x100)) {}
    HDC Get() const { return m_dc; }

private:
    winframe::CClientDC m_screen;
    winframe::CCompatibleDC m_dc;
    winframe::CSelectGuard m_font;
};

bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

// How many characters from `text` (none of them a break) fit into `avail` pixels.
size_t FitCount(HDC dc, const wchar_t* text, size_t length, int avail) {
    size_t chunk = length < 64 ? length : 64;  // a board line holds far fewer characters
    for (;;) {
        INT fit = 0;
        SIZE size{};
        if (!::GetTextExtentExPointW(dc, text, static_cast<int>(chunk), avail < 0 ? 0 : avail, &fit, nullptr, &size))
            return 0;
        // All of the chunk fits: look further, unless the run ends here.
        if (static_cast<size_t>(fit) < chunk || chunk == length) return static_cast<size_t>(fit);
        chunk = length - chunk < chunk ? length : chunk * 2;
    }
}
}  // namespace

int WrapLines(HDC dc, const std::wstring& text, int width, std::wstring* drawText, std::vector<WrappedRun>* runs) {
    if (drawText) drawText->clear();
    if (runs) runs->clear();
    int avail = width - 1;
    int lines = 0;
    size_t pos = 0;
    const size_t length = text.size();
    while (pos < length) {
        ++lines;
        size_t runEnd = pos;
        while (runEnd < length && !IsBreak(text[runEnd])) ++runEnd;
        size_t fit = runEnd > pos ? FitCount(dc, text.data() + pos, runEnd - pos, avail) : 0;
        if (fit == 0 && runEnd > pos) fit = 1;  // a character too wide still makes a line
        if (drawText) drawText->append(text, pos, fit);
        if (runs) runs->push_back(WrappedRun{pos, fit});
        pos += fit;
        if (pos < length && IsBreak(text[pos])) {  // the line ends at its own break character
            if (drawText) drawText->push_back(text[pos]);
            ++pos;
        } else if (pos < length) {  // the width ended the line
            if (drawText) drawText->append(L"\r\n");
        }
    }
    return lines;
}

CContactInfoBoard::CContactInfoBoard() = default;

CContactInfoBoard::~CContactInfoBoard() = default;

HWND CContactInfoBoard::CreateBoard(HWND parent, IContactBoardOwner* owner) {
    return Create(parent, reinterpret_cast<LPARAM>(owner));
}

void CContactInfoBoard::OnInitDialog(LPARAM owner) {
    SetWindowPos(nullptr, kBoardX, kBoardY, kBoardWidth, kBoardHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    m_rcClient = GetClientRect();
    m_rcContent = m_rcClient;
    m_imgPerson.Load(controls::ImagePath(L"contactperson.png"));
    m_pOwner = reinterpret_cast<IContactBoardOwner*>(owner);
}

void CContactInfoBoard::AddLine(HDC dc, const std::wstring& label, const std::wstring& value, int& y) {
    auto line = std::make_unique<ContactLine>();
    line->strLabel = label;
    line->strValue = value;
    line->rcLabel = RECT{m_rcClient.left + 5, y, m_rcClient.left + 95, y};
    line->rcValue = RECT{m_rcClient.left + 100, y, m_rcClient.right - 5, y};
    int count = WrapLines(dc, value, line->rcValue.right - line->rcValue.left, nullptr, &line->vecRuns);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    int lineHeight = count > 0 ? tm.tmHeight : 0;
    line->rcLabel.bottom = y + lineHeight;
    line->rcValue.bottom = y + count * lineHeight;
    y = line->rcValue.bottom;
    m_lines.push_back(std::move(line));
}

void CContactInfoBoard::ShowRows(const ContactRecord& record, HDC dc, int& y) {
    m_strName = record.nameSource == kNameSourceStructuredName ? controls::FromAnsi(record.displayName) : L"No Name";
    if (!m_pOwner) return;
    const MimetypeEntry* mimetypes = m_pOwner->MimetypesOf(record);
    for (const ContactDataRow* row : m_pOwner->DataRowsOf(record)) {
        const char* mime = MimetypeName(mimetypes, row->mimetypeKey);
        std::wstring label, value;
        if (IsMime(mime, kPhoneMime)) {
            value = controls::FromAnsi(row->data1);
            label = PhoneTypeLabel(TypeCode(row->data2));
        } else if (IsMime(mime, kEmailMime)) {
            value = controls::FromAnsi(row->data1);
            label = EmailLabel(TypeCode(row->data2));
        } else if (IsMime(mime, kOrganizationMime)) {
            if (m_strCompany.empty()) m_strCompany = controls::FromAnsi(row->data1);
            if (m_strOrg2.empty()) m_strOrg2 = controls::FromAnsi(row->data5);
            if (m_strOrg2.empty()) m_strOrg3 = controls::FromAnsi(row->data6);
        }
        AddLine(dc, label, value, y);
    }
}

void CContactInfoBoard::OnShowContact(const ContactRecord* record) {
    if (!record) return;
    m_lines.clear();
    m_strName.clear();
    m_strCompany.clear();
    m_strOrg2.clear();
    m_strOrg3.clear();
    int y = kFirstLineY;
    {
        CMeasureDC measure;
        ShowRows(*record, measure.Get(), y);
    }

    int clientHeight = m_rcClient.bottom - m_rcClient.top;
    m_rcContent = m_rcClient;
    m_rcContent.bottom = m_rcClient.bottom + 1;
    if (y > clientHeight) {
        auto spacer = std::make_unique<ContactLine>();
        spacer->rcLabel = RECT{m_rcClient.left + 10, y, m_rcClient.left + 80, y + kSpacerHeight};
        spacer->rcValue = RECT{m_rcClient.left + 85, y, m_rcClient.right - 5, y + kSpacerHeight};
        m_lines.push_back(std::move(spacer));
        y += kSpacerHeight;
        m_rcContent.bottom = m_rcContent.top + y;
    }

    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = y;
    si.nPage = static_cast<UINT>(clientHeight);
    si.nPos = 0;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    m_nScrollOffset = 0;
    Invalidate(FALSE);
    UpdateWindow();
}

void CContactInfoBoard::DoPaint(winframe::COffscreenPaint& paint) {
    // Only the visible slice of the content is painted: the memory bitmap has the client's
    // size and its origin sits at the scroll offset, so a contact with a very long value
    // does not need a bitmap as tall as its whole content.
    HDC dc = paint.Dc();
    paint.Memory().Fill(kBackground);
    ::SetViewportOrgEx(dc, 0, -m_nScrollOffset, nullptr);

    winframe::CPen pen(::CreatePen(PS_SOLID, 1, kEdge));
    {
        winframe::CSelectGuard penGuard(dc, pen);
        ::MoveToEx(dc, m_rcContent.left, m_rcContent.top, nullptr);
        ::LineTo(dc, m_rcContent.left, m_rcContent.bottom > m_nScrollOffset + paint.Client().bottom
                                           ? m_rcContent.bottom
                                           : m_nScrollOffset + paint.Client().bottom);
    }
    m_imgPerson.DrawScaled(dc, kPictureXY, kPictureXY, kPictureSize, kPictureSize);

    ::SetBkMode(dc, TRANSPARENT);
    winframe::CSavedDC saved(dc);
    RECT name{m_imgPerson.Width() + 35, 20, m_rcContent.right - 5, 38};
    ::SetTextColor(dc, kNameColour);
    ::SelectObject(dc, TkFontPool::GetStyledFont(0x500));
    ::DrawTextW(dc, m_strName.c_str(), -1, &name, DT_END_ELLIPSIS | DT_NOPREFIX);

    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SelectObject(dc, TkFontPool::GetStyledFont(0xFF00));
    RECT org{name.left, name.bottom, name.right, name.bottom};
    for (const std::wstring* s : {&m_strCompany, &m_strOrg2, &m_strOrg3}) {
        if (s->empty()) continue;
        org.top = org.bottom + 3;
        org.bottom = org.top + 12;
        ::DrawTextW(dc, s->c_str(), -1, &org, DT_END_ELLIPSIS | DT_NOPREFIX);
    }

    ::SelectObject(dc, TkFontPool::GetStyledFont(0x100));
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    const int visibleTop = m_nScrollOffset;
    const int visibleBottom = m_nScrollOffset + paint.Client().bottom;
    for (const auto& line : m_lines) {
        if (line->strLabel.empty() && line->strValue.empty()) continue;
        if (line->rcValue.bottom < visibleTop || line->rcValue.top > visibleBottom) continue;
        RECT label = line->rcLabel;
        ::SetTextColor(dc, kLabelColour);
        ::DrawTextW(dc, line->strLabel.c_str(), -1, &label, DT_RIGHT | DT_END_ELLIPSIS | DT_NOPREFIX);
        // The value's wrapped lines, one below the other; only those in view are drawn.
        ::SetTextColor(dc, kValueColour);
        const RECT& value = line->rcValue;
        for (size_t i = 0; i < line->vecRuns.size(); ++i) {
            int top = value.top + static_cast<int>(i) * tm.tmHeight;
            if (top + tm.tmHeight < visibleTop) continue;
            if (top > visibleBottom) break;
            const WrappedRun& run = line->vecRuns[i];
            ::ExtTextOutW(dc, value.left, top, ETO_CLIPPED, &value, line->strValue.c_str() + run.start,
                          static_cast<UINT>(run.length), nullptr);
        }
    }
}

void CContactInfoBoard::ScrollTo(int pos) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_POS;
    si.nPos = pos;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    si.fMask = SIF_POS;
    ::GetScrollInfo(m_hWnd, SB_VERT, &si);
    if (si.nPos == m_nScrollOffset) return;
    m_nScrollOffset = si.nPos;
    Invalidate(FALSE);
    UpdateWindow();
}

BOOL CContactInfoBoard::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HandleBoardMessage(msg, wp, result)) return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog(lp);
        result = 0;
        return TRUE;
    case WM_SHOW_CONTACT:
        OnShowContact(reinterpret_cast<const ContactRecord*>(lp));
        result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}
