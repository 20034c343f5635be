// CAnimateStaticBase: a static control hooked to play an animation, one step per timer
// tick. The derived class paints (OnAnimPaint) and steps (OnAnimTimer); the base owns the
// timer and answers erase-background itself.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "WindowImpl.h"

class CAnimateStaticBase
    : public winframe::CWindowImpl<CAnimateStaticBase, winframe::CStaticT<winframe::CWindow>> {
public:
    CAnimateStaticBase();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CAnimateStaticBase() override;

    virtual LRESULT OnAnimPaint() = 0;
    virtual LRESULT OnAnimTimer(UINT_PTR id) = 0;
    // Places the window; the base does nothing and answers 1.
    virtual BOOL PlaceAnim(int x, int y, UINT flags);

    // Starts the timer (id, interval) unless it runs; StopAnim stops it if it runs.
    void StartAnim();
    void StopAnim();
    bool IsRunning() const { return m_bTimerRunning != FALSE; }

    BOOL m_bTimerRunning = FALSE;
    int m_nInterval = 100;  // milliseconds
    RECT m_rcClient{};      // taken by PlaceAnim
    int m_nTimerId = 100;
};
