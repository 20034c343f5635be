#include "WindowImpl.h"

#include <cwchar>

namespace winframe {

namespace {
HINSTANCE g_instance = nullptr;
thread_local void* t_creating = nullptr;

HWND ChildOfMessage(HWND parent, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(lp);
    case WM_NOTIFY:
        return lp ? reinterpret_cast<const NMHDR*>(lp)->hwndFrom : nullptr;
    case WM_PARENTNOTIFY:
        return (LOWORD(wp) == WM_CREATE || LOWORD(wp) == WM_DESTROY) ? reinterpret_cast<HWND>(lp)
                                                                     : nullptr;
    // For the owner-draw messages a control id of 0 means a menu, which is not a child.
    case WM_DRAWITEM:
        return wp ? reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return wp ? ::GetDlgItem(parent, static_cast<int>(
                                             reinterpret_cast<const MEASUREITEMSTRUCT*>(lp)->CtlID))
                  : nullptr;
    case WM_COMPAREITEM:
        return wp ? reinterpret_cast<const COMPAREITEMSTRUCT*>(lp)->hwndItem : nullptr;
    case WM_DELETEITEM:
        return wp ? reinterpret_cast<const DELETEITEMSTRUCT*>(lp)->hwndItem : nullptr;
    default:
        return nullptr;
    }
}
}  // namespace

HINSTANCE ModuleInstance() { return g_instance ? g_instance : ::GetModuleHandleW(nullptr); }

void SetModuleInstance(HINSTANCE instance) { g_instance = instance; }

BOOL ReflectNotifications(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND child = ChildOfMessage(parent, msg, wp, lp);
    if (!child || !::IsWindow(child) || child == parent) return FALSE;
    result = ::SendMessageW(child, OCM__BASE + msg, wp, lp);
    return TRUE;
}

BOOL DefaultReflectionHandler(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Reflected messages lie between OCM__BASE + WM_DRAWITEM, the lowest, and
    // OCM_PARENTNOTIFY, the highest; nothing else of ours uses that span.
    if (msg < OCM__BASE || msg > OCM_PARENTNOTIFY) return FALSE;
    result = ::DefWindowProcW(hwnd, msg - OCM__BASE, wp, lp);
    return TRUE;
}

ATOM CWndClassInfo::Register(WNDPROC startProc) {
    if (atom) return atom;
    wchar_t generated[48];
    const wchar_t* className = name;
    if (!className) {
        std::swprintf(generated, 48, L"winframe:%p", static_cast<void*>(this));
        className = generated;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (superclassOf) {
        if (!::GetClassInfoExW(nullptr, superclassOf, &wc) &&
            !::GetClassInfoExW(ModuleInstance(), superclassOf, &wc))
            return 0;
        superProc = wc.lpfnWndProc;
        wc.cbSize = sizeof(wc);
    } else {
        wc.style = style;
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        superProc = ::DefWindowProcW;
    }
    wc.lpfnWndProc = startProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = className;
    atom = ::RegisterClassExW(&wc);
    if (!atom) {  // registered already by an earlier run of this code in the process
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof(existing);
        atom = static_cast<ATOM>(::GetClassInfoExW(ModuleInstance(), className, &existing));
    }
    return atom;
}

namespace detail {
void*& CreatingObject() { return t_creating; }
// The object lives in the window's user-data slot, which the system and the common
// controls leave to the application: reading it is a plain memory read, where a window
// property costs a round trip to the window server on every message (Wine), which made a
// list of ten thousand rows take seconds to fill.
void BindObject(HWND hwnd, void* object) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}
void* BoundObject(HWND hwnd) { return reinterpret_cast<void*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }
void UnbindObject(HWND hwnd) { ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); }
}  // namespace detail

}  // namespace winframe
