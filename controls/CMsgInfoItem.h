// CMsgInfoItem: one speech bubble of the message board, a child window (a superclass of
// the platform static control) that paints its caption centred above a frame made of
// eight skin bitmaps around a filled middle holding the message text. Received messages
// (direction 1) sit on the left in grey, sent ones (2) on the right in green.
#pragma once

#include <windows.h>

#include <string>

#include "Controls.h"
#include "DoubleBuffer.h"
#include "WindowImpl.h"

class CMsgInfoItem : public winframe::CWindowImpl<CMsgInfoItem, winframe::CStaticT<winframe::CWindow>>, public winframe::CDoubleBufferImpl<CMsgInfoItem> {
public:
    WINFRAME_WND_SUPERCLASS(L"QfMsgBubble", L"STATIC")

    enum Direction { kReceived = 1, kSent = 2 };
    static constexpr DWORD kStyle = 0x50004000;  // child, visible, end ellipsis
    static constexpr int kLeft = 10;
    static constexpr int kWidth = 215;

    CMsgInfoItem();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CMsgInfoItem() override;

    std::wstring m_strBody;
    std::wstring m_strCaption;
    int m_nTop = 0;        // in the board's unscrolled client coordinates
    int m_nLeft = kLeft;
    int m_nHeight = 0;
    int m_nWidth = kWidth;
    RECT m_rcFrame{};      // the bubble frame inside the window
    int m_nDirection = kReceived;

    // Paints the bubble into a context of the window's size.
    void PaintTo(HDC dc) const;

private:
    friend class winframe::CDoubleBufferImpl<CMsgInfoItem>;
    void DoPaint(winframe::COffscreenPaint& paint);
};
