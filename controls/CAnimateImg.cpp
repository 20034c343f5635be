#include "CAnimateImg.h"

#include "Handles.h"

CAnimateImg::CAnimateImg() = default;

CAnimateImg::~CAnimateImg() = default;

BOOL CAnimateImg::LoadStrip(const std::wstring& path) { return m_imgStrip.Load(path) ? TRUE : FALSE; }

void CAnimateImg::SplitStrip() { m_nFrameCount = 8; }

BOOL CAnimateImg::PlaceAnim(int x, int y, UINT flags) {
    if (!m_hWnd) return FALSE;
    int width = m_imgStrip.Width() / m_nFrameCount;
    SetWindowPos(nullptr, x, y, width, m_imgStrip.Height(), flags);
    m_rcClient = GetClientRect();
    return TRUE;
}

LRESULT CAnimateImg::OnAnimTimer(UINT_PTR id) {
    if (id != static_cast<UINT_PTR>(m_nTimerId)) return 0;
    m_nCurFrame = (m_nCurFrame + 1) % m_nFrameCount;
    InvalidateRect(&m_rcClient, FALSE);
    return 0;
}

LRESULT CAnimateImg::OnAnimPaint() {
    winframe::COffscreenPaint paint(m_hWnd);
    paint.Memory().Fill(RGB(240, 240, 239));
    const RECT& rc = paint.Client();
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    m_imgStrip.DrawPart(paint.Dc(), 0, 0, width, height, width * m_nCurFrame, 0, width, height);
    return 0;
}
