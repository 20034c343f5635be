// The window-class layer: binding and unbinding of objects, reflection, default handling
// of reflected messages, no exception crossing a window procedure, empty pictures.
#include <gtest/gtest.h>

#include <stdexcept>

#include "Controls.h"
#include "OwnerDraw.h"
#include "GdipImage.h"
#include "Handles.h"
#include "TestSupport.h"
#include "WindowImpl.h"

using namespace winframe;

namespace {

// A static control subclassed to record what reaches it.
class CRecordingStatic : public CWindowImpl<CRecordingStatic, CStaticT<CWindow>> {
public:
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == OCM_NOTIFY) {
            m_reflectedNotify = reinterpret_cast<NMHDR*>(lp)->code;
            result = 42;
            return TRUE;
        }
        if (msg == OCM_COMMAND) {
            ++m_reflectedCommands;
            return DefaultReflectionHandler(hwnd, msg, wp, lp, result);
        }
        if (msg == WM_USER + 1) throw std::runtime_error("handler failure");
        return FALSE;
    }
    void OnFinalMessage(HWND hwnd) override { m_finalFor = hwnd; }
    UINT m_reflectedNotify = 0;
    int m_reflectedCommands = 0;
    HWND m_finalFor = nullptr;
};

HWND MakeStatic(HWND parent, int id) {
    return ::CreateWindowExW(0, L"STATIC", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

}  // namespace

TEST(WindowLayer, ParentReflectsNotificationsBackToTheSendingChild) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(200, 100));
    CRecordingStatic child;
    ASSERT_TRUE(child.SubclassWindow(MakeStatic(parent, 7)));

    NMHDR hdr{child.m_hWnd, 7, NM_CLICK};
    LRESULT r = parent.SendMessage(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&hdr));
    EXPECT_EQ(static_cast<UINT>(NM_CLICK), child.m_reflectedNotify);
    EXPECT_EQ(42, r);

    parent.SendMessage(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(child.m_hWnd));
    EXPECT_EQ(1, child.m_reflectedCommands);
    // A command without a sending control (a menu, Enter, Esc) is not reflected.
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    EXPECT_EQ(1, child.m_reflectedCommands);
}

TEST(WindowLayer, BindsOnceAndUnbindsAtDestruction) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(200, 100));
    HWND stat = MakeStatic(parent, 8);
    CRecordingStatic first;
    ASSERT_TRUE(first.SubclassWindow(stat));
    CRecordingStatic second;
    EXPECT_FALSE(second.SubclassWindow(stat)) << "a window is bound to one object only";
    EXPECT_FALSE(first.SubclassWindow(MakeStatic(parent, 9))) << "an object has one window";

    ::DestroyWindow(stat);
    EXPECT_EQ(nullptr, first.m_hWnd);
    EXPECT_EQ(stat, first.m_finalFor);
}

TEST(WindowLayer, ObjectDestroyedFirstGivesTheWindowItsProcedureBack) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(200, 100));
    HWND stat = MakeStatic(parent, 8);
    LONG_PTR original = ::GetWindowLongPtrW(stat, GWLP_WNDPROC);
    {
        CRecordingStatic shortLived;
        ASSERT_TRUE(shortLived.SubclassWindow(stat));
        EXPECT_NE(original, ::GetWindowLongPtrW(stat, GWLP_WNDPROC));
    }
    EXPECT_EQ(original, ::GetWindowLongPtrW(stat, GWLP_WNDPROC));
    // The window still works and can be bound again.
    EXPECT_EQ(1, ::SendMessageW(stat, WM_GETTEXTLENGTH, 0, 0));
    CRecordingStatic again;
    EXPECT_TRUE(again.SubclassWindow(stat));
}

TEST(WindowLayer, ExceptionInAHandlerDoesNotLeaveTheWindowProcedure) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(200, 100));
    CRecordingStatic child;
    ASSERT_TRUE(child.SubclassWindow(MakeStatic(parent, 7)));
    EXPECT_EQ(0, child.SendMessage(WM_USER + 1));
    EXPECT_TRUE(child.IsWindow());
}

TEST(WindowLayer, MissingPictureIsEmptyAndDrawsNothing) {
    CGdipImage image;
    EXPECT_FALSE(image.Load(L"C:\\no\\such\\folder\\picture.png"));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(0, image.Width());
    EXPECT_EQ(0, image.Height());
    CClientDC screen(nullptr);
    CMemoryDC mem(screen, 10, 10);
    mem.Fill(RGB(1, 2, 3));
    image.Draw(mem, 0, 0);
    image.DrawScaled(mem, 0, 0, 10, 10);
    EXPECT_EQ(RGB(1, 2, 3), ::GetPixel(mem, 5, 5));
}

TEST(WindowLayer, SelectGuardRestoresThePreviousObject) {
    CClientDC screen(nullptr);
    CMemoryDC mem(screen, 4, 4);
    HGDIOBJ before = ::GetCurrentObject(mem, OBJ_FONT);
    CFont font(::CreateFontW(-20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
    {
        CSelectGuard guard(mem, font);
        EXPECT_EQ(font.Get(), ::GetCurrentObject(mem, OBJ_FONT));
    }
    EXPECT_EQ(before, ::GetCurrentObject(mem, OBJ_FONT));
}

namespace {

// A list view created as a superclass, so that it is ours from its first message: the row
// height request the list sends while it is created comes back to it by reflection.
class COwnerDrawList : public CWindowImpl<COwnerDrawList, CListViewCtrlT<CWindow>>,
                       public COwnerDraw<COwnerDrawList> {
public:
    WINFRAME_WND_SUPERCLASS(L"RetrievoTestList", WC_LISTVIEWW)
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_CREATE) m_sawCreate = true;
        if (ProcessOwnerDraw(msg, wp, lp, result)) return TRUE;
        return DefaultReflectionHandler(hwnd, msg, wp, lp, result);
    }
    void MeasureItem(MEASUREITEMSTRUCT* mis) {
        ++m_measured;
        mis->itemHeight = 30;
    }
    void DrawItem(DRAWITEMSTRUCT* /*dis*/) { ++m_drawn; }
    bool m_sawCreate = false;
    int m_measured = 0;
    int m_drawn = 0;
};

// A modeless dialog from the message box's template, to look at the dialog procedure.
class CProbeDialog : public CDialogImpl<CProbeDialog> {
public:
    enum { IDD = 3100 };
    BOOL ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM /*wp*/, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_INITDIALOG:
            m_initParam = lp;
            result = TRUE;
            return TRUE;
        case WM_NOTIFY:
            result = 1234;  // must reach the sender through DWLP_MSGRESULT
            return TRUE;
        case WM_CTLCOLORSTATIC:
            result = reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
            return TRUE;
        default:
            return FALSE;
        }
    }
    void OnFinalMessage(HWND hwnd) override { m_final = hwnd; }
    LPARAM m_initParam = 0;
    HWND m_final = nullptr;
};

}  // namespace

TEST(WindowLayer, SuperclassedListIsOursFromItsFirstMessage) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(400, 300));
    COwnerDrawList list;
    RECT rc{0, 0, 300, 200};
    ASSERT_TRUE(list.Create(parent, rc, L"datalistview",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL, 0, 1004));
    EXPECT_TRUE(list.m_sawCreate);
    list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
    list.InsertItem(0, L"first");
    list.InsertItem(1, L"second");
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_EQ(L"second", list.GetItemText(1, 0));
    EXPECT_GE(list.m_measured, 1) << "the row-height request reached the list";
    RECT row{};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(list.SendMessage(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
    EXPECT_EQ(30, row.bottom - row.top);
    list.SetStateImage(1, 2);
    EXPECT_EQ(2, list.GetStateImage(1));
}

TEST(WindowLayer, DialogProcedurePassesInitParameterAndResults) {
    CProbeDialog dlg;
    HWND hwnd = dlg.Create(nullptr, 77);
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(77, dlg.m_initParam);
    NMHDR hdr{hwnd, 1, NM_CLICK};
    EXPECT_EQ(1234, ::SendMessageW(hwnd, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&hdr)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH)),
              ::SendMessageW(hwnd, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, 1017))));
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(hwnd, dlg.m_final);
}
