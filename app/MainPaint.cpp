// The main window's paint: the connect page (loading picture, what is going on, or the
// failure with its cause and hints) and the results page, and the loading picture's steps.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "CMainDlg.h"
#include "FallbackSkin.h"
#include "TkFontPool.h"

namespace {

// Where the loading and failure pictures are drawn on the connect page.
const RECT kStatusPictureRect{120, 230, 905, 561};
// The failure picture leaves room for the cause and the client's words below it.
const RECT kFailurePictureRect{120, 230, 905, 526};
const RECT kStatusTextRect{100, 566, 884, 590};

void TextAt(HDC dc, int x, int y, const std::wstring& text) {
    ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

}  // namespace

void CMainDlg::DoPaint(winframe::COffscreenPaint& paint) {
    HDC dc = paint.Dc();
    if (m_imgMainBg1.IsEmpty() && m_imgMainBg2.IsEmpty())
        controls::PaintFallbackSkin(dc, paint.Client());  // a window, even without its skin
    const bool connectPage = m_stage == Stage::kPulling || m_stage == Stage::kFailed || m_stage == Stage::kScanning;
    if (connectPage)
        PaintConnectPage(dc);
    else
        m_imgMainBg2.Draw(dc, 0, 0);
    paint.Flush();

    // Each button keeps the background under itself for its transparent drawing.
    CImgButton* always[] = {&m_btnClose, &m_btnMin, &m_btnMenu, &m_btnHome, &m_btnHelp, &m_btnRefresh};
    CImgButton* results[] = {&m_btnBack, &m_btnRecover, &m_btnPause, &m_btnContinue, &m_btnStop};
    for (CImgButton* b : always) {
        if (!b->m_hWnd || !b->IsVisible()) continue;
        b->GrabBackground(dc);
        b->Invalidate(FALSE);
    }
    for (CImgButton* b : results) {
        if (!b->m_hWnd) continue;
        b->GrabBackground(dc);
        if (!connectPage && b->IsVisible()) b->Invalidate(FALSE);
    }
}

void CMainDlg::PaintConnectPage(HDC dc) {
    // Without its own background the connect page borrows the results page's.
    (m_imgMainBg1.IsEmpty() ? m_imgMainBg2 : m_imgMainBg1).Draw(dc, 0, 0);
    if (m_imgStep1.IsEmpty()) {
        m_imgStep2.Draw(dc, 1, 74);
        return;
    }
    m_imgStep1.Draw(dc, 1, 74);
    if (m_stage == Stage::kFailed) {
        PaintFailure(dc);
        return;
    }
    const RECT& r = kStatusPictureRect;
    m_imgLoadData.DrawScaled(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (m_strStatus.empty()) return;
    winframe::CSelectGuard font(dc, TkFontPool::GetStyledFont(0x100));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(10, 0, 0));
    RECT text = kStatusTextRect;
    ::DrawTextW(dc, m_strStatus.c_str(), -1, &text, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

// The failure picture, the cause the scan saw, then the title and the three hints.
void CMainDlg::PaintFailure(HDC dc) {
    const RECT& r = kFailurePictureRect;
    m_imgLoadFail.DrawScaled(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    // The cause and the client's words are the page's text controls (IDC_FAILURE_CAUSE,
    // IDC_FAILURE_DETAIL), drawn over this background.
    winframe::CSelectGuard font(dc, TkFontPool::GetStyledFont(0x200));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(189, 58, 6));
    TextAt(dc, 100, 570, L"Cannot load data from Android Phone, please : ");
    ::SelectObject(dc, TkFontPool::GetStyledFont(0x100));
    ::SetTextColor(dc, RGB(10, 0, 0));
    const wchar_t* hints[] = {
        L"1. Be sure you've installed the drive of your device",
        L"2. Make sure device enables USB Debugging(Setting >> Applications >> Development >> USB debugging).",
        L"3. Make sure you've got ROOT access on your Android phone."};
    for (int i = 0; i < 3; ++i) TextAt(dc, 120, 590 + 20 * i, hints[i]);
}

void CMainDlg::StartAnimation() {
    if (m_bAnimTimer) return;
    m_bAnimTimer = true;
    SetTimer(m_hWnd, ID_TIMER_ANIMATION, 80, nullptr);
}

void CMainDlg::StopAnimation() {
    if (m_bAnimTimer) KillTimer(m_hWnd, ID_TIMER_ANIMATION);
    m_bAnimTimer = false;
    m_nAnimFrame = 0;
}

// Steps the loading picture one frame on, each frame shown for its own delay.
void CMainDlg::OnAnimationTimer() {
    KillTimer(m_hWnd, ID_TIMER_ANIMATION);
    m_bAnimTimer = false;
    // The pull reports its progress only while a copy grows; its stages (connecting,
    // finding root) are read here, as the picture turns.
    if (m_stage == Stage::kPulling) OnPullProgress();
    Gdiplus::Image* gif = m_imgLoadData.Get();
    if (!gif) return;
    GUID time = Gdiplus::FrameDimensionTime;
    UINT frames = gif->GetFrameCount(&time);
    if (frames <= 1) return;  // a still picture is drawn once

    std::vector<UINT> delays(frames, 10);
    UINT size = gif->GetPropertyItemSize(PropertyTagFrameDelay);
    if (size >= sizeof(Gdiplus::PropertyItem)) {
        std::vector<BYTE> buffer(size);
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
        if (gif->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok && item->value) {
            UINT count = std::min<UINT>(frames, item->length / sizeof(UINT));
            const UINT* values = static_cast<const UINT*>(item->value);
            for (UINT i = 0; i < count; ++i) delays[i] = values[i];
        }
    }
    if (m_nAnimFrame < 0 || static_cast<UINT>(m_nAnimFrame) >= frames) m_nAnimFrame = 0;
    gif->SelectActiveFrame(&time, static_cast<UINT>(m_nAnimFrame));
    m_nAnimFrame = (m_nAnimFrame + 1) % static_cast<int>(frames);
    InvalidateRect(&kStatusPictureRect, FALSE);
    m_bAnimTimer = true;
    SetTimer(m_hWnd, ID_TIMER_ANIMATION, std::max<UINT>(10, delays[static_cast<size_t>(m_nAnimFrame)] * 10), nullptr);
}
