// The contact board fed from an in-memory record model: live contacts from their data rows
// with the phone and e-mail type tables and the organisation lines, the character wrap, and
// scrolling. Deleted contacts bring rows of their own and are shown alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CContactInfoBoard.h"
#include "WindowMessages.h"
#include "Handles.h"
#include "ResultTestSupport.h"
#include "SkinFolder.h"
#include "TkFontPool.h"

using resulttests::CModel;

namespace {

class ContactBoardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_parent = new resulttests::CRecordingParent;
        s_parent->CreateSized(984, 674, true);
    }
    static void TearDownTestSuite() { delete s_parent; }
    void SetUp() override {
        controls::SetImageFolder(resulttests::RealImageFolder());
        m_model.AddMimetype(resulttests::kEmailMime, "vnd.android.cursor.item/email_v2");
        m_model.AddMimetype(resulttests::kOrgMime, "vnd.android.cursor.item/organization");
        m_model.AddMimetype(resulttests::kPhoneMime, "vnd.android.cursor.item/phone_v2");
        m_model.AddMimetype(resulttests::kNameMime, "vnd.android.cursor.item/name");
        ASSERT_TRUE(m_board.CreateBoard(*s_parent, &m_model));
    }
    void TearDown() override { m_board.DestroyWindow(); }
    void Show(const ContactRecord* record) {
        m_board.SendMessage(WM_SHOW_CONTACT, 0, reinterpret_cast<LPARAM>(record));
    }
    // The visible lines, as "label=value".
    std::vector<std::wstring> Visible() {
        std::vector<std::wstring> out;
        for (const auto& line : m_board.Lines())
            if (!line->strLabel.empty() || !line->strValue.empty()) out.push_back(line->strLabel + L"=" + line->strValue);
        return out;
    }
    int LineHeight() {
        winframe::CClientDC screen(nullptr);
        winframe::CSelectGuard font(screen, TkFontPool::GetStyledFont(0x100));
        TEXTMETRICW tm{};
        ::GetTextMetricsW(screen, &tm);
        return tm.tmHeight;
    }

    static resulttests::CRecordingParent* s_parent;
    CModel m_model;
    CContactInfoBoard m_board;
};
resulttests::CRecordingParent* ContactBoardTest::s_parent = nullptr;

}  // namespace

TEST_F(ContactBoardTest, PlacesItselfAndStartsEmpty) {
    RECT rc = m_board.GetRectInParent();
    EXPECT_EQ(733, rc.left);
    EXPECT_EQ(34, rc.top);
    EXPECT_EQ(241, rc.right - rc.left);
    EXPECT_EQ(575, rc.bottom - rc.top);
    EXPECT_TRUE(m_board.IsVisible());
    EXPECT_TRUE(m_board.Lines().empty());
}

TEST_F(ContactBoardTest, LiveContactShowsPhoneAndEmailLinesWithTheirTypeLabels) {
    ContactRecord* ada = m_model.AddContact(7, "Ada Quill");
    m_model.AddContact(8, "Other");
    using resulttests::kEmailMime;
    using resulttests::kPhoneMime;
    m_model.AddRow(7, kPhoneMime, "555", "2");
    m_model.AddRow(8, kPhoneMime, "999", "2");  // another contact's row
    m_model.AddRow(7, resulttests::kNameMime, "Ada Quill");
    m_model.AddRow(7, kEmailMime, "a@example.org", "0");
    m_model.AddRow(7, kEmailMime, "b@example.org", "7");
    m_model.AddRow(7, kEmailMime, "w@example.org", "2");
    m_model.AddRow(7, kPhoneMime, "8888", "8");
    m_model.AddRow(7, kPhoneMime, "1212", "12");
    m_model.AddRow(7, kPhoneMime, "1700", "17");
    m_model.AddRow(7, kPhoneMime, "2000", nullptr);   // missing type counts as 0
    m_model.AddRow(7, 99, "unknown mimetype");        // no mimetype name: no visible line
    Show(ada);
    EXPECT_EQ(L"Ada Quill", m_board.Name());
    EXPECT_EQ((std::vector<std::wstring>{L"Mobile=555", L"Email=a@example.org", L"Email=b@example.org",
                                         L"Work Email=w@example.org", L"=8888", L"=1212", L"WorkMobile=1700",
                                         L"=2000"}),
              Visible());
}

TEST_F(ContactBoardTest, EveryPhoneTypeHasItsLabel) {
    const wchar_t* labels[] = {L"",        L"Home",     L"Mobile", L"Work",  L"WorkFax", L"HomeFax", L"Pager",
                               L"Other",   L"",         L"",       L"CompanyMain", L"ISDN", L"", L"OtherFax",
                               L"Radio",   L"Telex",    L"TTY_TTD", L"WorkMobile", L"WorkPager", L"Assistant",
                               L"MMS",     L""};
    ContactRecord* c = m_model.AddContact(1, "Typed");
    for (int type = 0; type <= 21; ++type)
        m_model.AddRow(1, resulttests::kPhoneMime, "1", m_model.Text(std::to_string(type)));
    m_model.AddRow(1, resulttests::kPhoneMime, "1", "-3");
    Show(c);
    auto lines = Visible();
    ASSERT_EQ(23u, lines.size());
    for (int type = 0; type <= 21; ++type) EXPECT_EQ(std::wstring(labels[type]) + L"=1", lines[type]) << type;
    EXPECT_EQ(L"=1", lines[22]);
}

TEST_F(ContactBoardTest, NameSourceOtherThanStructuredNameShowsNoName) {
    ContactRecord* c = m_model.AddContact(3, "Shown only as No Name", kNameSourcePhone);
    Show(c);
    EXPECT_EQ(L"No Name", m_board.Name());
    ContactRecord* nameless = m_model.AddContact(4, nullptr);
    Show(nameless);
    EXPECT_EQ(L"", m_board.Name());
}

TEST_F(ContactBoardTest, OrganisationRowsFillTheThreeOrganisationLines) {
    ContactRecord* c = m_model.AddContact(5, "Org");
    using resulttests::kOrgMime;
    m_model.AddRow(5, kOrgMime, "Acme", "1", nullptr, "Engineer");
    m_model.AddRow(5, kOrgMime, "Beta", "1", "Research", "Chief");
    Show(c);
    EXPECT_EQ(L"Acme", m_board.Company()) << "company from the first row with one";
    EXPECT_EQ(L"Research", m_board.Organisation2());
    EXPECT_EQ(L"Engineer", m_board.Organisation3()) << "data6 while no row had given data5";
    EXPECT_TRUE(Visible().empty()) << "organisation rows give no visible line";

    ContactRecord* d = m_model.AddContact(6, "Org2");
    m_model.AddRow(6, kOrgMime, "Gamma", nullptr, "Sales", "Ignored");
    Show(d);
    EXPECT_EQ(L"Gamma", m_board.Company());
    EXPECT_EQ(L"Sales", m_board.Organisation2());
    EXPECT_EQ(L"", m_board.Organisation3());
}

TEST_F(ContactBoardTest, LinesStackFromY100WithTheFontHeight) {
    ContactRecord* c = m_model.AddContact(9, "Stack");
    m_model.AddRow(9, resulttests::kPhoneMime, "555", "2");
    m_model.AddRow(9, resulttests::kPhoneMime, "", "3");  // empty value: no room
    m_model.AddRow(9, resulttests::kPhoneMime, "556", "1");
    Show(c);
    const auto& lines = m_board.Lines();
    ASSERT_EQ(3u, lines.size());
    int h = LineHeight();
    RECT client = m_board.GetClientRect();
    EXPECT_EQ(RECT({5, 100, 95, 100 + h}).left, lines[0]->rcLabel.left);
    EXPECT_EQ(95, lines[0]->rcLabel.right);
    EXPECT_EQ(100 + h, lines[0]->rcLabel.bottom);
    EXPECT_EQ(100, lines[0]->rcValue.left);
    EXPECT_EQ(client.right - 5, lines[0]->rcValue.right);
    EXPECT_EQ(100 + h, lines[1]->rcValue.top);
    EXPECT_EQ(lines[1]->rcValue.top, lines[1]->rcValue.bottom);
    EXPECT_EQ(100 + h, lines[2]->rcValue.top);
    EXPECT_EQ(client.bottom + 1, m_board.ContentRect().bottom) << "short content: one pixel below the client";
}

TEST_F(ContactBoardTest, WrapLinesBreaksByCharactersAndAtLineFeeds) {
    winframe::CClientDC screen(nullptr);
    winframe::CSelectGuard font(screen, TkFontPool::GetStyledFont(0x100));
    SIZE one{};
    ::GetTextExtentPoint32W(screen, L"0", 1, &one);
    int width = one.cx * 5 + 1;  // five digits fit into width - 1
    std::wstring drawn;
    EXPECT_EQ(0, WrapLines(screen, L"", width, &drawn));
    EXPECT_EQ(1, WrapLines(screen, L"01234", width, &drawn));
    EXPECT_EQ(L"01234", drawn);
    EXPECT_EQ(3, WrapLines(screen, L"0123456789012", width, &drawn));
    EXPECT_EQ(L"01234\r\n56789\r\n012", drawn) << "broken by characters, CR LF inserted";
    WrapLines(screen, L"01 23456789", width, &drawn);
    EXPECT_GT(drawn.find(L"\r\n"), 3u) << "not broken at the space, as a word wrap would";
    EXPECT_EQ(3, WrapLines(screen, L"01\n234\n5", width, &drawn));
    EXPECT_EQ(L"01\n234\n5", drawn) << "a line ended by its own break keeps just that character";
    EXPECT_EQ(1, WrapLines(screen, L"01\n", width, &drawn));
    EXPECT_EQ(3, WrapLines(screen, L"a\r\nb", width, &drawn)) << "CR and LF each end a line";
    EXPECT_EQ(3, WrapLines(screen, L"WWW", 2, &drawn)) << "a character too wide still makes a line";
    std::wstring longValue(20000, L'7');
    EXPECT_EQ(4000, WrapLines(screen, longValue, width)) << "long values stay linear";
}

TEST_F(ContactBoardTest, LongValuesWrapIntoTallerLines) {
    ContactRecord* c = m_model.AddContact(10, "Long");
    m_model.AddRow(10, resulttests::kEmailMime, "averyveryverylongaddress.without.any.space@example.org", "1");
    Show(c);
    const auto& line = *m_board.Lines()[0];
    int lines = (line.rcValue.bottom - line.rcValue.top) / LineHeight();
    EXPECT_GE(lines, 2);
    EXPECT_EQ(line.rcLabel.top + LineHeight(), line.rcLabel.bottom) << "the label keeps one line";
}

TEST_F(ContactBoardTest, ScrollsByBarAndWheelWhenTheLinesDoNotFit) {
    ContactRecord* c = m_model.AddContact(11, "Many");
    for (int i = 0; i < 120; ++i) m_model.AddRow(11, resulttests::kPhoneMime, m_model.Text("555 " + std::to_string(i)), "2");
    Show(c);
    int y = m_board.Lines()[119]->rcValue.bottom;
    ASSERT_EQ(121u, m_board.Lines().size()) << "a 15-pixel spacer closes the content";
    EXPECT_EQ(y, m_board.Lines()[120]->rcValue.top);
    EXPECT_EQ(y + 15, m_board.ContentRect().bottom);
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    ::GetScrollInfo(m_board, SB_VERT, &si);
    EXPECT_EQ(y + 15, si.nMax);
    EXPECT_EQ(static_cast<UINT>(m_board.GetClientRect().bottom), si.nPage);

    m_board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(10, m_board.ScrollOffset());
    m_board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    m_board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(10, m_board.ScrollOffset());
    m_board.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(11, m_board.ScrollOffset());
    m_board.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(11 + static_cast<int>(si.nPage), m_board.ScrollOffset());
    m_board.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(si.nMax - static_cast<int>(si.nPage) + 1, m_board.ScrollOffset()) << "the bar clamps";
    m_board.SendMessage(WM_VSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(si.nMax - static_cast<int>(si.nPage) + 1, m_board.ScrollOffset());
    m_board.SendMessage(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(0, m_board.ScrollOffset());
    m_board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(0, m_board.ScrollOffset()) << "nothing above the top";

    m_board.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
    Show(c);
    EXPECT_EQ(0, m_board.ScrollOffset()) << "a new contact starts at the top";
}

TEST_F(ContactBoardTest, FewLinesLeaveTheBarVisibleButDisabled) {
    ContactRecord* c = m_model.AddContact(12, "Few");
    m_model.AddRow(12, resulttests::kPhoneMime, "555", "2");
    Show(c);
    EXPECT_TRUE(m_board.GetStyle() & WS_VSCROLL);
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    ASSERT_TRUE(::GetScrollBarInfo(m_board, OBJID_VSCROLL, &sbi));
    EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    m_board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(0, m_board.ScrollOffset());
}

TEST_F(ContactBoardTest, PaintsNameAndLinesInTheirColours) {
    ContactRecord* c = m_model.AddContact(13, "WWWWWWWW");
    m_model.AddRow(13, resulttests::kPhoneMime, "88888888888888", "2");
    Show(c);
    EXPECT_TRUE(resulttests::Near(RGB(240, 245, 255), resulttests::ScreenPixel(m_board, 200, 300), 0));
    EXPECT_TRUE(resulttests::Near(RGB(200, 200, 200), resulttests::ScreenPixel(m_board, 0, 300), 0));
    // The name's strokes: some pixel of its rectangle has the name colour.
    bool nameColour = false;
    HDC dc = ::GetDC(m_board);
    for (int x = 97; x < 200 && !nameColour; ++x)
        for (int y = 20; y < 38 && !nameColour; ++y)
            nameColour = resulttests::Near(::GetPixel(dc, x, y), RGB(100, 100, 240), 30);
    ::ReleaseDC(m_board, dc);
    EXPECT_TRUE(nameColour);
}

TEST_F(ContactBoardTest, AValueThousandsOfCharactersLongScrollsToItsEnd) {
    ContactRecord* c = m_model.AddContact(14, "Huge");
    std::string huge(50000, 'x');
    m_model.AddRow(14, resulttests::kPhoneMime, huge.c_str(), "2");
    DWORD start = ::GetTickCount();
    Show(c);
    DWORD shown = ::GetTickCount();
    EXPECT_GT(m_board.ContentRect().bottom, 10000);
    m_board.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    std::printf("50000-character value: shown in %lu ms, scrolled to its end in %lu ms\n",
                static_cast<unsigned long>(shown - start), static_cast<unsigned long>(::GetTickCount() - shown));
    EXPECT_GT(m_board.ScrollOffset(), 10000);
    EXPECT_TRUE(resulttests::Near(RGB(240, 245, 255), resulttests::ScreenPixel(m_board, 50, 300), 0));
}
