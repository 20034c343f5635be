// The image button: placement from negative coordinates, the frame drawn for each state
// (through the parent's reflection, as in the program), blending over the snapshot, and
// missing pictures.
#include <gtest/gtest.h>

#include "CImgButton.h"
#include "Handles.h"
#include "TestSupport.h"

namespace {

const DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kGrey = 0xFF808080;

class ImgButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testsupport::FreshFolder(L"imgbutton");
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"four.png", 20, 16, {kRed, kGreen, kBlue, kGrey}));
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"three.png", 20, 16, {kRed, kGreen, kBlue}));
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"half.png", 20, 16, {kRed, kGreen, kBlue, kGrey}, true));
        ASSERT_TRUE(m_parent.CreateSized(984, 674));
        m_button = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 50,
                                     m_parent, reinterpret_cast<HMENU>(1000), nullptr, nullptr);
        ASSERT_TRUE(m_button);
    }

    // Asks the parent to have the button drawn, the way the platform does, and returns the
    // colour of the drawn pixel (x, y) of the button.
    COLORREF DrawnPixel(UINT itemState, int x = 5, int y = 5) {
        winframe::CClientDC screen(nullptr);
        winframe::CMemoryDC target(screen, 40, 40);
        target.Fill(RGB(255, 255, 255));
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = 1000;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = itemState;
        dis.hwndItem = m_button;
        dis.hDC = target;
        dis.rcItem = RECT{0, 0, 20, 16};
        ::SendMessageW(m_parent, WM_DRAWITEM, 1000, reinterpret_cast<LPARAM>(&dis));
        return ::GetPixel(target, x, y);
    }

    void GrabFrom(CImgButton& b, COLORREF colour) {
        winframe::CClientDC screen(nullptr);
        winframe::CMemoryDC owner(screen, 100, 100);
        owner.Fill(colour);
        b.GrabBackground(owner, 10, 10);
    }

    std::wstring m_folder;
    testsupport::CReflectingParent m_parent;
    HWND m_button = nullptr;
};

}  // namespace

TEST_F(ImgButtonTest, NegativeCoordinatesCountFromTheParentsRightAndBottomEdges) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"four.png", -29, 5, 4));
    RECT rc = b.GetRectInParent();
    EXPECT_EQ(935, rc.left);  // 984 - 20 - 29
    EXPECT_EQ(5, rc.top);
    EXPECT_EQ(20, rc.right - rc.left);
    EXPECT_EQ(16, rc.bottom - rc.top);
    EXPECT_TRUE(b.GetStyle() & WS_VISIBLE) << "shown (its hidden test parent aside)";
    EXPECT_TRUE(b.GetStyle() & BS_OWNERDRAW);

    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"four.png", 20, -20, 4));
    rc = b.GetRectInParent();
    EXPECT_EQ(20, rc.left);
    EXPECT_EQ(674 - 16 - 20, rc.top);
}

TEST_F(ImgButtonTest, FrameSizeFollowsTheFrameCount) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"three.png", 0, 0, 3));
    EXPECT_EQ(20, b.FrameWidth());
    EXPECT_EQ(16, b.FrameHeight());
    EXPECT_EQ(3, b.FrameCount());
}

TEST_F(ImgButtonTest, StatesShowNormalHoverPressedAndInactiveFrames) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"four.png", 0, 0, 4));
    EXPECT_EQ(RGB(255, 0, 0), DrawnPixel(0));
    EXPECT_EQ(RGB(0, 0, 255), DrawnPixel(ODS_SELECTED));

    // The first move over the button asks for a leave notification and shows hover.
    ::SendMessageW(m_button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(b.IsHovering());
    EXPECT_EQ(RGB(0, 255, 0), DrawnPixel(0));
    EXPECT_EQ(RGB(0, 0, 255), DrawnPixel(ODS_SELECTED)) << "pressed wins over hover";

    // Leaving shows the normal frame again.
    ::SendMessageW(m_button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(b.IsHovering());
    EXPECT_EQ(RGB(255, 0, 0), DrawnPixel(0));

    b.m_bActive = FALSE;
    EXPECT_EQ(RGB(128, 128, 128), DrawnPixel(0));
    EXPECT_EQ(RGB(128, 128, 128), DrawnPixel(ODS_SELECTED));
    ::SendMessageW(m_button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(b.IsHovering()) << "an inactive button ignores the mouse";
}

TEST_F(ImgButtonTest, InactiveThreeFrameButtonShowsOnlyItsBackground) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"three.png", 0, 0, 3));
    GrabFrom(b, RGB(1, 200, 3));
    b.m_bActive = FALSE;
    EXPECT_EQ(RGB(1, 200, 3), DrawnPixel(0));
}

TEST_F(ImgButtonTest, TransparentPartsShowTheGrabbedBackground) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"half.png", 0, 0, 4));
    GrabFrom(b, RGB(250, 250, 0));
    EXPECT_EQ(RGB(255, 0, 0), DrawnPixel(0, 3, 5));
    EXPECT_EQ(RGB(250, 250, 0), DrawnPixel(0, 15, 5));
}

TEST_F(ImgButtonTest, MissingPictureGivesAnEmptyButtonThatDrawsNothing) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"nothing-here.png", -8, 5, 4));
    RECT rc = b.GetRectInParent();
    EXPECT_EQ(0, rc.right - rc.left);
    EXPECT_EQ(0, rc.bottom - rc.top);
    EXPECT_EQ(976, rc.left);
    EXPECT_EQ(RGB(255, 255, 255), DrawnPixel(0));
    winframe::CClientDC screen(nullptr);
    b.GrabBackground(screen, 0, 0);  // nothing to grab, no harm
}

TEST_F(ImgButtonTest, SetupRefusesNoWindowAndNoFrames) {
    CImgButton b;
    EXPECT_FALSE(b.SetupButton(nullptr, m_folder + L"four.png", 0, 0, 4));
    EXPECT_FALSE(b.SetupButton(m_button, m_folder + L"four.png", 0, 0, 0));
    EXPECT_EQ(nullptr, b.m_hWnd);
}

TEST_F(ImgButtonTest, ClickStillReachesTheParentAsACommand) {
    CImgButton b;
    ASSERT_TRUE(b.SetupButton(m_button, m_folder + L"four.png", 0, 0, 4));
    b.Click();
    ASSERT_EQ(1u, m_parent.m_commands.size());
    EXPECT_EQ(1000, m_parent.m_commands[0]);
}
