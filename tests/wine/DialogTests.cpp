// The message box, the About box and the links, run modally as in the program while a
// helper thread looks at the open box and presses its buttons or keys.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "CAboutBox.h"
#include "CMsgBox.h"
#include "CMyHyperLink.h"
#include "HyperLink.h"
#include "ProductInfo.h"
#include "SkinFolder.h"
#include "TestSupport.h"
#include "paddockc.h"

namespace {

std::vector<std::wstring> g_opened;
void RecordUrl(const wchar_t* url) { g_opened.push_back(url); }

BOOL CALLBACK FindVisibleDialog(HWND hwnd, LPARAM lp) {
    wchar_t cls[32] = {};
    ::GetClassNameW(hwnd, cls, 32);
    if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialogOf(DWORD threadId, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    do {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        ::Sleep(20);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

// What the helper saw of one control.
struct Seen {
    RECT rc{};  // in the dialog's client coordinates
    bool visible = false;
};

// Runs `show` (which opens a modal box) on this thread and `act` on a helper thread once
// the box is open. Whatever `act` does, the box is ended afterwards (with its close id) so
// that a failing test cannot hang; `leftOpen` tells whether it had to.
int RunWithHelper(const std::function<int()>& show, const std::function<void(HWND)>& act, int closeId,
                  bool* leftOpen = nullptr) {
    DWORD self = ::GetCurrentThreadId();
    bool stillOpen = false;
    std::thread helper([&] {
        HWND dlg = FindDialogOf(self, 5000);
        if (!dlg) return;
        ::Sleep(150);
        ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        act(dlg);
        for (int i = 0; i < 100 && ::IsWindow(dlg); ++i) ::Sleep(20);
        if (::IsWindow(dlg)) {
            stillOpen = true;
            ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(closeId, BN_CLICKED), 0);
        }
    });
    int code = show();
    helper.join();
    if (leftOpen) *leftOpen = stillOpen;
    return code;
}

Seen Look(HWND dlg, int id) {
    Seen s;
    HWND child = ::GetDlgItem(dlg, id);
    s.visible = child && ::IsWindowVisible(child);
    if (child) {
        ::GetWindowRect(child, &s.rc);
        ::MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&s.rc), 2);
    }
    return s;
}

void Click(HWND dlg, int id) { ::SendMessageW(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Posts a key press to the control that has the focus in the box, as typing would.
void PressKey(HWND dlg, WPARAM vk) {
    GUITHREADINFO gti{};
    gti.cbSize = sizeof(gti);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dlg, nullptr), &gti);
    HWND target = gti.hwndFocus ? gti.hwndFocus : dlg;
    ::PostMessageW(target, WM_KEYDOWN, vk, 1);
    ::PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testsupport::FreshFolder(L"dialogs");
        ASSERT_TRUE(testsupport::WriteSolid(m_folder + L"msgbox.png", 400, 200, 0xFFE8F0F8));
        ASSERT_TRUE(testsupport::WriteSolid(m_folder + L"aboutbk.png", 500, 340, 0xFFEEF4F8));
        ASSERT_TRUE(testsupport::WriteStrip(m_folder + L"close.png", 20, 20,
                                            {0xFFC04040, 0xFFE06060, 0xFF802020, 0xFF808080}));
        for (const wchar_t* name : {L"ok.png", L"yes.png", L"no.png", L"cancel.png"})
            ASSERT_TRUE(testsupport::WriteStrip(m_folder + name, 80, 30,
                                                {0xFF3080C0, 0xFF40A0E0, 0xFF205080, 0xFF808080}));
        for (const wchar_t* name : {L"warn.png", L"error.png", L"info.png", L"right.png"})
            ASSERT_TRUE(testsupport::WriteSolid(m_folder + name, 40, 40, 0xFFF0A000));
        controls::SetImageFolder(m_folder);
        g_opened.clear();
        winframe::SetUrlOpener(RecordUrl);
    }
    void TearDown() override { winframe::SetUrlOpener(nullptr); }

    std::wstring m_folder;
};

}  // namespace

TEST_F(DialogTest, MessageBoxWithOkCentresItAtTheBottomAndAnswers1011) {
    std::map<int, Seen> seen;
    RECT window{};
    bool rounded = false;
    CMsgBox box;
    int code = RunWithHelper(
        [&] { return ShowMsgBox(MSGICON_INFO, MSGBTN_OK, L"Done.", box); },
        [&](HWND dlg) {
            for (int id : {1010, 1011, 1012, 1014, 1015, 1017}) seen[id] = Look(dlg, id);
            ::GetWindowRect(dlg, &window);
            HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
            rounded = ::GetWindowRgn(dlg, rgn) == COMPLEXREGION;
            ::DeleteObject(rgn);
            Click(dlg, 1011);
        },
        1010);
    EXPECT_EQ(1011, code);
    EXPECT_EQ(400, window.right - window.left) << "sized to its background picture";
    EXPECT_EQ(200, window.bottom - window.top);
    EXPECT_TRUE(rounded);
    EXPECT_TRUE(seen[1011].visible);
    EXPECT_EQ(160, seen[1011].rc.left);  // (400 - 80) / 2
    EXPECT_EQ(155, seen[1011].rc.top);   // 200 - 30 - 15
    EXPECT_TRUE(seen[1010].visible);
    EXPECT_EQ(375, seen[1010].rc.left);  // 400 - 20 - 5
    EXPECT_EQ(5, seen[1010].rc.top);
    EXPECT_FALSE(seen[1012].visible);
    EXPECT_FALSE(seen[1014].visible);
    EXPECT_FALSE(seen[1015].visible);
    EXPECT_FALSE(seen[1017].visible);
}

TEST_F(DialogTest, MessageBoxPairsSit40PixelsApartAroundTheCentre) {
    struct Case {
        WORD buttons;
        int first, second, press;
    };
    for (Case c : {Case{MSGBTN_OK | MSGBTN_CANCEL, 1011, 1015, 1015}, Case{MSGBTN_OK | MSGBTN_CANCEL, 1011, 1015, 1011},
                   Case{MSGBTN_YES | MSGBTN_NO, 1012, 1014, 1012}, Case{MSGBTN_YES | MSGBTN_NO, 1012, 1014, 1014},
                   Case{MSGBTN_YES | MSGBTN_NO, 1012, 1014, 1010}}) {
        SCOPED_TRACE(testing::Message() << "buttons " << c.buttons << ", pressing " << c.press);
        std::map<int, Seen> seen;
        CMsgBox box;
        int code = RunWithHelper(
            [&] { return ShowMsgBox(MSGICON_WARNING, c.buttons, L"Are you sure?", box); },
            [&](HWND dlg) {
                for (int id : {1011, 1012, 1014, 1015}) seen[id] = Look(dlg, id);
                Click(dlg, c.press);
            },
            1010);
        EXPECT_EQ(c.press, code);
        EXPECT_TRUE(seen[c.first].visible);
        EXPECT_TRUE(seen[c.second].visible);
        EXPECT_EQ(200 - 20, seen[c.first].rc.right);
        EXPECT_EQ(200 + 20, seen[c.second].rc.left);
        EXPECT_EQ(155, seen[c.first].rc.top);
        EXPECT_EQ(155, seen[c.second].rc.top);
        for (int id : {1011, 1012, 1014, 1015}) {
            if (id != c.first && id != c.second) {
                EXPECT_FALSE(seen[id].visible) << id;
            }
        }
    }
}

TEST_F(DialogTest, EnterAndEscDoNotCloseTheMessageBox) {
    CMsgBox box;
    bool leftOpen = false;
    bool openAfterKeys = false;
    int code = RunWithHelper(
        [&] { return ShowMsgBox(MSGICON_INFO, MSGBTN_OK | MSGBTN_CANCEL, L"Keys do nothing.", box); },
        [&](HWND dlg) {
            PressKey(dlg, VK_RETURN);
            PressKey(dlg, VK_ESCAPE);
            ::PostMessageW(dlg, WM_KEYDOWN, VK_ESCAPE, 1);
            ::PostMessageW(dlg, WM_CLOSE, 0, 0);
            ::Sleep(400);
            openAfterKeys = ::IsWindow(dlg) && ::IsWindowVisible(dlg);
            Click(dlg, 1015);
        },
        1010, &leftOpen);
    EXPECT_TRUE(openAfterKeys);
    EXPECT_EQ(1015, code);
    EXPECT_FALSE(leftOpen);
}

TEST_F(DialogTest, ShortTextTakesOneLineAndWideTextWrapsOnLinesCentred) {
    // A text between two and three text-area widths wide (the area is 400 - 80 = 320).
    std::wstring wide;
    {
        winframe::CClientDC screen(nullptr);
        winframe::CFont font(get_font(L"Arial", 16, 400));
        winframe::CSelectGuard sel(screen, font);
        SIZE size{};
        while (size.cx < 2 * 320 + 20) {
            wide += L"recovered ";
            ::GetTextExtentPoint32W(screen, wide.c_str(), static_cast<int>(wide.size()), &size);
        }
        ASSERT_LT(size.cx, 3 * 320);
    }
    struct Result {
        bool single;
        RECT rc;
        int lineHeight;
    };
    auto run = [&](const std::wstring& text) {
        CMsgBox box;
        Result r{};
        RunWithHelper(
            [&] { return ShowMsgBox(MSGICON_SUCCESS, MSGBTN_OK, text.c_str(), box); },
            [&](HWND dlg) {
                r = Result{box.TextIsSingleLine(), box.TextRect(), box.TextLineHeight()};
                Click(dlg, 1011);
            },
            1010);
        return r;
    };
    Result shortText = run(L"Recovering finished.");
    EXPECT_TRUE(shortText.single);
    EXPECT_EQ(70, shortText.rc.left);
    EXPECT_EQ(390, shortText.rc.right);
    EXPECT_EQ(0, shortText.rc.top);
    EXPECT_EQ(200, shortText.rc.bottom);

    Result wideText = run(wide);
    EXPECT_FALSE(wideText.single);
    ASSERT_GT(wideText.lineHeight, 0);
    EXPECT_EQ(3 * wideText.lineHeight, wideText.rc.bottom - wideText.rc.top);
    EXPECT_EQ((200 - 3 * wideText.lineHeight) / 2, wideText.rc.top);
}

TEST_F(DialogTest, WrappedTextGetsEveryLineItsWordBreaksNeed) {
    // Long words that fill little more than half a line each: counted by width the text
    // needs 3 lines, broken at words it needs 4 (one word per line).
    std::wstring text;
    {
        winframe::CClientDC screen(nullptr);
        winframe::CFont font(get_font(L"Arial", 16, 400));
        winframe::CSelectGuard sel(screen, font);
        std::wstring word = L"W";
        SIZE size{};
        while (size.cx < 170) {
            word += L"w";
            ::GetTextExtentPoint32W(screen, word.c_str(), static_cast<int>(word.size()), &size);
        }
        text = word + L" " + word + L" " + word + L" " + word;
    }
    CMsgBox box;
    RECT rc{};
    int lineHeight = 0;
    RunWithHelper(
        [&] { return ShowMsgBox(MSGICON_INFO, MSGBTN_OK, text.c_str(), box); },
        [&](HWND dlg) {
            rc = box.TextRect();
            lineHeight = box.TextLineHeight();
            Click(dlg, 1011);
        },
        1010);
    ASSERT_GT(lineHeight, 0);
    EXPECT_EQ(4 * lineHeight, rc.bottom - rc.top) << "no line may be cut off";
    EXPECT_EQ((200 - 4 * lineHeight) / 2, rc.top);
}

TEST_F(DialogTest, MessageBoxWithoutPicturesKeepsItsTemplateSizeAndEscAnswersClose) {
    controls::SetImageFolder(testsupport::FreshFolder(L"empty"));
    CMsgBox box;
    RECT window{};
    int code = RunWithHelper(
        [&] { return ShowMsgBox(MSGICON_WARNING, MSGBTN_YES | MSGBTN_NO, L"No pictures at all.", box); },
        [&](HWND dlg) {
            ::GetWindowRect(dlg, &window);
            PressKey(dlg, VK_ESCAPE);
        },
        1011);
    EXPECT_EQ(1010, code);
    EXPECT_GT(window.right - window.left, 100);
    EXPECT_GT(window.bottom - window.top, 50);
}

TEST_F(DialogTest, AboutBoxShowsItsButtonsAndHomePageLink) {
    std::map<int, Seen> seen;
    RECT window{};
    std::wstring linkText;
    COLORREF linkBack = 0;
    CAboutBox about(nullptr);
    int code = RunWithHelper(
        [&] { return about.Run(); },
        [&](HWND dlg) {
            for (int id : {1024, 1026, 1027}) seen[id] = Look(dlg, id);
            ::GetWindowRect(dlg, &window);
            HWND link = ::GetDlgItem(dlg, 1026);
            wchar_t buf[200] = {};
            ::GetWindowTextW(link, buf, 200);
            linkText = buf;
            HDC dc = ::GetDC(link);
            HBRUSH brush = reinterpret_cast<HBRUSH>(
                ::SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link)));
            ::ReleaseDC(link, dc);
            LOGBRUSH lb{};
            if (brush && ::GetObjectW(brush, sizeof(lb), &lb)) linkBack = lb.lbColor;
            // A click on the label opens the home page.
            ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
            Click(dlg, 1027);
        },
        1024);
    EXPECT_EQ(1027, code);
    EXPECT_EQ(500, window.right - window.left);
    EXPECT_EQ(340, window.bottom - window.top);
    EXPECT_EQ(472, seen[1024].rc.left);  // 500 - 20 - 8
    EXPECT_EQ(5, seen[1024].rc.top);
    EXPECT_EQ(400, seen[1027].rc.left);  // 500 - 80 - 20
    EXPECT_EQ(295, seen[1027].rc.top);   // 340 - 30 - 15
    EXPECT_EQ(40, seen[1026].rc.left);
    EXPECT_EQ(270, seen[1026].rc.top);
    EXPECT_GT(seen[1026].rc.right - seen[1026].rc.left, 100) << "sized to its label";
    EXPECT_EQ(CAboutBox::LinkLabel(), linkText);
    EXPECT_EQ(std::wstring(L"Homepage:") + controls::kHomePageUrl, linkText);
    EXPECT_EQ(RGB(238, 244, 248), linkBack);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(controls::kHomePageUrl, g_opened[0]);
}

TEST_F(DialogTest, AboutBoxCloseButtonAnswers1024) {
    CAboutBox about(nullptr);
    int code = RunWithHelper([&] { return about.Run(); }, [&](HWND dlg) { Click(dlg, 1024); }, 1027);
    EXPECT_EQ(1024, code);
}

TEST_F(DialogTest, ProductLinkAlwaysOpensTheProductPage) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(300, 100));
    HWND stat = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, parent,
                                  reinterpret_cast<HMENU>(1034), nullptr, nullptr);
    CMyHyperLink link;
    ASSERT_TRUE(link.SubclassLink(stat));
    link.SetLinkFont(get_font(L"Arial", 16, 400));
    link.SetLabel(L"Have Problems?");
    link.SetHyperLink(L"https://help.quillfen.example/elsewhere");
    link.PlaceAtLabelSize(10, 10);

    // A press on the label released outside it opens nothing.
    link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(250, 2));
    EXPECT_TRUE(g_opened.empty());
    // A click on the label, and Enter or Space, open the product page.
    link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    link.SendMessage(WM_CHAR, VK_RETURN, 0);
    link.SendMessage(WM_CHAR, VK_SPACE, 0);
    link.SendMessage(WM_CHAR, L'x', 0);
    ASSERT_EQ(3u, g_opened.size());
    for (const std::wstring& url : g_opened) EXPECT_EQ(controls::kProductPageUrl, url);
}

TEST_F(DialogTest, PlainLinkOpensItsOwnTarget) {
    testsupport::CReflectingParent parent;
    ASSERT_TRUE(parent.CreateSized(300, 100));
    HWND stat = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, parent,
                                  reinterpret_cast<HMENU>(1034), nullptr, nullptr);
    winframe::CHyperLink link;
    ASSERT_TRUE(link.SubclassLink(stat));
    link.SetLabel(L"target");
    link.SetHyperLink(L"https://www.quillfen.example/target");
    link.SendMessage(WM_CHAR, VK_RETURN, 0);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(L"https://www.quillfen.example/target", g_opened[0]);
}
