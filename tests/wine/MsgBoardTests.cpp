// The message board fed from an in-memory record model: bubble placement and sides, the
// frame inside each bubble, scrolling in units of 10 pixels, and a long conversation. Deleted
// messages bring a message record of their own and are shown alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CMsgInfoBoard.h"
#include "WindowMessages.h"
#include "Handles.h"
#include "ResultTestSupport.h"
#include "SkinFolder.h"
#include "TkFontPool.h"

using resulttests::CModel;
using resulttests::Near;

namespace {

class MsgBoardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_parent = new resulttests::CRecordingParent;
        s_parent->CreateSized(984, 674, true);
    }
    static void TearDownTestSuite() { delete s_parent; }
    void SetUp() override {
        controls::SetImageFolder(resulttests::RealImageFolder());
        ASSERT_TRUE(m_board.CreateBoard(*s_parent, &m_model));
    }
    void TearDown() override { m_board.DestroyWindow(); }
    void Show(const ConversationRecord* record) {
        m_board.SendMessage(WM_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(record));
    }
    static SIZE Measure(const std::wstring& text) {
        winframe::CClientDC screen(nullptr);
        winframe::CSelectGuard font(screen, TkFontPool::GetStyledFont(0x200));
        SIZE size{};
        ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
        return size;
    }
    RECT Placed(const CMsgInfoItem& bubble) { return bubble.GetRectInParent(); }
    SCROLLINFO Bar() {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        ::GetScrollInfo(m_board, SB_VERT, &si);
        return si;
    }

    static resulttests::CRecordingParent* s_parent;
    CModel m_model;
    CMsgInfoBoard m_board;
};
resulttests::CRecordingParent* MsgBoardTest::s_parent = nullptr;

}  // namespace

TEST_F(MsgBoardTest, PlacesItselfAndPaintsItsBackground) {
    RECT rc = m_board.GetRectInParent();
    EXPECT_EQ(723, rc.left);
    EXPECT_EQ(34, rc.top);
    EXPECT_EQ(251, rc.right - rc.left);
    EXPECT_EQ(575, rc.bottom - rc.top);
    EXPECT_TRUE(Near(RGB(244, 247, 250), resulttests::ScreenPixel(m_board, 100, 100), 0));
    EXPECT_TRUE(Near(RGB(200, 200, 200), resulttests::ScreenPixel(m_board, 0, 100), 0));
}

TEST_F(MsgBoardTest, BubblesStackFromThirtyAlternatingSides) {
    ConversationRecord* thread = m_model.AddConversation(4);
    m_model.AddMessage(4, 1, "Hello", "2024-05-01 10:00:00");
    m_model.AddMessage(9, 1, "another thread", "2024-05-01 10:00:30");
    m_model.AddMessage(4, 2, "Hi there", "2024-05-01 10:01:00");
    m_model.AddMessage(4, 1, "", "2024-05-01 10:01:30");  // an empty body gives no bubble
    m_model.AddMessage(4, 1, "Bye", "2024-05-01 10:02:00");
    Show(thread);
    const auto& bubbles = m_board.Bubbles();
    ASSERT_EQ(3u, bubbles.size());
    int h1 = bubbles[0]->m_nHeight, h2 = bubbles[1]->m_nHeight;
    EXPECT_EQ(30, Placed(*bubbles[0]).top);
    EXPECT_EQ(30 + h1, Placed(*bubbles[1]).top);
    EXPECT_EQ(30 + h1 + h2, Placed(*bubbles[2]).top);
    for (const auto& b : bubbles) {
        EXPECT_EQ(10, Placed(*b).left);
        EXPECT_EQ(215, Placed(*b).right - Placed(*b).left);
    }
    EXPECT_EQ(CMsgInfoItem::kReceived, bubbles[0]->m_nDirection);
    EXPECT_EQ(CMsgInfoItem::kSent, bubbles[1]->m_nDirection);
    EXPECT_EQ(CMsgInfoItem::kReceived, bubbles[2]->m_nDirection);
    EXPECT_EQ(L"2024-05-01 10:00:00", bubbles[0]->m_strCaption);
    EXPECT_EQ(L"Hi there", bubbles[1]->m_strBody);
}

TEST_F(MsgBoardTest, FramesSitLeftForReceivedAndEndAt215ForSent) {
    ConversationRecord* thread = m_model.AddConversation(5);
    m_model.AddMessage(5, 1, "Hello");
    m_model.AddMessage(5, 2, "Hello");
    Show(thread);
    SIZE text = Measure(L"Hello");
    ASSERT_LE(text.cx, 160);
    const CMsgInfoItem& in = *m_board.Bubbles()[0];
    const CMsgInfoItem& out = *m_board.Bubbles()[1];
    EXPECT_EQ(0, in.m_rcFrame.left);
    EXPECT_EQ(30, in.m_rcFrame.top);
    EXPECT_EQ(text.cx + 30, in.m_rcFrame.right) << "the frame is 30 pixels wider than the text";
    EXPECT_EQ(text.cy + 63, in.m_rcFrame.bottom);
    EXPECT_EQ(text.cy + 63, in.m_nHeight);
    EXPECT_EQ(215, out.m_rcFrame.right);
    EXPECT_EQ(215 - (text.cx + 30) - 1, out.m_rcFrame.left);
    EXPECT_EQ(30, out.m_rcFrame.top) << "the skin library's sub-rectangle has no height";
    EXPECT_EQ(30 + text.cy + 36, out.m_rcFrame.bottom);
    EXPECT_EQ(text.cy + 66, out.m_nHeight);
}

TEST_F(MsgBoardTest, LongBodiesWrapInto160PixelPieces) {
    std::string body;
    while (Measure(std::wstring(body.begin(), body.end())).cx <= 320) body += "word ";
    ConversationRecord* thread = m_model.AddConversation(6);
    m_model.AddMessage(6, 1, body.c_str());
    Show(thread);
    SIZE text = Measure(std::wstring(body.begin(), body.end()));
    const CMsgInfoItem& b = *m_board.Bubbles()[0];
    EXPECT_EQ(160 + 30, b.m_rcFrame.right);
    EXPECT_EQ(3 * text.cy + 63, b.m_nHeight) << "more than 320 pixels: three lines";
}

TEST_F(MsgBoardTest, BubblesPaintTheirSideColours) {
    ConversationRecord* thread = m_model.AddConversation(7);
    m_model.AddMessage(7, 1, "i");
    m_model.AddMessage(7, 2, "o");
    Show(thread);
    const CMsgInfoItem& in = *m_board.Bubbles()[0];
    const CMsgInfoItem& out = *m_board.Bubbles()[1];
    // The middle of the inner rectangle, right of the one-letter text.
    EXPECT_TRUE(Near(RGB(216, 216, 216), resulttests::ScreenPixel(in, in.m_rcFrame.right - 13, in.m_rcFrame.bottom - 19), 0));
    EXPECT_TRUE(Near(RGB(136, 193, 33), resulttests::ScreenPixel(out, out.m_rcFrame.right - 19, out.m_rcFrame.bottom - 19), 0));
    EXPECT_TRUE(Near(RGB(244, 247, 250), resulttests::ScreenPixel(out, 2, 40), 0)) << "left of a sent frame: board colour";
}

TEST_F(MsgBoardTest, NoRecordEmptiesTheBoard) {
    ConversationRecord* thread = m_model.AddConversation(8);
    m_model.AddMessage(8, 1, "x");
    Show(thread);
    HWND first = m_board.Bubbles()[0]->m_hWnd;
    Show(nullptr);
    EXPECT_TRUE(m_board.Bubbles().empty());
    EXPECT_FALSE(::IsWindow(first)) << "bubble windows are destroyed";
}

TEST_F(MsgBoardTest, AddBubbleRefusesAnEmptyBodyOrAMissingBoard) {
    EXPECT_EQ(0, m_board.AddBubble(L"", L"c", m_board, CMsgInfoItem::kReceived));
    EXPECT_EQ(0, m_board.AddBubble(L"x", L"c", nullptr, CMsgInfoItem::kReceived));
    EXPECT_EQ(1, m_board.AddBubble(L"x", L"c", m_board, CMsgInfoItem::kReceived));
    EXPECT_EQ(1u, m_board.Bubbles().size());
}

TEST_F(MsgBoardTest, ScrollsInUnitsOfTenPixels) {
    ConversationRecord* thread = m_model.AddConversation(10);
    for (int i = 0; i < 30; ++i) m_model.AddMessage(10, i % 2 ? 2 : 1, m_model.Text("message " + std::to_string(i)));
    Show(thread);
    int total = 30;
    for (const auto& b : m_board.Bubbles()) total += b->m_nHeight;
    SCROLLINFO si = Bar();
    EXPECT_EQ(total / 10, si.nMax);
    EXPECT_EQ(static_cast<UINT>(m_board.GetClientRect().bottom / 10), si.nPage);
    const CMsgInfoItem& second = *m_board.Bubbles()[1];
    int top = second.GetRectInParent().top;

    m_board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(5, m_board.ScrollPos());
    EXPECT_EQ(top - 50, second.GetRectInParent().top) << "a wheel notch scrolls 50 pixels";
    m_board.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(top - 60, second.GetRectInParent().top);
    m_board.SendMessage(WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(0, m_board.ScrollPos());
    EXPECT_EQ(top, second.GetRectInParent().top);
    EXPECT_EQ(top, second.m_nTop) << "the stored top stays unscrolled";
    m_board.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(si.nMax - static_cast<int>(si.nPage) + 1, m_board.ScrollPos());

    Show(thread);
    EXPECT_EQ(0, m_board.ScrollPos()) << "another conversation starts at the top";
    EXPECT_EQ(30, m_board.Bubbles()[0]->GetRectInParent().top);
}

TEST_F(MsgBoardTest, ShortConversationLeavesTheBarDisabled) {
    ConversationRecord* thread = m_model.AddConversation(11);
    m_model.AddMessage(11, 1, "one");
    Show(thread);
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    ASSERT_TRUE(::GetScrollBarInfo(m_board, OBJID_VSCROLL, &sbi));
    EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
}
