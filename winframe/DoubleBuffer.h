// The erase-background and paint requests of every skinned window, answered in one place:
// nothing is erased (each paint covers every pixel of the client area), and each paint draws
// off screen into a memory bitmap of the client's size that is copied to the window in one
// block, so that nothing flickers. A class derives from CDoubleBufferImpl<T>, provides
//   void DoPaint(winframe::COffscreenPaint& paint);
// and lets HandleDoubleBuffer answer first in its message dispatch.
#pragma once

#include <windows.h>

#include "Handles.h"

namespace winframe {

template <class T>
class CDoubleBufferImpl {
protected:
    // Answers WM_ERASEBKGND and WM_PAINT; FALSE for every other message.
    BOOL HandleDoubleBuffer(UINT msg, LRESULT& result) {
        switch (msg) {
        case WM_ERASEBKGND:
            result = 1;
            return TRUE;
        case WM_PAINT: {
            T* self = static_cast<T*>(this);
            COffscreenPaint paint(self->m_hWnd);
            self->DoPaint(paint);
            result = 0;
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
};

}  // namespace winframe
