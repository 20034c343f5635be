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
//   lv-checks HWND               each row's state image (1 unchecked, 2 checked), one a line
//   lv-rect HWND ROW             left top width height of a row, in the list's client area
//   tv-items HWND                every item of a tree view in display order (parents before
//                                their children), one a line: state image, depth, text,
//                                TAB-separated
//   tv-select HWND INDEX         selects the INDEX-th item of that order (as the caret)
//   tv-rect HWND INDEX           left top width height of that item's label, in the tree's
//                                client area; exit 1 when it is not visible
//   wait-visible HWND MS         waits until the window is visible
//   wait-window-text TEXT CLASS MS
//                                first visible top-level window whose text contains TEXT
//                                and whose class is CLASS ("*" = any)
//   wait-owned OWNER CLASS MS    first visible top-level window of that class owned by OWNER
//   find-child HWND CLASS        the first window of that class below HWND, at any depth
//   count-children HWND CLASS    number of windows of that class below HWND, at any depth
//
// Numbers may be decimal or 0x-hexadecimal. Exit code 0 on success, 1 on failure, 2 on a
// usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
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

// Memory inside the process that owns a window: the control messages that take pointers
// (item records, text buffers, rectangles) need their memory in the control's process.
// Freed, with the process handle, when the object goes.
class RemoteMemory {
public:
    RemoteMemory(HWND window, SIZE_T size) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process) m_base = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (m_base) ::VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
        if (m_process) ::CloseHandle(m_process);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Valid() const { return m_base != nullptr; }
    void* At(SIZE_T offset) const { return static_cast<char*>(m_base) + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
        return ::WriteProcessMemory(m_process, At(offset), data, size, nullptr) != FALSE;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const {
        return ::ReadProcessMemory(m_process, At(offset), data, size, nullptr) != FALSE;
    }

private:
    HANDLE m_process = nullptr;
    void* m_base = nullptr;
};

void PrintRect(const RECT& rc) {
    std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

// Reads the texts of a list view in another process: the item record and the text buffer
// live in memory allocated inside that process.
int ListViewItems(HWND list) {
    const SIZE_T textChars = 260;
    RemoteMemory remote(list, sizeof(LVITEMW) + textChars * sizeof(wchar_t));
    if (!remote.Valid()) return 1;
    auto* remoteText = static_cast<wchar_t*>(remote.At(sizeof(LVITEMW)));
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
            remote.Write(0, &item, sizeof(item));
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(remote.At(0)));
            wchar_t text[260] = {};
            remote.Read(sizeof(LVITEMW), text, sizeof(text) - sizeof(wchar_t));
            if (c) line += L'\t';
            line += text;
        }
        PrintUtf8(line + L"\n");
    }
    return 0;
}

// A row's bounds: the rectangle's left member tells the list which part is wanted.
int ListViewRowRect(HWND list, int row) {
    RemoteMemory remote(list, sizeof(RECT));
    if (!remote.Valid()) return 1;
    RECT rc{LVIR_BOUNDS, 0, 0, 0};
    remote.Write(0, &rc, sizeof(rc));
    if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.At(0))))
        return 1;
    remote.Read(0, &rc, sizeof(rc));
    PrintRect(rc);
    return 0;
}

int ListViewChecks(HWND list) {
    int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        UINT state = static_cast<UINT>(::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(r), LVIS_STATEIMAGEMASK));
        std::printf("%u\n", (state & LVIS_STATEIMAGEMASK) >> 12);
    }
    return 0;
}

struct TreeItem {
    HTREEITEM item;
    int depth;
};

// Every item of a tree in display order: an item, then its children, then its next
// sibling. A tree holds finitely many items and each is visited once.
std::vector<TreeItem> TreeItems(HWND tree) {
    std::vector<TreeItem> items;
    std::vector<TreeItem> pending;
    auto send = [&](UINT code, HTREEITEM from) {
        return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(from)));
    };
    std::vector<TreeItem> roots;
    for (HTREEITEM root = send(TVGN_ROOT, nullptr); root; root = send(TVGN_NEXT, root)) roots.push_back({root, 0});
    pending.assign(roots.rbegin(), roots.rend());
    while (!pending.empty()) {
        TreeItem current = pending.back();
        pending.pop_back();
        items.push_back(current);
        std::vector<TreeItem> children;
        for (HTREEITEM child = send(TVGN_CHILD, current.item); child; child = send(TVGN_NEXT, child))
            children.push_back({child, current.depth + 1});
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return items;
}

int TreeViewItems(HWND tree) {
    const SIZE_T textChars = 260;
    RemoteMemory remote(tree, sizeof(TVITEMW) + textChars * sizeof(wchar_t));
    if (!remote.Valid()) return 1;
    for (const TreeItem& t : TreeItems(tree)) {
        TVITEMW item{};
        item.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
        item.hItem = t.item;
        item.stateMask = TVIS_STATEIMAGEMASK;
        item.pszText = static_cast<wchar_t*>(remote.At(sizeof(TVITEMW)));
        item.cchTextMax = static_cast<int>(textChars);
        remote.Write(0, &item, sizeof(item));
        if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.At(0)))) return 1;
        wchar_t text[260] = {};
        remote.Read(0, &item, sizeof(item));
        remote.Read(sizeof(TVITEMW), text, sizeof(text) - sizeof(wchar_t));
        std::printf("%u\t%d\t", (item.state & TVIS_STATEIMAGEMASK) >> 12, t.depth);
        PrintUtf8(std::wstring(text) + L"\n");
    }
    return 0;
}

HTREEITEM TreeItemAt(HWND tree, unsigned long index) {
    std::vector<TreeItem> items = TreeItems(tree);
    return index < items.size() ? items[index].item : nullptr;
}

// The label's rectangle: the rectangle's first bytes carry the item handle in.
int TreeViewItemRect(HWND tree, HTREEITEM item) {
    if (!item) return 1;
    RemoteMemory remote(tree, sizeof(RECT));
    if (!remote.Valid()) return 1;
    RECT rc{};
    std::memcpy(&rc, &item, sizeof(item));
    remote.Write(0, &rc, sizeof(rc));
    if (!::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote.At(0)))) return 1;
    remote.Read(0, &rc, sizeof(rc));
    PrintRect(rc);
    return 0;
}

struct OwnedMatch {
    HWND owner;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND hwnd, LPARAM lp) {
    auto* m = reinterpret_cast<OwnedMatch*>(lp);
    if (!::IsWindowVisible(hwnd) || ::GetWindow(hwnd, GW_OWNER) != m->owner) return TRUE;
    wchar_t cls[256] = {};
    ::GetClassNameW(hwnd, cls, 256);
    if (std::wcscmp(m->cls, L"*") != 0 && std::wcscmp(m->cls, cls) != 0) return TRUE;
    m->found = hwnd;
    return FALSE;
}

struct TextMatch {
    const wchar_t* text;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindByText(HWND hwnd, LPARAM lp) {
    auto* m = reinterpret_cast<TextMatch*>(lp);
    if (!::IsWindowVisible(hwnd)) return TRUE;
    wchar_t title[1024] = {}, cls[256] = {};
    ::GetWindowTextW(hwnd, title, 1024);
    ::GetClassNameW(hwnd, cls, 256);
    if (std::wcscmp(m->cls, L"*") != 0 && std::wcscmp(m->cls, cls) != 0) return TRUE;
    if (!std::wcsstr(title, m->text)) return TRUE;
    m->found = hwnd;
    return FALSE;
}

struct ChildMatch {
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK FindChildOfClass(HWND hwnd, LPARAM lp) {
    auto* m = reinterpret_cast<ChildMatch*>(lp);
    wchar_t cls[256] = {};
    ::GetClassNameW(hwnd, cls, 256);
    if (std::wcscmp(m->cls, cls) != 0) return TRUE;
    m->found = hwnd;
    return FALSE;
}

struct ChildCount {
    const wchar_t* cls;
    unsigned count;
};

BOOL CALLBACK CountChildOfClass(HWND hwnd, LPARAM lp) {
    auto* m = reinterpret_cast<ChildCount*>(lp);
    wchar_t cls[256] = {};
    ::GetClassNameW(hwnd, cls, 256);
    if (std::wcscmp(m->cls, cls) == 0) ++m->count;
    return TRUE;
}

void PrintHwnd(HWND hwnd) {
    std::printf("0x%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
}

// Polls `found` every 50 ms until it gives a window or `timeout` ms have passed.
template <typename Probe>
int WaitFor(DWORD timeout, Probe found) {
    DWORD start = ::GetTickCount();
    do {
        if (HWND hwnd = found()) {
            PrintHwnd(hwnd);
            return 0;
        }
        ::Sleep(50);
    } while (::GetTickCount() - start < timeout);
    return 1;
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
    if (cmd == L"lv-checks" && need(1)) return ListViewChecks(Hwnd(argv[2]));
    if (cmd == L"lv-rect" && need(2)) return ListViewRowRect(Hwnd(argv[2]), static_cast<int>(Num(argv[3])));
    if (cmd == L"tv-items" && need(1)) return TreeViewItems(Hwnd(argv[2]));
    if (cmd == L"tv-select" && need(2)) {
        HWND tree = Hwnd(argv[2]);
        HTREEITEM item = TreeItemAt(tree, Num(argv[3]));
        if (!item) return 1;
        return ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) ? 0 : 1;
    }
    if (cmd == L"tv-rect" && need(2)) {
        HWND tree = Hwnd(argv[2]);
        return TreeViewItemRect(tree, TreeItemAt(tree, Num(argv[3])));
    }
    if (cmd == L"wait-visible" && need(2)) {
        HWND hwnd = Hwnd(argv[2]);
        return WaitFor(Num(argv[3]), [&]() { return ::IsWindowVisible(hwnd) ? hwnd : nullptr; });
    }
    if (cmd == L"wait-window-text" && need(3)) {
        return WaitFor(Num(argv[4]), [&]() {
            TextMatch m{argv[2], argv[3], nullptr};
            ::EnumWindows(FindByText, reinterpret_cast<LPARAM>(&m));
            return m.found;
        });
    }
    if (cmd == L"wait-owned" && need(3)) {
        return WaitFor(Num(argv[4]), [&]() {
            OwnedMatch m{Hwnd(argv[2]), argv[3], nullptr};
            ::EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&m));
            return m.found;
        });
    }
    if (cmd == L"find-child" && need(2)) {
        ChildMatch m{argv[3], nullptr};
        ::EnumChildWindows(Hwnd(argv[2]), FindChildOfClass, reinterpret_cast<LPARAM>(&m));
        if (!m.found) return 1;
        PrintHwnd(m.found);
        return 0;
    }
    if (cmd == L"count-children" && need(2)) {
        ChildCount m{argv[3], 0};
        ::EnumChildWindows(Hwnd(argv[2]), CountChildOfClass, reinterpret_cast<LPARAM>(&m));
        std::printf("%u\n", m.count);
        return 0;
    }
    return Usage();
}
