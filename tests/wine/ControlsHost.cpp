// controls-host: shows one control or box of the program on its own, for the Wine UI
// tests and their screenshots.
//
//   controls-host [--images DIR] msgbox KIND BUTTONS TEXT   exit code: the box's answer
//   controls-host [--images DIR] about                      exit code: the box's answer
//   controls-host [--images DIR] buttons    image buttons and the animation on a skinned
//                                           window titled "controls-host buttons"
//   controls-host listview                  a list view of three rows, "controls-host list"
//
// Pictures come from DIR, or from the "image" folder beside the host.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "CAboutBox.h"
#include "CAnimateImg.h"
#include "CImgButton.h"
#include "CMsgBox.h"
#include "Controls.h"
#include "GdipImage.h"
#include "SkinFolder.h"
#include "WindowImpl.h"

namespace {

// A skinned window with three image buttons (ids 1000, 1001, 1024) and the animation.
class CButtonsWindow : public winframe::CWindowImpl<CButtonsWindow> {
public:
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_CREATE:
            OnCreate();
            return FALSE;
        case WM_ERASEBKGND:
            result = 1;
            return TRUE;
        case WM_PAINT:
            OnPaint();
            result = 0;
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == 1000) {
                ::DestroyWindow(hwnd);
                result = 0;
                return TRUE;
            }
            break;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return FALSE;
        default:
            break;
        }
        return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
    }
    ~CButtonsWindow() override = default;

private:
    void OnCreate() {
        m_back.Load(controls::ImagePath(L"mainbg1.png"));
        struct Placement {
            int id;
            CImgButton* button;
            const wchar_t* picture;
            int x, frames;
        } placements[] = {{1000, &m_close, L"close.png", -8, 4}, {1001, &m_min, L"min.png", -29, 4},
                     {1024, &m_menu, L"menu.png", -50, 3}};
        for (const Placement& s : placements) {
            HWND b = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10,
                                       m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(s.id)), nullptr, nullptr);
            s.button->SetupButton(b, controls::ImagePath(s.picture), s.x, 5, s.frames);
        }
        HWND stat = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, m_hWnd,
                                      reinterpret_cast<HMENU>(1009), nullptr, nullptr);
        m_anim.LoadStrip(controls::ImagePath(L"animate.png"));
        m_anim.SplitStrip();
        m_anim.m_nInterval = 100;
        if (m_anim.SubclassWindow(stat)) {
            m_anim.PlaceAnim(20, 60, SWP_NOZORDER | SWP_SHOWWINDOW);
            m_anim.StartAnim();
        }
    }
    void OnPaint() {
        winframe::COffscreenPaint paint(m_hWnd);
        paint.Memory().Fill(RGB(30, 110, 140));
        m_back.Draw(paint.Dc(), 0, 0);
        paint.Flush();
        for (CImgButton* b : {&m_close, &m_min, &m_menu}) {
            if (!b->m_hWnd) continue;
            b->GrabBackground(paint.Dc());
            b->Invalidate(FALSE);
        }
    }
    winframe::CGdipImage m_back;
    CImgButton m_close, m_min, m_menu;
    CAnimateImg m_anim;
};

int RunLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

int ShowButtons() {
    CButtonsWindow window;
    RECT rc{100, 100, 100 + 600, 100 + 200};
    if (!window.Create(nullptr, rc, L"controls-host buttons", WS_POPUP | WS_VISIBLE)) return 1;
    return RunLoop();
}

int ShowListView() {
    class CListHost : public winframe::CWindowImpl<CListHost> {
    public:
        BOOL ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) override {
            if (msg == WM_DESTROY) ::PostQuitMessage(0);
            return FALSE;
        }
        ~CListHost() override = default;
    } host;
    RECT rc{100, 100, 500, 300};
    if (!host.Create(nullptr, rc, L"controls-host list", WS_POPUP | WS_VISIBLE)) return 1;
    winframe::CListViewCtrl list;
    list.m_hWnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 400, 200, host,
                                    reinterpret_cast<HMENU>(1004), nullptr, nullptr);
    list.InsertColumn(0, L"Name", LVCFMT_CENTER, 150);
    list.InsertColumn(1, L"Phone", LVCFMT_CENTER, 170);
    const wchar_t* rows[][2] = {{L"Ada Quill", L"555 0101"}, {L"B\u00e9la Fen", L"555 0102"}, {L"Cyd", L""}};
    for (auto& row : rows) {
        int i = list.InsertItem(list.GetItemCount(), row[0]);
        list.SetItemText(i, 1, row[1]);
    }
    return RunLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*prev*/, PWSTR /*cmdLine*/, int /*show*/) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    winframe::SetModuleInstance(instance);
    winframe::CGdiplusSession gdiplus;

    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    ::LocalFree(argv);
    controls::SetImageFolder(controls::DefaultImageFolder());
    if (args.size() >= 2 && args[0] == L"--images") {
        std::wstring dir = args[1];
        if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
        controls::SetImageFolder(dir);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) return 2;
    if (args[0] == L"msgbox" && args.size() >= 4) {
        CMsgBox box;
        return ShowMsgBox(std::stoi(args[1]), static_cast<WORD>(std::stoi(args[2])), args[3].c_str(), box);
    }
    if (args[0] == L"about") {
        CAboutBox about(nullptr);
        return about.Run();
    }
    if (args[0] == L"buttons") return ShowButtons();
    if (args[0] == L"listview") return ShowListView();
    return 2;
}
