#include "CMyHyperLink.h"

#include "ProductInfo.h"

void CMyHyperLink::Navigate() {
    m_visited = true;
    if (m_hWnd) Invalidate(FALSE);
    winframe::OpenUrl(controls::kProductPageUrl);
}
