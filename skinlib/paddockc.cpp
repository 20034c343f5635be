#define PADDOCKC_BUILDING
#include "paddockc.h"

HFONT __cdecl get_font(const wchar_t* face, int height, int weight) {
    LOGFONTW lf{};
    lf.lfHeight = -height;  // negative: character height, not cell height
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    if (face) lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

RECT __cdecl calc_subrect(RECT rc, int cx, int cy) {
    RECT sub = rc;
    if (cx < 0) cx = 0;
    if (cy < 0) cy = 0;
    if (cx < rc.right - rc.left) sub.right = rc.left + cx;
    if (cy < rc.bottom - rc.top) sub.bottom = rc.top + cy;
    return sub;
}

void __cdecl gradient_fillrect(HDC dc, const RECT* rc, COLORREF from, COLORREF to, int mode) {
    if (!dc || !rc || rc->right <= rc->left || rc->bottom <= rc->top) return;
    TRIVERTEX v[2] = {};
    v[0].x = rc->left;
    v[0].y = rc->top;
    v[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
    v[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
    v[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
    v[1].x = rc->right;
    v[1].y = rc->bottom;
    v[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
    v[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
    v[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
    GRADIENT_RECT g{0, 1};
    GradientFill(dc, v, 2, &g, 1, mode == 0 ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}
