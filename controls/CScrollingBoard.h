// The vertical scrolling shared by the two detail boards, over the double-buffered paint:
// the scroll bar's requests and the mouse wheel move the board by calling T::ScrollTo(pos),
// and a click gives the board the focus, so that the wheel reaches it. The position is the
// scroll bar's own; T decides what one position is (a pixel, ten pixels) and provides
//   void ScrollTo(int pos);                  // moves the content, clamped by the bar
//   static constexpr int kWheelStep = ...;   // positions per wheel notch
#pragma once

#include <windows.h>

#include "DoubleBuffer.h"

template <class T>
class CScrollingBoard : public winframe::CDoubleBufferImpl<T> {
protected:
    int ScrollPos() const {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_POS;
        ::GetScrollInfo(static_cast<const T*>(this)->m_hWnd, SB_VERT, &si);
        return si.nPos;
    }

    // Answers painting, scroll requests, the wheel and the focus click; FALSE otherwise
    // (the click is also passed on).
    BOOL HandleBoardMessage(UINT msg, WPARAM wp, LRESULT& result) {
        if (this->HandleDoubleBuffer(msg, result)) return TRUE;
        T* self = static_cast<T*>(this);
        switch (msg) {
        case WM_VSCROLL: {
            int pos = 0;
            if (self->VScrollRequestTarget(LOWORD(wp), pos)) self->ScrollTo(pos);
            result = 0;
            return TRUE;
        }
        case WM_MOUSEWHEEL:
            self->ScrollTo(ScrollPos() + (GET_WHEEL_DELTA_WPARAM(wp) < 0 ? T::kWheelStep : -T::kWheelStep));
            result = 0;
            return TRUE;
        case WM_LBUTTONDOWN:
            ::SetFocus(self->m_hWnd);
            return FALSE;
        default:
            return FALSE;
        }
    }
};
