// retrievo-driver: drives the windows of other processes for the Wine UI tests.
//
//   wait-window TITLE CLASS MS   first visible top-level window with that exact title and
//                                class ("*" = any), printed as 0x...; exit 1 on time-out
//   wait-gone HWND MS            waits until the window no longer exists
//   count-windows TITLE CLASS    number of visible top-level windows that match
//   child HWND ID                the control with that id
//   rect HWND                    left top width height (in the parent's client area for a
//                                child, on the screen for a top-level window)
//   visible HWND / iconic HWND   prints 1 or 0
//   click HWND [X Y]             real mouse click at a client point (default: the centre)
//   move HWND [X Y]              real mouse move to a client point
//   down / up                    real left-button press / release where the mouse is
//   key HWND VK                  key press posted to the focus window of HWND's thread
//   send HWND MSG WP LP          SendMessage, prints the result; post: PostMessage
//   text HWND                    the window text (UTF-8)
//   lv-items HWND                the texts of a list view, one row per line, TAB-separated
//
// Numbers may be decimal or 0x-hexadecimal. Exit code 0 on success, 1 on failure, 2 on a
// usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

unsigned long Num(const wchar_t* s) { return std::wcstoul(s, nullptr, 0); }
HWND Hwnd(const wchar_t* s) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(Num(s))); }

void PrintUtf8(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

struct Match {
    const wchar_t* title;
    const wchar_t* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* m = reinterpret_cast<Match*>(lp);
    if (!::IsWindowVisible(hwnd)) return TRUE;
    wchar_t title[256] = {}, cls[256] = {};
    ::GetWindowTextW(hwnd, title, 256);
    ::GetClassNameW(hwnd, cls, 256);
    bool titleOk = std::wcscmp(m->title, L"*") == 0 || std::wcscmp(m->title, title) == 0;
    bool classOk = std::wcscmp(m->cls, L"*") == 0 || std::wcscmp(m->cls, cls) == 0;
    if (titleOk && classOk) m->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Find(const wchar_t* title, const wchar_t* cls) {
    Match m{title, cls, {}};
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&m));
    return m.found;
}

POINT ClientPoint(HWND hwnd, int argc, wchar_t** argv, int at) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    POINT pt{(rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2};
    if (argc > at + 1) pt = POINT{static_cast<LONG>(Num(argv[at])), static_cast<LONG>(Num(argv[at + 1]))};
    ::ClientToScreen(hwnd, &pt);
    return pt;
}

void MouseTo(POINT pt) {
    ::SetCursorPos(pt.x, pt.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (pt.x * 65535) / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (pt.y * 65535) / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(100);
}

void MouseButton(DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(60);
}

// Reads the texts of a list view in another process: the item record and the text buffer
// live in memory allocated inside that process.
int ListViewItems(HWND list) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(list, &pid);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 1;
    const SIZE_T textChars = 260;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + textChars * sizeof(wchar_t),
                                    MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) {
        ::CloseHandle(process);
        return 1;
    }
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    if (columns < 1) columns = 1;
    int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        std::wstring line;
        for (int c = 0; c < columns; ++c) {
            LVITEMW item{};
            item.iSubItem = c;
            item.pszText = remoteText;
            item.cchTextMax = static_cast<int>(textChars);
            ::WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(remote));
            wchar_t text[260] = {};
            ::ReadProcessMemory(process, remoteText, text, sizeof(text) - sizeof(wchar_t), nullptr);
            if (c) line += L'\t';
            line += text;
        }
        PrintUtf8(line + L"\n");
    }
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return 0;
}

int Usage() {
    std::fputs("usage: retrievo-driver COMMAND ARGS (see the source for the commands)\n", stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    std::wstring cmd = argv[1];
    auto need = [&](int n) { return argc >= 2 + n; };

    if (cmd == L"wait-window" && need(3)) {
        DWORD timeout = Num(argv[4]), start = ::GetTickCount();
        do {
            std::vector<HWND> found = Find(argv[2], argv[3]);
            if (!found.empty()) {
                std::printf("0x%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(found[0])));
                return 0;
            }
            ::Sleep(50);
        } while (::GetTickCount() - start < timeout);
        return 1;
    }
    if (cmd == L"count-windows" && need(2)) {
        std::printf("%u\n", static_cast<unsigned>(Find(argv[2], argv[3]).size()));
        return 0;
    }
    if (cmd == L"wait-gone" && need(2)) {
        HWND hwnd = Hwnd(argv[2]);
        DWORD timeout = Num(argv[3]), start = ::GetTickCount();
        while (::IsWindow(hwnd)) {
            if (::GetTickCount() - start >= timeout) return 1;
            ::Sleep(50);
        }
        return 0;
    }
    if (cmd == L"child" && need(2)) {
        HWND child = ::GetDlgItem(Hwnd(argv[2]), static_cast<int>(Num(argv[3])));
        if (!child) return 1;
        std::printf("0x%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(child)));
        return 0;
    }
    if (cmd == L"rect" && need(1)) {
        HWND hwnd = Hwnd(argv[2]);
        RECT rc{};
        if (!::GetWindowRect(hwnd, &rc)) return 1;
        HWND parent = (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hwnd) : nullptr;
        if (parent) ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
        std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        return 0;
    }
    if (cmd == L"visible" && need(1)) {
        std::printf("%d\n", ::IsWindowVisible(Hwnd(argv[2])) ? 1 : 0);
        return 0;
    }
    if (cmd == L"iconic" && need(1)) {
        std::printf("%d\n", ::IsIconic(Hwnd(argv[2])) ? 1 : 0);
        return 0;
    }
    if ((cmd == L"click" || cmd == L"move") && need(1)) {
        HWND hwnd = Hwnd(argv[2]);
        if (!::IsWindow(hwnd)) return 1;
        MouseTo(ClientPoint(hwnd, argc, argv, 3));
        if (cmd == L"click") {
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            MouseButton(MOUSEEVENTF_LEFTUP);
        }
        return 0;
    }
    if (cmd == L"down" || cmd == L"up") {
        MouseButton(cmd == L"down" ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
        return 0;
    }
    if (cmd == L"key" && need(2)) {
        HWND hwnd = Hwnd(argv[2]);
        GUITHREADINFO gti{};
        gti.cbSize = sizeof(gti);
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &gti);
        HWND target = gti.hwndFocus ? gti.hwndFocus : hwnd;
        WPARAM vk = Num(argv[3]);
        ::PostMessageW(target, WM_KEYDOWN, vk, 1);
        ::PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
        return 0;
    }
    if ((cmd == L"send" || cmd == L"post") && need(4)) {
        HWND hwnd = Hwnd(argv[2]);
        UINT msg = Num(argv[3]);
        WPARAM wp = Num(argv[4]);
        LPARAM lp = static_cast<LPARAM>(Num(argv[5]));
        if (cmd == L"post") return ::PostMessageW(hwnd, msg, wp, lp) ? 0 : 1;
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, 5000, &result)) return 1;
        std::printf("%lu\n", static_cast<unsigned long>(result));
        return 0;
    }
    if (cmd == L"text" && need(1)) {
        wchar_t text[1024] = {};
        ::SendMessageTimeoutW(Hwnd(argv[2]), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
        PrintUtf8(std::wstring(text) + L"\n");
        return 0;
    }
    if (cmd == L"lv-items" && need(1)) return ListViewItems(Hwnd(argv[2]));
    return Usage();
}
