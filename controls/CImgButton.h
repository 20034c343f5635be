// CImgButton: a push button of a dialog turned into a borderless picture button. Its
// picture is a horizontal strip of equal frames (0 normal, 1 hover, 2 pressed, 3 inactive;
// a strip of 3 frames has no inactive frame), drawn over a snapshot of what the owner
// painted under the button, so that transparent parts blend into the skin.
//
// The owner sets it up with SetupButton, calls GrabBackground for it while it paints its
// own background, and reflects WM_DRAWITEM to it (the button is owner-drawn).
#pragma once

#include <windows.h>

#include <string>

#include "Controls.h"
#include "GdipImage.h"
#include "Handles.h"
#include "OwnerDraw.h"
#include "WindowImpl.h"

class CImgButton : public winframe::CWindowImpl<CImgButton, winframe::CButtonT<winframe::CWindow>>,
                   public winframe::COwnerDraw<CImgButton> {
public:
    CImgButton();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CImgButton() override;

    // Hooks the button, makes it owner-drawn, loads the strip and places the button at
    // (x, y) in its parent with the size of one frame. A negative x counts from the right
    // edge of the parent's client area, a negative y from its bottom. Returns 0 when the
    // window does not exist, cannot be hooked or the frame count is below 1.
    BOOL SetupButton(HWND button, const std::wstring& picturePath, int x, int y, int frameCount);
    // Copies the frame-sized area at (x, y) of the owner's drawing context into the snapshot.
    void GrabBackground(HDC ownerDc, int x, int y);
    // The same at the button's own place in its parent.
    void GrabBackground(HDC ownerDc);

    // The frame drawn for an owner-draw item state (ODS_*).
    int FrameIndex(UINT itemState) const;
    void DrawItem(DRAWITEMSTRUCT* dis);

    int FrameWidth() const { return m_nFrameWidth; }
    int FrameHeight() const { return m_nFrameHeight; }
    int FrameCount() const { return m_nFrameCount; }
    bool IsHovering() const { return m_bHover != FALSE; }

private:
    winframe::CGdipImage m_imgStrip;
    BOOL m_bHover = FALSE;
    int m_nFrameWidth = 0;
    int m_nFrameHeight = 0;
    int m_nFrameCount = 0;

public:
    // 1: normal behaviour; 0: shows the inactive frame and ignores hovering. The owner
    // sets it when it constructs the button (1 by default).
    BOOL m_bActive = TRUE;

private:
    winframe::CBitmap m_bmpBack;

    void OnMouseMove(LPARAM lp);
    void OnLButtonDown();
};
