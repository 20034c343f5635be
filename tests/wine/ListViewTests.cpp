// The check list and its header, driven through their windows as the main window uses them:
// check-box clicks, the select-all box, deleted rows by list kind, row colours, sorting,
// the header's height and its refused last divider.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CListViewCheck1.h"
#include "WindowMessages.h"
#include "ResultTestSupport.h"
#include "SkinFolder.h"

using resulttests::Near;

namespace {

class ListViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        controls::SetImageFolder(resulttests::SyntheticImageFolder());
        s_parent = new resulttests::CRecordingParent;
        s_parent->CreateSized(760, 400, true);
    }
    static void TearDownTestSuite() {
        delete s_parent;
        s_parent = nullptr;
    }
    void SetUp() override {
        controls::SetImageFolder(resulttests::SyntheticImageFolder());
        s_parent->m_listChecks.clear();
        m_list.m_nRowHeight = 30;
        ASSERT_TRUE(s_parent->m_hWnd);
        ASSERT_TRUE(m_list.CreateList(*s_parent, RECT{0, 0, 700, 360})) << ::GetLastError();
        ASSERT_TRUE(m_list.InitListView());
        m_list.SetExtendedListViewStyle(CListViewCheck1::kExStyle);
    }
    void TearDown() override {
        if (m_list.m_hWnd) ::DestroyWindow(m_list.m_hWnd);
    }
    void AddColumns() {
        m_list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
        m_list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
    }
    void Fill(int rows, int state = 1) {
        AddColumns();
        for (int i = 0; i < rows; ++i) {
            std::wstring name = L"Row " + std::to_wstring(i);
            int row = m_list.AddRow(name.c_str(), L"555");
            m_list.SetItemData(row, static_cast<DWORD_PTR>(1000 + i));
            m_list.SetStateImage(row, state);
        }
    }
    void Click(int x, int y) {
        // The release is queued first: the platform control watches the queue for it
        // while it decides whether the press starts a drag.
        ::PostMessageW(m_list, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        ::SendMessageW(m_list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        testsupport::Pump(5);
    }
    void ClickBox(int row) {
        RECT box = m_list.CheckBoxRect(row);
        Click(box.left + 3, box.top + 3);
    }
    int SelectedRow() { return static_cast<int>(m_list.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }
    std::vector<std::wstring> Column(int column) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < m_list.GetItemCount(); ++i) texts.push_back(m_list.GetItemText(i, column));
        return texts;
    }
    // Asks the parent to draw a row the way the platform does, into `target`.
    RECT DrawRow(int row, HDC target) {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        m_list.SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_LISTVIEW;
        dis.CtlID = CListViewCheck1::kControlId;
        dis.itemID = static_cast<UINT>(row);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = m_list;
        dis.hDC = target;
        dis.rcItem = bounds;
        ::SendMessageW(*s_parent, WM_DRAWITEM, CListViewCheck1::kControlId, reinterpret_cast<LPARAM>(&dis));
        return bounds;
    }
    COLORREF RowPixel(int row, int x, int y) {
        winframe::CClientDC screen(nullptr);
        winframe::CMemoryDC target(screen, 800, 400);
        RECT bounds = DrawRow(row, target);
        return ::GetPixel(target, bounds.left + x, bounds.top + y);
    }
    // Whether any text pixel of the row (right of the marker) is red.
    bool HasRedText(int row) {
        winframe::CClientDC screen(nullptr);
        winframe::CMemoryDC target(screen, 800, 400);
        RECT bounds = DrawRow(row, target);
        for (int x = 50; x < bounds.right - bounds.left; ++x)
            for (int y = 5; y < 25; ++y)
                if (Near(::GetPixel(target, bounds.left + x, bounds.top + y), RGB(255, 0, 0), 60)) return true;
        return false;
    }

    static resulttests::CRecordingParent* s_parent;
    CListViewCheck1 m_list;
};
resulttests::CRecordingParent* ListViewTest::s_parent = nullptr;

}  // namespace

TEST_F(ListViewTest, HeaderIsThirtyPixelsHighAndCarriesTheSelectAllBox) {
    AddColumns();
    RECT header{};
    ::GetWindowRect(m_list.GetHeader(), &header);
    EXPECT_EQ(30, header.bottom - header.top);
    ASSERT_TRUE(m_list.m_header.m_hCheckAll);
    EXPECT_EQ(m_list.GetHeader(), ::GetParent(m_list.m_header.m_hCheckAll));
    winframe::CWindow box(m_list.m_header.m_hCheckAll);
    RECT rc = box.GetRectInParent();
    EXPECT_EQ(5, rc.left);
    EXPECT_EQ(7, rc.top);
    EXPECT_EQ(14, rc.right - rc.left);
    EXPECT_EQ(14, rc.bottom - rc.top);
    EXPECT_EQ(0x50000002u, static_cast<DWORD>(::GetWindowLongW(box, GWL_STYLE)) & 0xFFFF00FFu);

    int row = m_list.AddRow(L"Ada", L"555");
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    m_list.SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    EXPECT_EQ(30, bounds.top) << "rows start below the 30-pixel header";
    EXPECT_EQ(30, bounds.bottom - bounds.top) << "the row height field answers the measure request";
}

TEST_F(ListViewTest, AddRowFillsOneTextPerColumnAndLeavesDataAndCheckToTheOwner) {
    m_list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
    m_list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
    m_list.InsertColumn(2, L"Company", LVCFMT_CENTER, 180);
    m_list.InsertColumn(3, L"Email", LVCFMT_CENTER, 150);
    EXPECT_EQ(0, m_list.AddRow(L"Ada", L"555 0101", L"Acme", L"ada@example.org"));
    EXPECT_EQ(1, m_list.AddRow(L"Bo", L"555 0102"));  // missing texts count as empty
    EXPECT_EQ(L"ada@example.org", m_list.GetItemText(0, 3));
    EXPECT_EQ(L"Acme", m_list.GetItemText(0, 2));
    EXPECT_EQ(L"", m_list.GetItemText(1, 3));
    EXPECT_EQ(0u, m_list.GetItemData(1));
}

TEST_F(ListViewTest, BoxClickTogglesTheRowAndNotifiesWithoutSelecting) {
    Fill(3);
    ClickBox(1);
    EXPECT_EQ(2, m_list.GetStateImage(1));
    EXPECT_EQ(1, m_list.GetStateImage(0));
    EXPECT_EQ(-1, SelectedRow()) << "a box click leaves the selection alone";
    ASSERT_EQ(1u, s_parent->m_listChecks.size());
    EXPECT_EQ(1u, s_parent->m_listChecks[0].first);
    EXPECT_EQ(1, s_parent->m_listChecks[0].second);

    ClickBox(1);
    EXPECT_EQ(1, m_list.GetStateImage(1));
    ASSERT_EQ(2u, s_parent->m_listChecks.size());
    EXPECT_EQ(0, s_parent->m_listChecks[1].second);
}

TEST_F(ListViewTest, ClickBesideTheBoxSelectsTheRowAndSendsNothing) {
    Fill(3);
    RECT box = m_list.CheckBoxRect(2);
    Click(box.right + 60, box.top + 3);
    EXPECT_EQ(2, SelectedRow());
    EXPECT_EQ(1, m_list.GetStateImage(2));
    EXPECT_TRUE(s_parent->m_listChecks.empty());
    // The box's edges: a click just left of it is not on it.
    Click(box.left - 1, box.top + 3);
    EXPECT_TRUE(s_parent->m_listChecks.empty());
}

TEST_F(ListViewTest, SelectAllBoxFollowsTheRows) {
    Fill(3);
    ClickBox(0);
    ClickBox(1);
    EXPECT_FALSE(m_list.m_header.IsCheckAllChecked());
    ClickBox(2);
    EXPECT_TRUE(m_list.m_header.IsCheckAllChecked()) << "checking the last unchecked row sets it";
    ClickBox(1);
    EXPECT_FALSE(m_list.m_header.IsCheckAllChecked()) << "unchecking any row clears it";
}

TEST_F(ListViewTest, SelectAllNotifiesEveryRowEvenWhenNothingChanges) {
    Fill(5, 2);
    ASSERT_FALSE(m_list.m_header.IsCheckAllChecked());
    ::SendMessageW(m_list.m_header.m_hCheckAll, BM_CLICK, 0, 0);
    EXPECT_TRUE(m_list.m_header.IsCheckAllChecked());
    ASSERT_EQ(5u, s_parent->m_listChecks.size());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(static_cast<WPARAM>(i), s_parent->m_listChecks[i].first);
        EXPECT_EQ(1, s_parent->m_listChecks[i].second);
    }
    ::SendMessageW(m_list.m_header.m_hCheckAll, BM_CLICK, 0, 0);
    EXPECT_FALSE(m_list.m_header.IsCheckAllChecked());
    ASSERT_EQ(10u, s_parent->m_listChecks.size());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(1, m_list.GetStateImage(i));
        EXPECT_EQ(0, s_parent->m_listChecks[5 + i].second);
    }
}

TEST_F(ListViewTest, SelectAllOnAnEmptyListSendsNothing) {
    AddColumns();
    ::SendMessageW(m_list.m_header.m_hCheckAll, BM_CLICK, 0, 0);
    EXPECT_TRUE(s_parent->m_listChecks.empty());
}

TEST_F(ListViewTest, RowsAlternateAndShowTheirCheckFrame) {
    Fill(3);
    m_list.SetStateImage(1, 2);
    EXPECT_TRUE(Near(RGB(245, 245, 245), RowPixel(0, 300, 3), 0)) << "row 0 is an even row";
    EXPECT_TRUE(Near(RGB(255, 255, 255), RowPixel(1, 300, 3), 0));
    EXPECT_TRUE(Near(RGB(255, 0, 0), RowPixel(0, 5 + 8, 15), 2)) << "frame 0: unchecked";
    EXPECT_TRUE(Near(RGB(0, 0, 255), RowPixel(1, 5 + 8, 15), 2)) << "frame 2: checked";
    EXPECT_TRUE(Near(RGB(220, 220, 220), RowPixel(0, 0, 15), 0)) << "left border";
    EXPECT_TRUE(Near(RGB(220, 220, 220), RowPixel(0, 300, 29), 0)) << "bottom line";
    m_list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(Near(RGB(161, 219, 238), RowPixel(2, 300, 3), 0));
}

TEST_F(ListViewTest, DeletedRowsShowTheMarkerAndRedTextByListKind) {
    resulttests::CModel model;
    ContactRecord* live = model.AddContact(1, "Ada");
    ContactRecord* gone = model.AddDeletedContact(0, "Bo");
    AddColumns();
    m_list.SetItemData(m_list.AddRow(L"Ada", L"555 0101"), reinterpret_cast<DWORD_PTR>(live));
    m_list.SetItemData(m_list.AddRow(L"Bo", L"555"), reinterpret_cast<DWORD_PTR>(gone));
    m_list.AddRow(L"No data", L"1");
    m_list.m_nListKind = CListViewCheck1::kContacts;
    const int markerX = 16 + 10 + 8;
    EXPECT_TRUE(Near(RGB(255, 0, 255), RowPixel(1, markerX, 15), 2)) << "marker after the box";
    EXPECT_FALSE(Near(RGB(255, 0, 255), RowPixel(0, markerX, 15), 60));
    EXPECT_FALSE(Near(RGB(255, 0, 255), RowPixel(2, markerX, 15), 60)) << "no item data, no marker";
    EXPECT_TRUE(HasRedText(1)) << "deleted text is red";
    EXPECT_FALSE(HasRedText(0));
    EXPECT_TRUE(m_list.IsRowDeleted(1));

    m_list.m_nListKind = CListViewCheck1::kNothing;
    EXPECT_FALSE(Near(RGB(255, 0, 255), RowPixel(1, markerX, 15), 60)) << "kind 0 never marks";
    EXPECT_FALSE(HasRedText(1));

    ConversationRecord* sms = model.AddDeletedSms(0);
    ConversationRecord* thread = model.AddConversation(7);
    m_list.SetItemData(0, reinterpret_cast<DWORD_PTR>(sms));
    m_list.SetItemData(1, reinterpret_cast<DWORD_PTR>(thread));
    m_list.m_nListKind = CListViewCheck1::kConversations;
    EXPECT_TRUE(m_list.IsRowDeleted(0));
    EXPECT_FALSE(m_list.IsRowDeleted(1));
    EXPECT_TRUE(Near(RGB(255, 0, 255), RowPixel(0, markerX, 15), 2));
}

TEST_F(ListViewTest, ColumnClicksSortAscendingThenDescendingAsText) {
    AddColumns();
    const wchar_t* rows[][2] = {{L"b", L"9"}, {L"a", L"10"}, {L"C", L"2"}, {L"d", L"100"}};
    for (auto& r : rows) {
        int i = m_list.AddRow(r[0], r[1]);
        m_list.SetItemData(i, static_cast<DWORD_PTR>(500 + i));
    }
    auto clickColumn = [&](int column) {
        NMLISTVIEW nm{};
        nm.hdr.hwndFrom = m_list;
        nm.hdr.idFrom = CListViewCheck1::kControlId;
        nm.hdr.code = LVN_COLUMNCLICK;
        nm.iItem = -1;
        nm.iSubItem = column;
        ::SendMessageW(*s_parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    };
    clickColumn(1);
    EXPECT_EQ((std::vector<std::wstring>{L"10", L"100", L"2", L"9"}), Column(1)) << "digits sort as text";
    EXPECT_EQ(1, m_list.m_header.m_nSortColumn);
    EXPECT_TRUE(m_list.m_header.m_bSortAsc);
    clickColumn(1);
    EXPECT_EQ((std::vector<std::wstring>{L"9", L"2", L"100", L"10"}), Column(1));
    EXPECT_FALSE(m_list.m_header.m_bSortAsc);
    clickColumn(0);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"C", L"d"}), Column(0)) << "another column: ascending";
    EXPECT_TRUE(m_list.m_header.m_bSortAsc);
    EXPECT_EQ(L"10", m_list.GetItemText(0, 1)) << "rows move whole";
}

TEST_F(ListViewTest, HeaderPaintsTheArrowOfTheSortedColumn) {
    AddColumns();
    m_list.AddRow(L"a", L"1");
    RECT item{};
    winframe::CHeaderCtrl header;
    header.m_hWnd = m_list.GetHeader();
    header.GetItemRect(1, &item);
    m_list.m_header.m_nSortColumn = 1;
    m_list.m_header.m_bSortAsc = TRUE;
    EXPECT_TRUE(Near(RGB(0, 255, 0), resulttests::ScreenPixel(header, item.right - 20 + 5, 15), 2));
    m_list.m_header.m_bSortAsc = FALSE;
    EXPECT_TRUE(Near(RGB(0, 255, 255), resulttests::ScreenPixel(header, item.right - 20 + 5, 15), 2));
    RECT first{};
    header.GetItemRect(0, &first);
    EXPECT_FALSE(Near(RGB(0, 255, 255), resulttests::ScreenPixel(header, first.right - 20 + 5, 15), 40));
    EXPECT_TRUE(Near(RGB(210, 210, 210), resulttests::ScreenPixel(header, item.left, 20), 0)) << "divider";
}

TEST_F(ListViewTest, TheLastDividerRefusesToBeDragged) {
    AddColumns();
    winframe::CHeaderCtrl header;
    header.m_hWnd = m_list.GetHeader();
    auto drag = [&](int x) {
        ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 15));
        ::SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 40, 15));
        ::SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x + 40, 15));
    };
    auto width = [&](int column) {
        return static_cast<int>(m_list.SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    };
    RECT last{};
    header.GetItemRect(1, &last);
    drag(last.right - 1);
    EXPECT_EQ(170, width(1)) << "the last column keeps its width";
    RECT first{};
    header.GetItemRect(0, &first);
    drag(first.right - 1);
    EXPECT_EQ(190, width(0)) << "other dividers can be dragged";
}

TEST_F(ListViewTest, ThePlatformsHiddenBoxNeverTogglesARowSilently) {
    Fill(3);
    RECT box = m_list.CheckBoxRect(1);
    Click(box.left - 3, box.top + 8);  // left of the drawn box, on the platform's state icon
    EXPECT_EQ(1, m_list.GetStateImage(1));
    EXPECT_TRUE(s_parent->m_listChecks.empty());
}

TEST_F(ListViewTest, SpaceTogglesTheFocusedRowWithItsNotification) {
    Fill(3);
    m_list.SetItemState(2, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ::SendMessageW(m_list, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(m_list, WM_CHAR, L' ', 0);
    ::SendMessageW(m_list, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(2, m_list.GetStateImage(2));
    ASSERT_EQ(1u, s_parent->m_listChecks.size());
    EXPECT_EQ(2u, s_parent->m_listChecks[0].first);
    EXPECT_EQ(1, s_parent->m_listChecks[0].second);
}
