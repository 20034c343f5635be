#include "CListViewCheck1.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "WindowMessages.h"
#include "Handles.h"
#include "RecordModel.h"
#include "SkinFolder.h"
#include "TkFontPool.h"

namespace {
constexpr int kBoxLeft = 5;       // x of the check box in the row
constexpr int kTextGap = 10;      // between the check box and the marker or text
constexpr int kMarkerGap = 5;     // between the marker and the text
constexpr int kCheckFrames = 4;
constexpr int kCheckedFrame = 2;
constexpr int kStateUnchecked = 1;
constexpr int kStateChecked = 2;
const COLORREF kGridColour = RGB(220, 220, 220);
const COLORREF kSelectedColour = RGB(161, 219, 238);
const COLORREF kDeletedText = RGB(255, 0, 0);

// Sorting: each row's text in the sort column, found by its item data. Rows are looked up
// by exact item data, so two rows with the same data both read the first one's text.
struct SortContext {
    std::unordered_map<LPARAM, std::wstring> texts;
    bool ascending = true;
};

int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM context) {
    const auto* ctx = reinterpret_cast<const SortContext*>(context);
    auto a = ctx->texts.find(first);
    auto b = ctx->texts.find(second);
    const wchar_t* ta = a != ctx->texts.end() ? a->second.c_str() : L"";
    const wchar_t* tb = b != ctx->texts.end() ? b->second.c_str() : L"";
    if (!ctx->ascending) std::swap(ta, tb);
    return ::CompareStringW(LOCALE_USER_DEFAULT, 0, ta, -1, tb, -1) - CSTR_EQUAL;
}
}  // namespace

CListViewCheck1::CListViewCheck1() = default;

CListViewCheck1::~CListViewCheck1() = default;

HWND CListViewCheck1::CreateList(HWND parent, const RECT& rc) {
    return Create(parent, rc, L"datalistview", kStyle, 0, kControlId);
}

BOOL CListViewCheck1::InitListView() {
    if (!m_hWnd) return FALSE;
    BOOL hooked = m_header.SubclassWindow(GetHeader());
    m_header.m_imgAsc.Load(controls::ImagePath(L"inc.png"));
    m_header.m_imgDesc.Load(controls::ImagePath(L"dec.png"));
    m_imgCheck.Load(controls::ImagePath(L"checkbox.png"));
    m_imgDeleted.Load(controls::ImagePath(L"deleted.png"));
    if (hooked) m_header.CreateCheckAll();
    return hooked;
}

int CListViewCheck1::AddRow(std::initializer_list<const wchar_t*> texts) {
    int columns = static_cast<int>(::SendMessageW(GetHeader(), HDM_GETITEMCOUNT, 0, 0));
    auto text = texts.begin();
    auto next = [&]() -> const wchar_t* {
        const wchar_t* t = text != texts.end() ? *text++ : nullptr;
        return t ? t : L"";
    };
    int row = InsertItem(GetItemCount(), next());
    if (row < 0) return -1;
    for (int c = 1; c < columns; ++c) SetItemText(row, c, next());
    return row;
}

bool CListViewCheck1::IsRowDeleted(int row) const {
    if (m_nListKind != kContacts && m_nListKind != kConversations) return false;
    DWORD_PTR data = GetItemData(row);
    if (!data) return false;
    if (m_nListKind == kContacts) return reinterpret_cast<const ContactRecord*>(data)->deleted != 0;
    return reinterpret_cast<const ConversationRecord*>(data)->deleted != 0;
}

RECT CListViewCheck1::CheckBoxRect(int row) const {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    RECT box{};
    box.left = bounds.left + kBoxLeft;
    box.right = box.left + m_imgCheck.Width() / kCheckFrames;
    box.top = bounds.top + (m_nRowHeight - m_imgCheck.Height()) / 2;
    box.bottom = box.top + m_imgCheck.Height();
    return box;
}

void CListViewCheck1::MeasureItem(MEASUREITEMSTRUCT* mis) {
    if (mis) mis->itemHeight = static_cast<UINT>(m_nRowHeight);
}

void CListViewCheck1::UpdateRowGeometry() {
    RECT client = GetClientRect();
    int clientWidth = client.right - client.left;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_POS | SIF_RANGE;
    if ((GetStyle() & WS_HSCROLL) && ::GetScrollInfo(m_hWnd, SB_HORZ, &si)) {
        m_nRowOrigin = -si.nPos;
        m_nRowWidth = clientWidth > si.nMax + 1 ? clientWidth : si.nMax + 1;
    } else {
        m_nRowOrigin = client.left;
        m_nRowWidth = clientWidth;
    }
}

void CListViewCheck1::DrawItem(DRAWITEMSTRUCT* dis) {
    if (!dis) return;
    int row = static_cast<int>(dis->itemID);
    const RECT& rc = dis->rcItem;
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0) return;
    UpdateRowGeometry();

    winframe::CMemoryDC mem(dis->hDC, width, height);
    winframe::CPen pen(::CreatePen(PS_SOLID, 1, kGridColour));
    winframe::CSelectGuard penGuard(mem, pen);
    winframe::CSelectGuard fontGuard(mem, TkFontPool::GetStyledFont(0x100));

    bool selected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    mem.Fill(selected ? kSelectedColour : (row % 2 ? m_clrOdd : m_clrEven));
    ::MoveToEx(mem, 0, 0, nullptr);
    ::LineTo(mem, 0, height);
    ::MoveToEx(mem, 0, height - 1, nullptr);
    ::LineTo(mem, width, height - 1);
    ::SetBkMode(mem, TRANSPARENT);

    bool deleted = IsRowDeleted(row);
    for (int column = 0;; ++column) {
        LVCOLUMNW col{};
        col.mask = LVCF_WIDTH;
        if (!SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col))) break;
        RECT label{};
        if (!GetSubItemRect(row, column, LVIR_LABEL, &label)) continue;
        DrawCell(mem, row, column, label, deleted);
    }
    mem.CopyTo(dis->hDC, rc.left, rc.top);
}

void CListViewCheck1::DrawCell(HDC dc, int row, int column, const RECT& label, bool deleted) {
    std::wstring text = GetItemText(row, column);
    RECT textRect{label.left - m_nRowOrigin, 0, label.right - m_nRowOrigin, label.bottom - label.top};
    if (column == 0) {
        int frameWidth = m_imgCheck.Width() / kCheckFrames;
        int top = (m_nRowHeight - m_imgCheck.Height()) / 2;
        textRect.left += frameWidth + kTextGap;
        int frame = GetStateImage(row) == kStateUnchecked ? 0 : kCheckedFrame;
        m_imgCheck.DrawPart(dc, kBoxLeft, top, frameWidth, m_imgCheck.Height(), frame * frameWidth, 0, frameWidth,
                            m_imgCheck.Height());
        if (deleted && !m_imgDeleted.IsEmpty()) {
            m_imgDeleted.Draw(dc, frameWidth + kTextGap, top);
            textRect.left += m_imgDeleted.Width() + kMarkerGap;
        }
    }
    ::SetTextColor(dc, deleted ? kDeletedText : RGB(0, 0, 0));
    ::DrawTextW(dc, text.c_str(), -1, &textRect,
                DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (column > 0) {
        ::MoveToEx(dc, textRect.left, textRect.top, nullptr);
        ::LineTo(dc, textRect.left, textRect.bottom);
    }
}

BOOL CListViewCheck1::OnLButtonDown(LPARAM lp) {
    LVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(lp));
    hit.pt.y = static_cast<short>(HIWORD(lp));
    int row = HitTest(&hit);
    if (row < 0 || !(hit.flags & LVHT_ONITEM)) return FALSE;
    RECT box = CheckBoxRect(row);
    if (!::PtInRect(&box, hit.pt)) {
        // The platform's own (hidden) check box would toggle the row without telling the
        // parent, and the record's checked flag would no longer match the row.
        return (hit.flags & LVHT_ONITEMSTATEICON) != 0;
    }
    if (m_bChecksEnabled) ToggleRow(row);
    return TRUE;
}

BOOL CListViewCheck1::OnKeyDown(WPARAM key) {
    // Space toggles the focused row's box like a click on it, with the notification.
    if (key != VK_SPACE) return FALSE;
    int row = static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (m_bChecksEnabled && row >= 0) ToggleRow(row);
    return TRUE;
}

void CListViewCheck1::ToggleRow(int row) {
    bool checked = GetStateImage(row) == kStateUnchecked;
    SetStateImage(row, checked ? kStateChecked : kStateUnchecked);
    SyncCheckAll();
    ::SendMessageW(GetParent(), WM_LISTITEM_CHECKED, static_cast<WPARAM>(row), checked ? 1 : 0);
}

void CListViewCheck1::SyncCheckAll() {
    int count = GetItemCount();
    bool anyUnchecked = false;
    for (int i = 0; i < count && !anyUnchecked; ++i) anyUnchecked = GetStateImage(i) == kStateUnchecked;
    m_header.SetCheckAll(!anyUnchecked);
}

void CListViewCheck1::OnCheckAll(bool check) {
    if (!m_bChecksEnabled) {
        m_header.SetCheckAll(!check);  // the box goes back to what the rows show
        return;
    }
    int count = GetItemCount();
    HWND parent = GetParent();
    for (int i = 0; i < count; ++i) {
        SetStateImage(i, check ? kStateChecked : kStateUnchecked);
        ::SendMessageW(parent, WM_LISTITEM_CHECKED, static_cast<WPARAM>(i), check ? 1 : 0);
    }
}

void CListViewCheck1::OnColumnClick(int column) {
    if (column == m_header.m_nSortColumn) {
        m_header.m_bSortAsc = !m_header.m_bSortAsc;
    } else {
        m_header.m_nSortColumn = column;
        m_header.m_bSortAsc = TRUE;
    }
    // One pass collects the texts the comparison needs, instead of a search per comparison.
    SortContext context;
    context.ascending = m_header.m_bSortAsc != FALSE;
    int count = GetItemCount();
    context.texts.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        LPARAM data = static_cast<LPARAM>(GetItemData(i));
        if (!context.texts.count(data)) context.texts.emplace(data, GetItemText(i, column));
    }
    SortItems(CompareRows, reinterpret_cast<LPARAM>(&context));
    if (m_header.m_hWnd) m_header.Invalidate(FALSE);
}

BOOL CListViewCheck1::OnHeaderNotify(WPARAM wp, LPARAM lp, LRESULT& result) {
    // The header's divider tracking is answered by the header itself. The platform list
    // does not always pass these notifications on to its parent (whose reflection would
    // bring them back to the header), so the list hands them over directly first.
    const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (!hdr || !m_header.m_hWnd || hdr->hwndFrom != m_header.m_hWnd) return FALSE;
    switch (hdr->code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_TRACKW:
    case HDN_TRACKA:
        result = m_header.SendMessage(winframe::OCM_NOTIFY, wp, lp);
        return result != 0;
    default:
        return FALSE;
    }
}

BOOL CListViewCheck1::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case winframe::OCM_DRAWITEM:
    case winframe::OCM_MEASUREITEM:
    case winframe::OCM_DELETEITEM:
    case winframe::OCM_COMPAREITEM:
        return ProcessOwnerDraw(msg, wp, lp, result);
    case WM_LBUTTONDOWN:
        if (!OnLButtonDown(lp)) return FALSE;
        result = 0;
        return TRUE;
    case WM_KEYDOWN:
        if (!OnKeyDown(wp)) return FALSE;
        result = 0;
        return TRUE;
    case WM_CHAR:
        if (wp != L' ') return FALSE;  // the space was handled at key-down
        result = 0;
        return TRUE;
    case WM_NOTIFY:
        return OnHeaderNotify(wp, lp, result);
    case WM_HEADER_CHECKALL:
        OnCheckAll(wp != 0);
        result = 0;
        return TRUE;
    case winframe::OCM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->code == LVN_COLUMNCLICK) {
            OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(lp)->iSubItem);
            result = 0;
            return TRUE;
        }
        return winframe::DefaultReflectionHandler(hwnd, msg, wp, lp, result);
    }
    default:
        return winframe::DefaultReflectionHandler(hwnd, msg, wp, lp, result);
    }
}
