// The formats box, run modally as the window runs it while a helper thread looks at the open
// box, ticks rows and presses its buttons.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "CFormatBox.h"
#include "SkinFolder.h"
#include "TestSupport.h"

namespace {

BOOL CALLBACK FindVisibleBox(HWND hwnd, LPARAM lp) {
    wchar_t cls[32] = {};
    ::GetClassNameW(hwnd, cls, 32);
    if (std::wstring(cls) != L"#32770" || !::IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

HWND FindBoxOf(DWORD threadId, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    do {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, FindVisibleBox, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        ::Sleep(20);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

// Runs the box on this thread and `act` on a helper once it is open; a box `act` left open
// is cancelled, so that a failing test cannot hang.
std::optional<FormatTicks> RunWithHelper(CFormatBox& box, const std::function<void(HWND)>& act,
                                         bool* leftOpen = nullptr) {
    const DWORD self = ::GetCurrentThreadId();
    bool stillOpen = false;
    std::thread helper([&] {
        HWND dlg = FindBoxOf(self, 5000);
        if (!dlg) return;
        ::Sleep(150);
        ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        act(dlg);
        for (int i = 0; i < 50 && ::IsWindow(dlg); ++i) ::Sleep(20);
        if (::IsWindow(dlg)) {
            stillOpen = true;
            ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(CFormatBox::kCancelId, BN_CLICKED), 0);
        }
    });
    std::optional<FormatTicks> chosen = box.Run();
    helper.join();
    if (leftOpen) *leftOpen = stillOpen;
    return chosen;
}

void Click(HWND dlg, int id) { ::SendMessageW(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

RECT RectIn(HWND dlg, int id) {
    RECT rc{};
    ::GetWindowRect(::GetDlgItem(dlg, id), &rc);
    ::MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

class FormatBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testsupport::FreshFolder(L"formatbox");
        ASSERT_TRUE(testsupport::WriteSolid(m_folder + L"msgbox.png", 400, 200, 0xFFE8F0F8));
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"close.png", 20, 20,
                                            {0xFFC04040, 0xFFE06060, 0xFF802020, 0xFF808080}));
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"checkbox.png", 16, 16,
                                            {0xFFFFFFFF, 0xFFEEEEEE, 0xFF2080C0, 0xFF40A0E0}));
        for (const wchar_t* name : {L"ok.png", L"cancel.png"})
            ASSERT_TRUE(testsupport::WriteStrip(m_folder + name, 80, 30,
                                                {0xFF3080C0, 0xFF40A0E0, 0xFF205080, 0xFF808080}));
        controls::SetImageFolder(m_folder);
    }

    std::wstring m_folder;
};

}  // namespace

TEST_F(FormatBoxTest, TextIsTickedAndEveryRowToggles) {
    CFormatBox box;
    RECT window{}, ok{}, cancel{}, close{};
    bool rounded = false;
    bool initial[CFormatBox::kRowCount] = {};
    std::wstring texts[CFormatBox::kRowCount];
    const auto chosen = RunWithHelper(box, [&](HWND dlg) {
        ::GetWindowRect(dlg, &window);
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        rounded = ::GetWindowRgn(dlg, rgn) == COMPLEXREGION;
        ::DeleteObject(rgn);
        ok = RectIn(dlg, CFormatBox::kOkId);
        cancel = RectIn(dlg, CFormatBox::kCancelId);
        close = RectIn(dlg, CFormatBox::kCloseId);
        for (int row = 0; row < CFormatBox::kRowCount; ++row) {
            initial[row] = box.Ticked(row);
            wchar_t text[64] = {};
            ::GetWindowTextW(::GetDlgItem(dlg, CFormatBox::kFirstRowId + row), text, 64);
            texts[row] = text;
        }
        for (int row = 0; row < CFormatBox::kRowCount; ++row) Click(dlg, CFormatBox::kFirstRowId + row);
        Click(dlg, CFormatBox::kFirstRowId + 2);  // ticked and unticked again
        Click(dlg, CFormatBox::kOkId);
    });
    ASSERT_TRUE(chosen.has_value());
    EXPECT_FALSE(chosen->text);
    EXPECT_TRUE(chosen->vcard);
    EXPECT_FALSE(chosen->smsXml);
    EXPECT_TRUE(chosen->csv);
    EXPECT_TRUE(chosen->html);

    EXPECT_TRUE(initial[0]);
    for (int row = 1; row < CFormatBox::kRowCount; ++row) EXPECT_FALSE(initial[row]) << row;
    EXPECT_EQ(L"Text files (.txt)", texts[0]);
    EXPECT_EQ(L"Contacts for phones (.vcf)", texts[1]);
    EXPECT_EQ(L"Messages backup (sms.xml)", texts[2]);
    EXPECT_EQ(L"Spreadsheet (.csv)", texts[3]);
    EXPECT_EQ(L"Report (.html)", texts[4]);
    EXPECT_EQ(400, window.right - window.left) << "as wide as the message box's picture";
    EXPECT_EQ(270, window.bottom - window.top);
    EXPECT_TRUE(rounded);
    EXPECT_EQ(200 - 20, ok.right);  // 40 pixels apart around the centre, 15 above the bottom
    EXPECT_EQ(200 + 20, cancel.left);
    EXPECT_EQ(270 - 30 - 15, ok.top);
    EXPECT_EQ(375, close.left);
    EXPECT_EQ(5, close.top);
}

TEST_F(FormatBoxTest, CancelCloseAndEscChooseNothing) {
    for (const int how : {int{CFormatBox::kCancelId}, int{CFormatBox::kCloseId}, int{IDCANCEL}}) {
        SCOPED_TRACE(how);
        CFormatBox box;
        bool leftOpen = true;
        const auto chosen = RunWithHelper(
            box,
            [&](HWND dlg) {
                Click(dlg, CFormatBox::kFirstRowId + 1);
                if (how == IDCANCEL) {
                    ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                } else {
                    Click(dlg, how);
                }
            },
            &leftOpen);
        EXPECT_FALSE(chosen.has_value());
        EXPECT_FALSE(leftOpen);
    }
}

TEST_F(FormatBoxTest, OkWaitsForATick) {
    CFormatBox box;
    bool closedWithNothing = true;
    bool okEnabledWithNothing = true;
    const auto chosen = RunWithHelper(box, [&](HWND dlg) {
        Click(dlg, CFormatBox::kFirstRowId);  // the text files unticked: nothing is left
        okEnabledWithNothing = ::IsWindowEnabled(::GetDlgItem(dlg, CFormatBox::kOkId)) != FALSE;
        ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(CFormatBox::kOkId, BN_CLICKED), 0);
        ::Sleep(200);
        closedWithNothing = !::IsWindow(dlg);
        Click(dlg, CFormatBox::kFirstRowId + 4);
        Click(dlg, CFormatBox::kOkId);
    });
    EXPECT_FALSE(okEnabledWithNothing);
    EXPECT_FALSE(closedWithNothing);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_FALSE(chosen->text);
    EXPECT_TRUE(chosen->html);
}
