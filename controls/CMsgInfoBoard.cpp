#include "CMsgInfoBoard.h"

#include <new>

#include "AnsiText.h"
#include "WindowMessages.h"
#include "Handles.h"
#include "RecordModel.h"
#include "TkFontPool.h"
#include "paddockc.h"

namespace {
constexpr int kBoardX = 723;
constexpr int kBoardY = 34;
constexpr int kBoardWidth = 251;
constexpr int kBoardHeight = 575;
constexpr int kFirstTop = 30;
constexpr int kTextWidth = 160;  // widest line of a bubble's text
const COLORREF kBackground = RGB(244, 247, 250);
const COLORREF kEdge = RGB(200, 200, 200);
}  // namespace

CMsgInfoBoard::CMsgInfoBoard() = default;

CMsgInfoBoard::~CMsgInfoBoard() = default;

HWND CMsgInfoBoard::CreateBoard(HWND parent, IMsgBoardOwner* owner) {
    return Create(parent, reinterpret_cast<LPARAM>(owner));
}

void CMsgInfoBoard::OnInitDialog(LPARAM owner) {
    SetWindowPos(nullptr, kBoardX, kBoardY, kBoardWidth, kBoardHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    m_rcClient = GetClientRect();
    m_pOwner = reinterpret_cast<IMsgBoardOwner*>(owner);
}

void CMsgInfoBoard::DoPaint(winframe::COffscreenPaint& paint) {
    HDC dc = paint.Dc();
    paint.Memory().Fill(kBackground);
    winframe::CPen pen(::CreatePen(PS_SOLID, 1, kEdge));
    winframe::CSelectGuard penGuard(dc, pen);
    ::MoveToEx(dc, 0, 0, nullptr);
    ::LineTo(dc, 0, paint.Client().bottom);
}

void CMsgInfoBoard::ClearBubbles() {
    for (auto& bubble : m_bubbles)
        if (bubble->m_hWnd) ::DestroyWindow(bubble->m_hWnd);
    m_bubbles.clear();
}

int CMsgInfoBoard::AddBubble(const std::wstring& body, const std::wstring& caption, HWND board, int direction) {
    if (!::IsWindow(board) || body.empty()) return 0;
    RECT sub = calc_subrect(RECT{0, 0, 200, 200}, 0, 0);
    int s = sub.bottom - sub.top;

    std::unique_ptr<CMsgInfoItem> bubble(new (std::nothrow) CMsgInfoItem);
    if (!bubble) return 0;
    bubble->m_nTop = m_bubbles.empty() ? kFirstTop : m_bubbles.back()->m_nTop + m_bubbles.back()->m_nHeight;

    SIZE extent{};
    {
        winframe::CClientDC boardDc(board);
        winframe::CSelectGuard font(boardDc, TkFontPool::GetStyledFont(0x200));
        ::GetTextExtentPoint32W(boardDc, body.c_str(), static_cast<int>(body.size()), &extent);
    }
    int w = extent.cx, h = extent.cy;
    if (extent.cx > kTextWidth) {
        w = kTextWidth;
        h = extent.cy * ((extent.cx + kTextWidth - 1) / kTextWidth);
    }
    int frameWidth = w + 30;
    if (direction == CMsgInfoItem::kReceived) {
        bubble->m_rcFrame = RECT{0, 30, frameWidth, h + 63};
        bubble->m_nHeight = h + 63;
    } else {
        int top = s > 0 ? s + 40 : 30;
        bubble->m_rcFrame = RECT{CMsgInfoItem::kWidth - frameWidth - 1, top, CMsgInfoItem::kWidth, top + h + 36};
        bubble->m_nHeight = h + 66;
    }
    bool needsWindow = board != m_hWnd || IsNearView(*bubble);
    if (needsWindow && !CreateBubbleWindow(*bubble, board)) return 0;
    bubble->m_strCaption = caption;
    bubble->m_strBody = body;
    bubble->m_nDirection = direction;
    m_bubbles.push_back(std::move(bubble));
    return 1;
}

bool CMsgInfoBoard::IsNearView(const CMsgInfoItem& bubble) const {
    int clientHeight = m_rcClient.bottom - m_rcClient.top;
    int top = ScrollPos() * kScrollUnit - clientHeight;
    int bottom = ScrollPos() * kScrollUnit + 2 * clientHeight;
    return bubble.m_nTop + bubble.m_nHeight > top && bubble.m_nTop < bottom;
}

BOOL CMsgInfoBoard::CreateBubbleWindow(CMsgInfoItem& bubble, HWND board) const {
    int y = bubble.m_nTop - (board == m_hWnd ? ScrollPos() * kScrollUnit : 0);
    RECT place{bubble.m_nLeft, y, bubble.m_nLeft + bubble.m_nWidth, y + bubble.m_nHeight};
    return bubble.Create(board, place, nullptr, CMsgInfoItem::kStyle) != nullptr;
}

void CMsgInfoBoard::SyncBubbleWindows() {
    for (auto& bubble : m_bubbles) {
        bool nearView = IsNearView(*bubble);
        if (nearView && !bubble->m_hWnd)
            CreateBubbleWindow(*bubble, m_hWnd);  // one that cannot be made stays blank
        else if (!nearView && bubble->m_hWnd)
            ::DestroyWindow(bubble->m_hWnd);
    }
}

void CMsgInfoBoard::OnShowMessage(const ConversationRecord* record) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 100;
    si.nPage = 100;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    ClearBubbles();
    if (!record) return;

    if (m_pOwner) {
        for (const MessageRecord* m : m_pOwner->MessagesOf(*record)) {
            AddBubble(controls::FromAnsi(m->body), controls::FromAnsi(m->caption), m_hWnd,
                      m->type == 1 ? CMsgInfoItem::kReceived : CMsgInfoItem::kSent);
        }
    }

    int total = kFirstTop;
    for (const auto& bubble : m_bubbles) total += bubble->m_nHeight;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = total / kScrollUnit;
    si.nPage = static_cast<UINT>((m_rcClient.bottom - m_rcClient.top) / kScrollUnit);
    si.nPos = 0;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
}

void CMsgInfoBoard::ScrollTo(int pos) {
    int old = ScrollPos();
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_POS;
    si.nPos = pos;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    int now = ScrollPos();
    if (now == old) return;
    // The bubble windows are moved by (old - now) x 10 pixels to their place for the new
    // position; each is placed from its own unscrolled top, so that a board that was
    // scrolled while hidden (when the platform's window scrolling does nothing) stays right.
    SyncBubbleWindows();
    int offset = now * kScrollUnit;
    for (auto& bubble : m_bubbles)
        if (bubble->m_hWnd)
            ::SetWindowPos(bubble->m_hWnd, nullptr, bubble->m_nLeft, bubble->m_nTop - offset, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate(FALSE);
    UpdateWindow();
}

BOOL CMsgInfoBoard::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (HandleBoardMessage(msg, wp, result)) return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog(lp);
        result = 0;
        return TRUE;
    case WM_SHOW_MESSAGE:
        OnShowMessage(reinterpret_cast<const ConversationRecord*>(lp));
        result = 0;
        return TRUE;
    case WM_DESTROY:
        ClearBubbles();
        return FALSE;
    default:
        return FALSE;
    }
}
