#include "CAnimateStaticBase.h"

CAnimateStaticBase::CAnimateStaticBase() = default;

CAnimateStaticBase::~CAnimateStaticBase() = default;

BOOL CAnimateStaticBase::PlaceAnim(int /*x*/, int /*y*/, UINT /*flags*/) { return TRUE; }

void CAnimateStaticBase::StartAnim() {
    if (m_bTimerRunning || !m_hWnd) return;
    if (::SetTimer(m_hWnd, static_cast<UINT_PTR>(m_nTimerId), static_cast<UINT>(m_nInterval), nullptr))
        m_bTimerRunning = TRUE;
}

void CAnimateStaticBase::StopAnim() {
    if (!m_bTimerRunning) return;
    if (m_hWnd) ::KillTimer(m_hWnd, static_cast<UINT_PTR>(m_nTimerId));
    m_bTimerRunning = FALSE;
}

BOOL CAnimateStaticBase::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wp, LPARAM /*lp*/,
                                              LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        result = OnAnimPaint();
        return TRUE;
    case WM_TIMER:
        result = OnAnimTimer(static_cast<UINT_PTR>(wp));
        return TRUE;
    case WM_ERASEBKGND:
        result = 1;
        return TRUE;
    case WM_NCDESTROY:
        // The window's timers die with it.
        m_bTimerRunning = FALSE;
        return FALSE;
    default:
        return FALSE;
    }
}
