// The skin library as the controls call it: by name, through its import library.
#include <gtest/gtest.h>

#include "Handles.h"
#include "paddockc.h"

TEST(SkinLibrary, GetFontMakesAFontOfThatFaceHeightAndWeight) {
    winframe::CFont font(get_font(L"Arial", 16, 700));
    ASSERT_NE(nullptr, font.Get());
    LOGFONTW lf{};
    ASSERT_TRUE(::GetObjectW(font, sizeof(lf), &lf));
    EXPECT_STREQ(L"Arial", lf.lfFaceName);
    EXPECT_EQ(700, lf.lfWeight);
    winframe::CClientDC screen(nullptr);
    winframe::CSelectGuard sel(screen, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(screen, &tm);
    EXPECT_NEAR(16, tm.tmHeight - tm.tmInternalLeading, 1);
}

TEST(SkinLibrary, SubRectangleOfNoSizeHasNoHeight) {
    RECT whole{0, 0, 200, 200};
    RECT sub = calc_subrect(whole, 0, 0);
    EXPECT_EQ(0, sub.bottom - sub.top);
    sub = calc_subrect(whole, 50, 300);  // clipped to the rectangle
    EXPECT_EQ(50, sub.right - sub.left);
    EXPECT_EQ(200, sub.bottom - sub.top);
}

TEST(SkinLibrary, GradientRunsFromTheStartToTheEndColour) {
    winframe::CClientDC screen(nullptr);
    winframe::CMemoryDC mem(screen, 100, 10);
    mem.Fill(RGB(0, 0, 0));
    RECT rc{0, 0, 100, 10};
    gradient_fillrect(mem, &rc, RGB(168, 229, 246), RGB(241, 247, 249), 0);
    COLORREF left = ::GetPixel(mem, 0, 5), right = ::GetPixel(mem, 99, 5);
    EXPECT_NEAR(168, GetRValue(left), 3);
    EXPECT_NEAR(241, GetRValue(right), 3);
    EXPECT_NEAR(229, GetGValue(left), 3);
    gradient_fillrect(nullptr, &rc, 0, 0, 0);  // nothing to draw on: no harm
    gradient_fillrect(mem, nullptr, 0, 0, 0);
}
