// Window classes of our own: CWindowImpl (a window created by us, or an existing control
// subclassed by us) and CDialogImpl (a dialog from a resource template).
//
// How it works: the object is bound to its window once, when the window is created or
// subclassed: its address is kept in the window's user-data slot and the window's procedure (or
// dialog procedure) is replaced by the class's static procedure, which looks the object
// up and calls its one virtual dispatch, ProcessWindowMessage. At WM_NCDESTROY the object
// is unbound (old procedure restored, slot cleared, m_hWnd cleared) and
// OnFinalMessage runs. A message the dispatch does not handle goes to the procedure that
// was there before (the control's own, the superclass's or DefWindowProc). No exception
// leaves a window procedure: one that escapes a handler counts as "handled, result 0".
//
// Every window class has the same four virtual operations, in this order: message
// dispatch, destructor, window- or dialog-procedure accessor, final-message hook.
//
// Writing a class: derive from CWindowImpl<CMyCtrl, CButtonT<CWindow>> (or
// CDialogImpl<CMyDlg> with "enum { IDD = ... };"), override ProcessWindowMessage with a
// switch on the message that calls small handlers and returns TRUE for what it handled.
// Parents call ReflectNotifications last in their dispatch so that owner-draw and
// notification messages come back to the control with OCM__BASE added.
#pragma once

#include <windows.h>

#include "Window.h"

namespace winframe {

// Reflected messages: a parent sends a child's notification back to the child with this
// offset added to the message number.
constexpr UINT OCM__BASE = WM_USER + 0x1c00;
constexpr UINT OCM_BASE = OCM__BASE;
constexpr UINT OCM_COMMAND = OCM__BASE + WM_COMMAND;
constexpr UINT OCM_CTLCOLORBTN = OCM__BASE + WM_CTLCOLORBTN;
constexpr UINT OCM_CTLCOLOREDIT = OCM__BASE + WM_CTLCOLOREDIT;
constexpr UINT OCM_CTLCOLORDLG = OCM__BASE + WM_CTLCOLORDLG;
constexpr UINT OCM_CTLCOLORLISTBOX = OCM__BASE + WM_CTLCOLORLISTBOX;
constexpr UINT OCM_CTLCOLORMSGBOX = OCM__BASE + WM_CTLCOLORMSGBOX;
constexpr UINT OCM_CTLCOLORSCROLLBAR = OCM__BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT OCM_CTLCOLORSTATIC = OCM__BASE + WM_CTLCOLORSTATIC;
constexpr UINT OCM_DRAWITEM = OCM__BASE + WM_DRAWITEM;
constexpr UINT OCM_MEASUREITEM = OCM__BASE + WM_MEASUREITEM;
constexpr UINT OCM_DELETEITEM = OCM__BASE + WM_DELETEITEM;
constexpr UINT OCM_VKEYTOITEM = OCM__BASE + WM_VKEYTOITEM;
constexpr UINT OCM_CHARTOITEM = OCM__BASE + WM_CHARTOITEM;
constexpr UINT OCM_COMPAREITEM = OCM__BASE + WM_COMPAREITEM;
constexpr UINT OCM_HSCROLL = OCM__BASE + WM_HSCROLL;
constexpr UINT OCM_VSCROLL = OCM__BASE + WM_VSCROLL;
constexpr UINT OCM_PARENTNOTIFY = OCM__BASE + WM_PARENTNOTIFY;
constexpr UINT OCM_NOTIFY = OCM__BASE + WM_NOTIFY;

// Sends a notification or owner-draw message that a parent received from one of its
// children back to that child, with OCM__BASE added. Answers TRUE (and the child's
// result) when the message came from a child window, FALSE otherwise.
BOOL ReflectNotifications(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// The control's default handling of a reflected message: the un-reflected message goes
// to DefWindowProc. Answers FALSE for messages outside the reflected range.
BOOL DefaultReflectionHandler(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// The module whose resources hold the dialog templates and under which window classes are
// registered; the program's own executable unless set otherwise.
HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

// A window class registered once, on first use: either a class of our own or a superclass
// of an existing one (same class data, our procedure, its procedure as the default).
struct CWndClassInfo {
    const wchar_t* name;          // null: a name is made from the address of this record
    const wchar_t* superclassOf;  // null: a class of our own
    UINT style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    ATOM atom = 0;
    WNDPROC superProc = ::DefWindowProcW;
    // Registers the class with the given start procedure; returns its atom, 0 on failure.
    ATOM Register(WNDPROC startProc);
};

#define WINFRAME_WND_CLASS(className)                                  \
    static ::winframe::CWndClassInfo& GetWndClassInfo() {              \
        static ::winframe::CWndClassInfo info{className, nullptr};     \
        return info;                                                   \
    }
#define WINFRAME_WND_SUPERCLASS(className, baseClassName)                  \
    static ::winframe::CWndClassInfo& GetWndClassInfo() {                  \
        static ::winframe::CWndClassInfo info{className, baseClassName};   \
        return info;                                                       \
    }

namespace detail {
// The object whose window is being created on this thread (bound at its first message).
void*& CreatingObject();
void BindObject(HWND hwnd, void* object);
void* BoundObject(HWND hwnd);
void UnbindObject(HWND hwnd);
}  // namespace detail

// The part of every window class that does not depend on the class itself.
template <class TBase = CWindow>
class CWindowImplRoot : public TBase {
public:
    CWindowImplRoot() = default;
    CWindowImplRoot(const CWindowImplRoot&) = delete;
    CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;

    // The message dispatch: answers TRUE when the message was handled, with its result.
    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                      LRESULT& result) = 0;
    // An object destroyed before its window unhooks from it; the window stays.
    virtual ~CWindowImplRoot() {
        if (this->m_hWnd && detail::BoundObject(this->m_hWnd) == this) Unbind(this->m_hWnd);
    }
    virtual WNDPROC GetWindowProc() { return WindowProc; }
    // Runs after the window has been destroyed and unbound.
    virtual void OnFinalMessage(HWND /*hwnd*/) {}

    // Hooks an existing window (a dialog's control): TRUE on success. Fails when the object
    // already has a window or the window is bound to another object.
    BOOL SubclassWindow(HWND hwnd) {
        if (this->m_hWnd || !::IsWindow(hwnd) || detail::BoundObject(hwnd)) return FALSE;
        detail::BindObject(hwnd, this);
        WNDPROC old = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetWindowProc())));
        if (!old) {
            detail::UnbindObject(hwnd);
            return FALSE;
        }
        m_superProc = old;
        this->m_hWnd = hwnd;
        return TRUE;
    }
    // Gives the window its previous procedure back; returns the window.
    HWND UnsubclassWindow() {
        HWND hwnd = this->m_hWnd;
        if (hwnd) Unbind(hwnd);
        return hwnd;
    }

    // The procedure that was there before us.
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
        return ::CallWindowProcW(m_superProc, this->m_hWnd, msg, wp, lp);
    }

protected:
    void Bind(HWND hwnd, WNDPROC superProc) {
        detail::BindObject(hwnd, this);
        m_superProc = superProc;
        this->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetWindowProc()));
    }

    static LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<CWindowImplRoot*>(detail::CreatingObject());
        detail::CreatingObject() = nullptr;
        if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
        self->Bind(hwnd, self->m_superProc);
        return WindowProc(hwnd, msg, wp, lp);
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<CWindowImplRoot*>(detail::BoundObject(hwnd));
        if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
        WNDPROC superProc = self->m_superProc;
        LRESULT result = 0;
        BOOL handled = FALSE;
        try {
            handled = self->ProcessWindowMessage(hwnd, msg, wp, lp, result);
        } catch (...) {
            handled = TRUE;
            result = 0;
        }
        if (!handled) result = ::CallWindowProcW(superProc, hwnd, msg, wp, lp);
        if (msg == WM_NCDESTROY && detail::BoundObject(hwnd) == self) {
            self->Unbind(hwnd);
            self->OnFinalMessage(hwnd);
        }
        return result;
    }

    WNDPROC m_superProc = ::DefWindowProcW;

private:
    void Unbind(HWND hwnd) {
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == GetWindowProc())
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        detail::UnbindObject(hwnd);
        this->m_hWnd = nullptr;
    }
};

// A window class of ours. T may declare WINFRAME_WND_CLASS or WINFRAME_WND_SUPERCLASS;
// without either it gets a plain class of its own.
template <class T, class TBase = CWindow>
class CWindowImpl : public CWindowImplRoot<TBase> {
public:
    static CWndClassInfo& GetWndClassInfo() {
        static CWndClassInfo info{nullptr, nullptr};
        return info;
    }

    HWND Create(HWND parent, const RECT& rc, const wchar_t* name, DWORD style, DWORD exStyle = 0,
                UINT id = 0, void* createParam = nullptr) {
        if (this->m_hWnd) return nullptr;
        CWndClassInfo& info = T::GetWndClassInfo();
        ATOM atom = info.Register(this->StartWindowProc);
        if (!atom) return nullptr;
        this->m_superProc = info.superProc;
        detail::CreatingObject() = this;
        HWND hwnd = ::CreateWindowExW(exStyle, MAKEINTATOM(atom), name, style, rc.left, rc.top,
                                      rc.right - rc.left, rc.bottom - rc.top, parent,
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                      ModuleInstance(), createParam);
        detail::CreatingObject() = nullptr;
        return hwnd;
    }
};

// The part of every dialog class that does not depend on the class itself.
template <class TBase = CWindow>
class CDialogImplRoot : public TBase {
public:
    CDialogImplRoot() = default;
    CDialogImplRoot(const CDialogImplRoot&) = delete;
    CDialogImplRoot& operator=(const CDialogImplRoot&) = delete;

    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                      LRESULT& result) = 0;
    virtual ~CDialogImplRoot() {
        if (this->m_hWnd && detail::BoundObject(this->m_hWnd) == this) {
            detail::UnbindObject(this->m_hWnd);
            ::SetWindowLongPtrW(this->m_hWnd, DWLP_DLGPROC, 0);
        }
    }
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    virtual void OnFinalMessage(HWND /*hwnd*/) {}

    BOOL EndDialog(int code) { return ::EndDialog(this->m_hWnd, code); }

protected:
    static INT_PTR CALLBACK StartDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<CDialogImplRoot*>(detail::CreatingObject());
        detail::CreatingObject() = nullptr;
        if (!self) return FALSE;
        detail::BindObject(hwnd, self);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(self->GetDialogProc()));
        return DialogProc(hwnd, msg, wp, lp);
    }

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<CDialogImplRoot*>(detail::BoundObject(hwnd));
        if (!self) return FALSE;
        LRESULT result = 0;
        BOOL handled = FALSE;
        try {
            handled = self->ProcessWindowMessage(hwnd, msg, wp, lp, result);
        } catch (...) {
            handled = TRUE;
            result = 0;
        }
        if (msg == WM_NCDESTROY) {
            detail::UnbindObject(hwnd);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(hwnd);
            return FALSE;
        }
        if (!handled) return FALSE;
        switch (msg) {
        // These answer through the dialog procedure's own return value.
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
};

// A dialog class of ours, built from the resource template T::IDD.
template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplRoot<TBase> {
public:
    // Runs the dialog modally; initParam arrives as lParam of WM_INITDIALOG.
    INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM initParam = 0) {
        if (this->m_hWnd) return -1;
        detail::CreatingObject() = this;
        INT_PTR code = ::DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(T::IDD), parent,
                                         this->StartDialogProc, initParam);
        detail::CreatingObject() = nullptr;
        return code;
    }
    // Creates the dialog modeless.
    HWND Create(HWND parent, LPARAM initParam = 0) {
        if (this->m_hWnd) return nullptr;
        detail::CreatingObject() = this;
        HWND hwnd = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(T::IDD), parent,
                                         this->StartDialogProc, initParam);
        detail::CreatingObject() = nullptr;
        return hwnd;
    }
    // Destroys a modeless dialog.
    BOOL DestroyWindow() { return this->m_hWnd ? ::DestroyWindow(this->m_hWnd) : FALSE; }
};

}  // namespace winframe
