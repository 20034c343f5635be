// The category tree as the main window sets it up: root and two categories with counts,
// the node-click rules and their notifications, double clicks, labels and painting.
#include <gtest/gtest.h>

#include <string>

#include "CTreeViewEx1.h"
#include "WindowMessages.h"
#include "GdipImage.h"
#include "ResultTestSupport.h"
#include "SkinFolder.h"

using resulttests::Near;

namespace {

// What the load worker does at the end of a pass.
struct CountJob {
    CTreeViewEx1* tree;
    HTREEITEM item;
};
DWORD WINAPI SetCountOnWorker(void* p) {
    auto* job = static_cast<CountJob*>(p);
    job->tree->SetCategoryCount(job->item, L"Message (7)", 7);
    return 0;
}

class TreeViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        controls::SetImageFolder(resulttests::SyntheticImageFolder());
        s_parent = new resulttests::CRecordingParent;
        s_parent->CreateSized(400, 620, true);
        s_icon = new winframe::CGdipImage;
        s_icon->Load(controls::ImagePath(L"contacts.png"));
    }
    static void TearDownTestSuite() {
        delete s_parent;
        delete s_icon;
    }
    void SetUp() override {
        controls::SetImageFolder(resulttests::SyntheticImageFolder());
        s_parent->m_treeChecks.clear();
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | TVS_HASBUTTONS | TVS_LINESATROOT |
                      TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS | TVS_CHECKBOXES | TVS_FULLROWSELECT;
        HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"", style, 1, 32, 221, 577, *s_parent,
                                      reinterpret_cast<HMENU>(1003), nullptr, nullptr);
        ASSERT_TRUE(tree);
        m_tree.m_nItemHeight = 25;
        ASSERT_TRUE(m_tree.InitTreeView(tree));
        m_root = m_tree.InsertItem(L"android phone", TVI_ROOT, TVI_LAST, 0, TRUE);
        m_contacts = m_tree.AddCategory(m_root, 0, L"Contacts", s_icon);
        m_messages = m_tree.AddCategory(m_root, 1, L"Message", s_icon);
        ASSERT_TRUE(m_root && m_contacts && m_messages);
        m_tree.Expand(m_root);
        for (HTREEITEM item : {m_root, m_contacts, m_messages}) m_tree.SetStateImage(item, 1);
    }
    void TearDown() override {
        if (m_tree.m_hWnd) ::DestroyWindow(m_tree.m_hWnd);
    }
    void SetCounts(int contacts, int messages) {
        m_tree.SetCategoryCount(m_contacts, (L"Contacts (" + std::to_wstring(contacts) + L")").c_str(), contacts);
        m_tree.SetCategoryCount(m_messages, (L"Message (" + std::to_wstring(messages) + L")").c_str(), messages);
    }
    void Click(int x, int y) {
        // The release is queued first: the platform control watches the queue for it
        // while it decides whether the press starts a drag.
        ::PostMessageW(m_tree, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        ::SendMessageW(m_tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        testsupport::Pump(5);
    }
    void ClickBox(HTREEITEM item) {
        RECT box = m_tree.CheckBoxHitRect(item);
        Click(box.left + 4, box.top + 4);
    }
    void ClickLabel(HTREEITEM item) {
        RECT text{};
        m_tree.GetItemRect(item, &text, TRUE);
        Click(text.left + 3, (text.top + text.bottom) / 2);
    }
    int State(HTREEITEM item) { return m_tree.GetStateImage(item); }
    std::wstring Text(HTREEITEM item) {
        wchar_t buf[64] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buf;
        tv.cchTextMax = 64;
        m_tree.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return buf;
    }
    using Check = std::pair<WPARAM, LPARAM>;
    Check Notified(HTREEITEM item, LPARAM value) { return Check(reinterpret_cast<WPARAM>(item), value); }

    static resulttests::CRecordingParent* s_parent;
    static winframe::CGdipImage* s_icon;
    CTreeViewEx1 m_tree;
    HTREEITEM m_root = nullptr, m_contacts = nullptr, m_messages = nullptr;
};
resulttests::CRecordingParent* TreeViewTest::s_parent = nullptr;
winframe::CGdipImage* TreeViewTest::s_icon = nullptr;

}  // namespace

TEST_F(TreeViewTest, RootBoxSetsBothCategoriesAndNotifiesEachChangedOne) {
    SetCounts(12, 5);
    ClickBox(m_root);
    EXPECT_EQ(2, State(m_root));
    EXPECT_EQ(2, State(m_contacts));
    EXPECT_EQ(2, State(m_messages));
    ASSERT_EQ(2u, s_parent->m_treeChecks.size());
    EXPECT_EQ(Notified(m_contacts, 1), s_parent->m_treeChecks[0]);
    EXPECT_EQ(Notified(m_messages, 1), s_parent->m_treeChecks[1]);

    ClickBox(m_root);
    EXPECT_EQ(1, State(m_root));
    EXPECT_EQ(1, State(m_contacts));
    EXPECT_EQ(1, State(m_messages));
    ASSERT_EQ(4u, s_parent->m_treeChecks.size());
    EXPECT_EQ(Notified(m_contacts, 0), s_parent->m_treeChecks[2]);
    EXPECT_EQ(Notified(m_messages, 0), s_parent->m_treeChecks[3]);
    EXPECT_EQ(nullptr, m_tree.GetSelectedItem()) << "box clicks leave the selection alone";
}

TEST_F(TreeViewTest, RootBoxNotifiesOnlyTheCategoriesThatChange) {
    SetCounts(12, 5);
    m_tree.SetStateImage(m_contacts, 2);
    ClickBox(m_root);
    ASSERT_EQ(1u, s_parent->m_treeChecks.size());
    EXPECT_EQ(Notified(m_messages, 1), s_parent->m_treeChecks[0]);
    EXPECT_EQ(2, State(m_contacts));
    EXPECT_EQ(2, State(m_messages));
}

TEST_F(TreeViewTest, RootBoxAlsoSetsEmptyCategories) {
    SetCounts(0, 5);
    ClickBox(m_root);
    EXPECT_EQ(2, State(m_contacts));
    EXPECT_EQ(2u, s_parent->m_treeChecks.size());
}

TEST_F(TreeViewTest, CategoryBoxReevaluatesTheRootWithoutNotifyingIt) {
    SetCounts(0, 5);
    ClickBox(m_messages);
    EXPECT_EQ(2, State(m_messages));
    EXPECT_EQ(2, State(m_root)) << "the empty category does not count";
    ASSERT_EQ(1u, s_parent->m_treeChecks.size());
    EXPECT_EQ(Notified(m_messages, 1), s_parent->m_treeChecks[0]);

    ClickBox(m_messages);
    EXPECT_EQ(1, State(m_messages));
    EXPECT_EQ(1, State(m_root));
    ASSERT_EQ(2u, s_parent->m_treeChecks.size());
    EXPECT_EQ(Notified(m_messages, 0), s_parent->m_treeChecks[1]);
}

TEST_F(TreeViewTest, UncheckingOneOfTwoFullCategoriesUnchecksTheRoot) {
    SetCounts(3, 5);
    ClickBox(m_root);
    ClickBox(m_contacts);
    EXPECT_EQ(1, State(m_contacts));
    EXPECT_EQ(1, State(m_root));
    ClickBox(m_contacts);
    EXPECT_EQ(2, State(m_root));
}

TEST_F(TreeViewTest, EmptyCategoryIgnoresClicks) {
    SetCounts(0, 5);
    ClickLabel(m_contacts);
    ClickBox(m_contacts);
    EXPECT_EQ(nullptr, m_tree.GetSelectedItem());
    EXPECT_EQ(1, State(m_contacts));
    EXPECT_TRUE(s_parent->m_treeChecks.empty());

    ClickLabel(m_messages);
    EXPECT_EQ(m_messages, m_tree.GetSelectedItem()) << "a full category is selected by the platform";
    EXPECT_TRUE(s_parent->m_treeChecks.empty());
}

TEST_F(TreeViewTest, DoubleClickNeitherCollapsesNorExpands) {
    SetCounts(1, 1);
    RECT text{};
    m_tree.GetItemRect(m_root, &text, TRUE);
    LPARAM at = MAKELPARAM(text.left + 3, (text.top + text.bottom) / 2);
    ::SendMessageW(m_tree, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    EXPECT_TRUE(m_tree.GetItemState(m_root, TVIS_EXPANDED) & TVIS_EXPANDED);
}

TEST_F(TreeViewTest, CountsGoIntoCategoryLabelsOnly) {
    SetCounts(12, 0);
    EXPECT_EQ(L"Contacts (12)", Text(m_contacts));
    EXPECT_EQ(12, m_tree.GetCategory(m_contacts)->nCount);
    EXPECT_EQ(0, m_tree.GetCategory(m_messages)->nCount);
    m_tree.SetCategoryCount(m_root, L"root (3)", 3);
    EXPECT_EQ(L"android phone", Text(m_root)) << "a node without record is left alone";
    m_tree.SetCategoryCount(m_contacts, nullptr, 4);
    EXPECT_EQ(L"Contacts (12)", Text(m_contacts)) << "no text keeps the label";
    EXPECT_EQ(4, m_tree.GetCategory(m_contacts)->nCount);
    EXPECT_TRUE(m_tree.IsParentNode(m_root));
    EXPECT_FALSE(m_tree.IsParentNode(m_contacts));
}

TEST_F(TreeViewTest, SetCategoryCountFromAWorkerThread) {
    CountJob job{&m_tree, m_messages};
    HANDLE worker = ::CreateThread(nullptr, 0, SetCountOnWorker, &job, 0, nullptr);
    ASSERT_TRUE(worker);
    while (::MsgWaitForMultipleObjects(1, &worker, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        testsupport::Pump(1);
    ::CloseHandle(worker);
    EXPECT_EQ(L"Message (7)", Text(m_messages));
    EXPECT_EQ(7, m_tree.GetCategory(m_messages)->nCount);
}

TEST_F(TreeViewTest, PaintsBoxesGradientAndGreyedEmptyCategory) {
    SetCounts(0, 5);
    m_tree.SetStateImage(m_root, 2);
    m_tree.SelectItem(m_messages);
    RECT root{}, contacts{}, messages{};
    m_tree.GetItemRect(m_root, &root, FALSE);
    m_tree.GetItemRect(m_contacts, &contacts, FALSE);
    m_tree.GetItemRect(m_messages, &messages, FALSE);
    const int fw = 16;
    EXPECT_TRUE(Near(RGB(0, 0, 255), resulttests::ScreenPixel(m_tree, root.left + 16 + 10 + 8, root.top + 12), 2))
        << "root checked: frame 3 after a 16-pixel expander";
    EXPECT_TRUE(Near(RGB(0, 0, 0), resulttests::ScreenPixel(m_tree, root.left + 16 + fw + 15 + 7, root.top + 12), 2))
        << "root icon";
    EXPECT_TRUE(Near(RGB(128, 128, 128), resulttests::ScreenPixel(m_tree, contacts.left + fw + 36 + 8, contacts.top + 12), 2))
        << "empty category: disabled frame 4";
    EXPECT_TRUE(Near(RGB(255, 0, 0), resulttests::ScreenPixel(m_tree, messages.left + fw + 36 + 8, messages.top + 12), 2))
        << "unchecked category: frame 0";
    int textLeft = messages.left + 20 + 2 * fw + 46;
    EXPECT_TRUE(Near(RGB(168, 229, 246), resulttests::ScreenPixel(m_tree, textLeft, messages.top + 1), 6))
        << "selection gradient starts at the text";
    EXPECT_TRUE(Near(RGB(255, 255, 255), resulttests::ScreenPixel(m_tree, textLeft, contacts.top + 1), 0));
}

TEST_F(TreeViewTest, ThePlatformsHiddenBoxNeverTogglesANodeSilently) {
    SetCounts(3, 5);
    RECT line{};
    m_tree.GetItemRect(m_messages, &line, FALSE);
    RECT box = m_tree.CheckBoxHitRect(m_messages);
    for (int x = line.left; x < box.left; x += 2) Click(x, box.top + 8);
    m_tree.GetItemRect(m_root, &line, FALSE);
    box = m_tree.CheckBoxHitRect(m_root);
    for (int x = line.left + 17; x < box.left; x += 2) Click(x, box.top + 8);  // right of the expander
    EXPECT_EQ(1, State(m_messages));
    EXPECT_EQ(1, State(m_root));
    EXPECT_TRUE(s_parent->m_treeChecks.empty());
}

TEST_F(TreeViewTest, SpaceTogglesTheSelectedNodeByTheSameRules) {
    SetCounts(0, 5);
    m_tree.SelectItem(m_messages);
    ::SendMessageW(m_tree, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(m_tree, WM_CHAR, L' ', 0);
    EXPECT_EQ(2, State(m_messages));
    EXPECT_EQ(2, State(m_root));
    ASSERT_EQ(1u, s_parent->m_treeChecks.size());
    EXPECT_EQ(Notified(m_messages, 1), s_parent->m_treeChecks[0]);
}
