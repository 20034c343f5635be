#include "CHeaderCtrlCheck.h"

#include "WindowMessages.h"
#include "SkinFolder.h"
#include "TkFontPool.h"

namespace {
constexpr int kCheckAllX = 5;
constexpr int kCheckAllY = 7;
constexpr int kCheckAllSize = 14;
constexpr int kArrowRightGap = 20;
}  // namespace

CHeaderCtrlCheck::CHeaderCtrlCheck() {
    m_bmpBack.Attach(static_cast<HBITMAP>(::LoadImageW(nullptr, controls::ImagePath(L"list_hearder.bmp").c_str(),
                                                       IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

CHeaderCtrlCheck::~CHeaderCtrlCheck() = default;

BOOL CHeaderCtrlCheck::CreateCheckAll() {
    if (!m_hWnd || m_hCheckAll) return FALSE;
    m_hCheckAll = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, kCheckAllX, kCheckAllY,
                                    kCheckAllSize, kCheckAllSize, m_hWnd, nullptr, winframe::ModuleInstance(), nullptr);
    return m_hCheckAll != nullptr;
}

bool CHeaderCtrlCheck::IsCheckAllChecked() const {
    return m_hCheckAll && ::SendMessageW(m_hCheckAll, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CHeaderCtrlCheck::SetCheckAll(bool checked) const {
    if (m_hCheckAll) ::SendMessageW(m_hCheckAll, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CHeaderCtrlCheck::DoPaint(winframe::COffscreenPaint& paint) {
    HDC dc = paint.Dc();
    const RECT& client = paint.Client();
    int width = client.right - client.left;
    int height = client.bottom - client.top;

    if (m_bmpBack.Get()) {
        BITMAP bm{};
        ::GetObjectW(m_bmpBack, sizeof(bm), &bm);
        winframe::CCompatibleDC src(dc);
        winframe::CSelectGuard bitmap(src, m_bmpBack);
        int column = bm.bmWidth > 2 ? 2 : 0;
        ::StretchBlt(dc, 0, 0, width, height, src, column, 0, 1, bm.bmHeight, SRCCOPY);
    } else {
        paint.Memory().Fill(RGB(236, 240, 244));  // plain background without the picture
    }

    ::SetBkMode(dc, TRANSPARENT);
    winframe::CSelectGuard font(dc, TkFontPool::GetStyledFont(0x100));
    winframe::CPen pen(::CreatePen(PS_SOLID, 1, RGB(210, 210, 210)));
    winframe::CSelectGuard penGuard(dc, pen);
    ::MoveToEx(dc, 0, 0, nullptr);
    ::LineTo(dc, 0, height);

    int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (!GetItemRect(i, &item)) continue;
        if (i > 0) {
            ::MoveToEx(dc, item.left, 1, nullptr);
            ::LineTo(dc, item.left, item.bottom);
        }
        std::wstring text = GetItemText(i);
        RECT textRect{item.left, client.top, item.right, client.bottom};
        ::DrawTextW(dc, text.c_str(), -1, &textRect,
                    DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        if (i == m_nSortColumn) {
            const winframe::CGdipImage& arrow = m_bSortAsc ? m_imgAsc : m_imgDesc;
            arrow.Draw(dc, item.right - kArrowRightGap, (item.bottom - item.top - arrow.Height()) / 2);
        }
    }
}

BOOL CHeaderCtrlCheck::OnCommand(WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HIWORD(wp) != BN_CLICKED) return FALSE;
    result = 0;
    if (!m_hCheckAll || reinterpret_cast<HWND>(lp) != m_hCheckAll) return TRUE;
    bool checkAll = !IsCheckAllChecked();
    SetCheckAll(checkAll);
    ::SendMessageW(GetParent(), WM_HEADER_CHECKALL, checkAll ? 1 : 0, 0);
    return TRUE;
}

LRESULT CHeaderCtrlCheck::OnLayout(HDLAYOUT* layout) {
    LRESULT result = DefWindowProc(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(layout));
    if (layout && layout->pwpos && layout->prc) {
        layout->pwpos->cy = m_nHeight;
        layout->prc->top = m_nHeight;
    }
    return result;
}

BOOL CHeaderCtrlCheck::OnReflectedNotify(const NMHDR* hdr, LRESULT& result) {
    if (!hdr) return FALSE;
    switch (hdr->code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA: {
        const auto* nm = reinterpret_cast<const NMHEADERW*>(hdr);
        result = (nm->iItem == GetItemCount() - 1) ? 1 : 0;  // the last divider stays put
        return TRUE;
    }
    case HDN_TRACKW:
    case HDN_TRACKA:
        Invalidate(FALSE);
        result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CHeaderCtrlCheck::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HandleDoubleBuffer(msg, result)) return TRUE;
    switch (msg) {
    case WM_COMMAND:
        return OnCommand(wp, lp, result);
    case HDM_LAYOUT:
        result = OnLayout(reinterpret_cast<HDLAYOUT*>(lp));
        return TRUE;
    case winframe::OCM_NOTIFY:
        if (OnReflectedNotify(reinterpret_cast<const NMHDR*>(lp), result)) return TRUE;
        return winframe::DefaultReflectionHandler(hwnd, msg, wp, lp, result);
    default:
        return winframe::DefaultReflectionHandler(hwnd, msg, wp, lp, result);
    }
}
