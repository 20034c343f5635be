// The film-strip animation: placement, frame stepping and wrap, its timer, what it
// paints, and a missing strip.
#include <gtest/gtest.h>

#include "CAnimateImg.h"
#include "Handles.h"
#include "TestSupport.h"

namespace {

class AnimateTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testsupport::FreshFolder(L"animate");
        std::vector<DWORD> colours;
        for (int i = 0; i < 8; ++i) colours.push_back(0xFF000000u | static_cast<DWORD>(i * 30) << 16);
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"animate.png", 12, 10, colours));
        ASSERT_TRUE(m_parent.CreateSized(300, 200));
        m_static = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, m_parent,
                                     reinterpret_cast<HMENU>(1009), nullptr, nullptr);
        ASSERT_TRUE(m_static);
    }
    void Tick(CAnimateImg& anim, UINT_PTR id = 100) { ::SendMessageW(anim, WM_TIMER, id, 0); }

    std::wstring m_folder;
    testsupport::CReflectingParent m_parent;
    HWND m_static = nullptr;
};

}  // namespace

TEST_F(AnimateTest, PlacesOneFrameAndStepsThroughEightFramesWithWrap) {
    CAnimateImg anim;
    EXPECT_EQ(1, anim.FrameCount());
    ASSERT_TRUE(anim.LoadStrip(m_folder + L"animate.png"));
    anim.SplitStrip();
    EXPECT_EQ(8, anim.FrameCount());
    ASSERT_TRUE(anim.SubclassWindow(m_static));
    ASSERT_TRUE(anim.PlaceAnim(20, 30, SWP_NOZORDER | SWP_NOACTIVATE));
    RECT rc = anim.GetRectInParent();
    EXPECT_EQ(20, rc.left);
    EXPECT_EQ(30, rc.top);
    EXPECT_EQ(12, rc.right - rc.left);
    EXPECT_EQ(10, rc.bottom - rc.top);

    EXPECT_EQ(0, anim.CurrentFrame());
    for (int i = 1; i <= 7; ++i) {
        Tick(anim);
        EXPECT_EQ(i, anim.CurrentFrame());
    }
    Tick(anim);
    EXPECT_EQ(0, anim.CurrentFrame()) << "after the eighth frame the strip starts again";
    Tick(anim);
    EXPECT_EQ(1, anim.CurrentFrame());
    Tick(anim, 7);
    EXPECT_EQ(1, anim.CurrentFrame()) << "other timers are ignored";
}

TEST_F(AnimateTest, PaintsTheCurrentFrame) {
    m_parent.ShowWindow(SW_SHOWNA);
    CAnimateImg anim;
    ASSERT_TRUE(anim.LoadStrip(m_folder + L"animate.png"));
    anim.SplitStrip();
    ASSERT_TRUE(anim.SubclassWindow(m_static));
    anim.PlaceAnim(0, 0, SWP_NOZORDER | SWP_SHOWWINDOW);
    for (int i = 0; i < 3; ++i) Tick(anim);
    ::RedrawWindow(anim, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    winframe::CClientDC dc(anim);
    EXPECT_EQ(RGB(90, 0, 0), ::GetPixel(dc, 6, 5));
}

TEST_F(AnimateTest, TimerRunsOnlyBetweenStartAndStop) {
    CAnimateImg anim;
    ASSERT_TRUE(anim.LoadStrip(m_folder + L"animate.png"));
    anim.SplitStrip();
    ASSERT_TRUE(anim.SubclassWindow(m_static));
    anim.m_nInterval = 100;
    anim.StartAnim();
    anim.StartAnim();  // a second start changes nothing
    EXPECT_TRUE(anim.IsRunning());
    testsupport::Pump(550);
    int frame = anim.CurrentFrame();
    EXPECT_GE(frame, 2);
    EXPECT_LE(frame, 6);
    anim.StopAnim();
    EXPECT_FALSE(anim.IsRunning());
    testsupport::Pump(300);
    EXPECT_EQ(frame, anim.CurrentFrame()) << "a stopped animation keeps its frame";
}

TEST_F(AnimateTest, MissingStripTakesNoRoomAndPaintsBackgroundOnly) {
    CAnimateImg anim;
    EXPECT_FALSE(anim.LoadStrip(m_folder + L"absent.png"));
    anim.SplitStrip();
    ASSERT_TRUE(anim.SubclassWindow(m_static));
    anim.PlaceAnim(10, 10, SWP_NOZORDER);
    RECT rc = anim.GetRectInParent();
    EXPECT_EQ(0, rc.right - rc.left);
    EXPECT_EQ(0, rc.bottom - rc.top);
    Tick(anim);
    ::RedrawWindow(anim, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
