// The font pool: what each style key gives, measured on real fonts, and its cache.
#include <gtest/gtest.h>

#include "Handles.h"
#include "TkFontPool.h"

namespace {

struct KeyCase {
    uint16_t key;
    int pixels;  // character height
    int weight;
    bool underline;
    bool italic;
};

LOGFONTW Describe(HFONT font) {
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof(lf), &lf);
    return lf;
}

}  // namespace

TEST(FontPool, EachKeyGivesItsHeightWeightAndStyle) {
    const KeyCase cases[] = {
        {0x0000, 11, 400, false, false}, {0x0100, 12, 400, false, false}, {0x0104, 12, 700, false, false},
        {0x0200, 13, 400, false, false}, {0x0500, 16, 400, false, false}, {0xFF00, 10, 400, false, false},
        {0x0001, 11, 400, false, true},  {0x0002, 11, 400, true, false},  {0x0107, 12, 700, true, true},
    };
    winframe::CClientDC screen(nullptr);
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << c.key);
        HFONT font = TkFontPool::GetStyledFont(c.key);
        ASSERT_NE(nullptr, font);
        LOGFONTW lf = Describe(font);
        EXPECT_STREQ(L"Tahoma", lf.lfFaceName);
        EXPECT_EQ(-c.pixels, lf.lfHeight);
        EXPECT_EQ(c.weight, lf.lfWeight);
        EXPECT_EQ(c.underline, lf.lfUnderline != 0);
        EXPECT_EQ(c.italic, lf.lfItalic != 0);
        EXPECT_EQ(0, lf.lfCharSet);
        // The font as rendered: its character height is the requested number of pixels
        // (give or take the rounding of the font engine at small sizes).
        winframe::CSelectGuard sel(screen, font);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(screen, &tm);
        EXPECT_NEAR(c.pixels, tm.tmHeight - tm.tmInternalLeading, 1);
        EXPECT_EQ(c.weight, tm.tmWeight);
    }
}

TEST(FontPool, OneCacheEntryPerKeyEvenForKeysThatGiveEqualFonts) {
    TkFontPool pool;
    EXPECT_EQ(1u, pool.CacheSize()) << "the base font is made with the pool";
    HFONT a = pool.Get(0x100);
    EXPECT_EQ(a, pool.Get(0x100));
    EXPECT_EQ(2u, pool.CacheSize());
    HFONT b = pool.Get(0x108);  // bit 3 has no effect on the font
    EXPECT_NE(a, b);
    EXPECT_EQ(3u, pool.CacheSize());
    LOGFONTW la = Describe(a), lb = Describe(b);
    EXPECT_EQ(la.lfHeight, lb.lfHeight);
    EXPECT_EQ(la.lfWeight, lb.lfWeight);
    EXPECT_STREQ(la.lfFaceName, lb.lfFaceName);
    EXPECT_EQ(pool.Get(0), pool.Get(0));
    EXPECT_EQ(3u, pool.CacheSize());
}

TEST(FontPool, ProcessWidePoolHandsOutTheSameFontEveryTime) {
    EXPECT_EQ(TkFontPool::GetStyledFont(0x200), TkFontPool::GetStyledFont(0x200));
    EXPECT_EQ(&TkFontPool::Instance(), &TkFontPool::Instance());
}

TEST(FontPool, HeightBitsAreSignedPixelsAddedToTheBase) {
    TkFontPool pool;
    EXPECT_EQ(-11 - 127, pool.DescribeKey(0x7F00).lfHeight);
    EXPECT_EQ(-11 + 128, pool.DescribeKey(0x8000).lfHeight);
    EXPECT_EQ(-11 + 1, pool.DescribeKey(0xFF00).lfHeight);
}
