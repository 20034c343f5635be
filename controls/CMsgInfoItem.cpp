#include "CMsgInfoItem.h"

#include "Handles.h"
#include "SkinFolder.h"
#include "TkFontPool.h"

namespace {
const COLORREF kBoardBackground = RGB(244, 247, 250);
const COLORREF kReceivedFill = RGB(216, 216, 216);
const COLORREF kSentFill = RGB(136, 193, 33);
constexpr int kCaptionHeight = 30;

// A skin bitmap loaded from the picture folder for one paint; empty when missing.
class CSkinBitmap {
public:
    explicit CSkinBitmap(const wchar_t* name)
        : m_bitmap(static_cast<HBITMAP>(::LoadImageW(nullptr, controls::ImagePath(name).c_str(), IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE))) {}
    // Copies the picture's (srcW x srcH) top-left part, stretched to (w x h) at (x, y).
    void Draw(HDC dc, HDC scratch, int x, int y, int w, int h, int srcW, int srcH) const {
        if (!m_bitmap.Get() || w <= 0 || h <= 0) return;
        winframe::CSelectGuard select(scratch, m_bitmap);
        if (w == srcW && h == srcH)
            ::BitBlt(dc, x, y, w, h, scratch, 0, 0, SRCCOPY);
        else
            ::StretchBlt(dc, x, y, w, h, scratch, 0, 0, srcW, srcH, SRCCOPY);
    }

private:
    winframe::CBitmap m_bitmap;
};

// Corner and edge sizes of one bubble kind, and the names of its eight pictures.
struct BubbleSkin {
    const wchar_t* names[8];  // lefttop, leftbottom, righttop, rightbottom, topline, bottomline, leftline, rightline
    int leftWidth, rightWidth, topHeight, bottomHeight;
    COLORREF fill;
};

const BubbleSkin kReceivedSkin{{L"in_lefttop.bmp", L"in_leftbottom.bmp", L"in_righttop.bmp", L"in_rightbottom.bmp",
                                L"in_topline.bmp", L"in_bottomline.bmp", L"in_leftline.bmp", L"in_rightline.bmp"},
                               18, 12, 15, 18, kReceivedFill};
const BubbleSkin kSentSkin{{L"out_lefttop.bmp", L"out_leftbottom.bmp", L"out_righttop.bmp", L"out_rightbottom.bmp",
                            L"out_topline.bmp", L"out_bottomline.bmp", L"out_leftline.bmp", L"out_rightline.bmp"},
                           12, 18, 18, 18, kSentFill};

void PaintFrame(HDC dc, const RECT& f, const BubbleSkin& s) {
    winframe::CCompatibleDC scratch(dc);
    int l = s.leftWidth, r = s.rightWidth, t = s.topHeight, b = s.bottomHeight;
    int innerW = f.right - f.left - 30;  // both kinds: left + right corner widths are 30
    int innerH = f.bottom - f.top - t - b;
    CSkinBitmap(s.names[0]).Draw(dc, scratch, f.left, f.top, l, t, l, t);
    CSkinBitmap(s.names[1]).Draw(dc, scratch, f.left, f.bottom - b, l, b, l, b);
    CSkinBitmap(s.names[2]).Draw(dc, scratch, f.right - r, f.top, r, t, r, t);
    CSkinBitmap(s.names[3]).Draw(dc, scratch, f.right - r, f.bottom - b, r, b, r, b);
    CSkinBitmap(s.names[4]).Draw(dc, scratch, f.left + l, f.top, innerW, t, 1, t);
    CSkinBitmap(s.names[5]).Draw(dc, scratch, f.left + l, f.bottom - b, innerW, b, 1, b);
    CSkinBitmap(s.names[6]).Draw(dc, scratch, f.left, f.top + t, l, innerH, l, 1);
    CSkinBitmap(s.names[7]).Draw(dc, scratch, f.right - r, f.top + t, r, innerH, r, 1);
}
}  // namespace

CMsgInfoItem::CMsgInfoItem() = default;

CMsgInfoItem::~CMsgInfoItem() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CMsgInfoItem::PaintTo(HDC dc) const {
    RECT all{0, 0, m_nWidth, m_nHeight};
    winframe::CBrush back(::CreateSolidBrush(kBoardBackground));
    ::FillRect(dc, &all, back);

    winframe::CSavedDC saved(dc);
    ::SelectObject(dc, TkFontPool::GetStyledFont(0x100));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    RECT caption{0, 0, m_nWidth, kCaptionHeight};
    ::DrawTextW(dc, m_strCaption.c_str(), -1, &caption, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    if (m_strBody.empty()) return;

    const BubbleSkin& skin = m_nDirection == kReceived ? kReceivedSkin : kSentSkin;
    PaintFrame(dc, m_rcFrame, skin);
    RECT inner{m_rcFrame.left + skin.leftWidth, m_rcFrame.top + skin.topHeight, m_rcFrame.right - skin.rightWidth,
               m_rcFrame.bottom - skin.bottomHeight};
    winframe::CBrush fill(::CreateSolidBrush(skin.fill));
    ::FillRect(dc, &inner, fill);
    ::DrawTextW(dc, m_strBody.c_str(), static_cast<int>(m_strBody.size()), &inner, DT_WORDBREAK | DT_NOPREFIX);
}

void CMsgInfoItem::DoPaint(winframe::COffscreenPaint& paint) {
    PaintTo(paint.Dc());
}

BOOL CMsgInfoItem::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& result) {
    if (HandleDoubleBuffer(msg, result)) return TRUE;
    switch (msg) {
    default:
        return FALSE;
    }
}
