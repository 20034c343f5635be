// Speed figures (printed, not asserted): the list filled with 10,000 rows and painted, and
// a conversation of 2,000 messages shown on the message board and scrolled.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CListViewCheck1.h"
#include "CMsgInfoBoard.h"
#include "WindowMessages.h"
#include "ResultTestSupport.h"
#include "SkinFolder.h"

namespace {

constexpr int kRows = 10000;

unsigned long Since(DWORD start) { return static_cast<unsigned long>(::GetTickCount() - start); }

}  // namespace

TEST(Benchmark, DISABLED_ListOf10000RowsFilledAndPainted) {
    controls::SetImageFolder(resulttests::RealImageFolder());
    resulttests::CModel model;
    std::vector<ContactRecord*> records;
    for (int i = 0; i < kRows; ++i) records.push_back(model.AddContact(i, "x"));
    resulttests::CRecordingParent parent;
    ASSERT_TRUE(parent.CreateSized(760, 620, true));
    CListViewCheck1 list;
    list.m_nRowHeight = 30;
    ASSERT_TRUE(list.CreateList(parent, RECT{0, 0, 507, 576}));
    list.InitListView();
    list.SetExtendedListViewStyle(CListViewCheck1::kExStyle);
    list.m_nListKind = CListViewCheck1::kContacts;
    list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
    list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
    list.InsertColumn(2, L"Company", LVCFMT_CENTER, 180);
    list.InsertColumn(3, L"Email", LVCFMT_CENTER, 150);
    // The list is filled hidden and with redrawing off: the platform list then stops laying
    // out its header after every row.
    list.ShowWindow(SW_HIDE);
    list.SendMessage(WM_SETREDRAW, FALSE);
    DWORD start = ::GetTickCount();
    for (int i = 0; i < kRows; ++i) {
        std::wstring name = L"Contact " + std::to_wstring(i);
        int row = list.AddRow(name.c_str(), L"555 0100", L"Acme", L"someone@example.org");
        list.SetItemData(row, reinterpret_cast<DWORD_PTR>(records[static_cast<size_t>(i)]));
        list.SetStateImage(row, 2);
    }
    unsigned long filled = Since(start);
    start = ::GetTickCount();
    list.SendMessage(WM_SETREDRAW, TRUE);
    list.ShowWindow(SW_SHOW);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    unsigned long painted = Since(start);
    start = ::GetTickCount();
    ::SendMessageW(list.m_header.m_hCheckAll, BM_CLICK, 0, 0);
    unsigned long checkAll = Since(start);
    start = ::GetTickCount();
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = list;
    nm.hdr.idFrom = CListViewCheck1::kControlId;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iSubItem = 0;
    ::SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    unsigned long sorted = Since(start);
    std::printf("list of %d rows: filled in %lu ms, painted in %lu ms, select-all in %lu ms, sorted in %lu ms\n",
                kRows, filled, painted, checkAll, sorted);
    EXPECT_EQ(static_cast<size_t>(kRows), parent.m_listChecks.size());
    ::DestroyWindow(list);
}

TEST(Benchmark, DISABLED_ConversationOf2000MessagesShownAndScrolled) {
    controls::SetImageFolder(resulttests::RealImageFolder());
    resulttests::CModel model;
    ConversationRecord* thread = model.AddConversation(1);
    for (int i = 0; i < 2000; ++i)
        model.AddMessage(1, i % 2 ? 2 : 1, model.Text("message number " + std::to_string(i) + " of a long talk"),
                         "2024-05-01 10:00:00");
    resulttests::CRecordingParent parent;
    ASSERT_TRUE(parent.CreateSized(984, 674, true));
    CMsgInfoBoard board;
    ASSERT_TRUE(board.CreateBoard(parent, &model));
    DWORD start = ::GetTickCount();
    board.SendMessage(WM_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(thread));
    ::RedrawWindow(board, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    unsigned long shown = Since(start);
    start = ::GetTickCount();
    for (int i = 0; i < 20; ++i) board.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    unsigned long scrolled = Since(start);
    start = ::GetTickCount();
    board.SendMessage(WM_SHOW_MESSAGE, 0, 0);
    unsigned long cleared = Since(start);
    std::printf("conversation of 2000 messages: shown in %lu ms, 20 wheel notches in %lu ms, cleared in %lu ms\n",
                shown, scrolled, cleared);
    board.DestroyWindow();
}
