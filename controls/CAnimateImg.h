// CAnimateImg: plays a film strip (frames of equal width side by side) on a static
// control, one frame per timer tick, wrapping to the first frame after the last.
#pragma once

#include <string>

#include "CAnimateStaticBase.h"
#include "GdipImage.h"

class CAnimateImg : public CAnimateStaticBase {
public:
    CAnimateImg();
    ~CAnimateImg() override;

    LRESULT OnAnimPaint() override;
    LRESULT OnAnimTimer(UINT_PTR id) override;
    // Moves the window to (x, y) with the size of one frame and the given SetWindowPos
    // flags, and takes its client rectangle.
    BOOL PlaceAnim(int x, int y, UINT flags) override;

    // Frees the previous strip and loads a new one; answers whether it loaded.
    BOOL LoadStrip(const std::wstring& path);
    // The strip holds 8 frames.
    void SplitStrip();

    int FrameCount() const { return m_nFrameCount; }
    int CurrentFrame() const { return m_nCurFrame; }

private:
    winframe::CGdipImage m_imgStrip;
    int m_nFrameCount = 1;
    int m_nCurFrame = 0;
};
