// Owning and borrowed wrappers for kernel and GDI handles.
//
// Owning wrappers free their handle exactly once and cannot be copied (only moved);
// borrowed handles are plain values that free nothing. A SelectGuard restores what
// SelectObject replaced when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace winframe {

// A kernel handle that is closed with CloseHandle. Both "no handle" values
// (null and INVALID_HANDLE_VALUE) count as empty.
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_h(other.Detach()) {}
    CHandle& operator=(CHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    void Attach(HANDLE h) { Close(); m_h = h; }
    HANDLE Detach() { return std::exchange(m_h, nullptr); }
    void Close() {
        if (IsValid()) ::CloseHandle(m_h);
        m_h = nullptr;
    }

private:
    HANDLE m_h = nullptr;
};

// A GDI object (font, brush, pen, bitmap, region) owned by this wrapper and deleted with
// DeleteObject. T is the handle type, so a font wrapper hands out an HFONT.
template <class T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T h) : m_h(h) {}
    ~CGdiObject() { Delete(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_h(other.Detach()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    T Get() const { return m_h; }
    operator T() const { return m_h; }
    bool IsNull() const { return m_h == nullptr; }
    void Attach(T h) { Delete(); m_h = h; }
    T Detach() { return std::exchange(m_h, nullptr); }
    void Delete() {
        if (m_h) ::DeleteObject(m_h);
        m_h = nullptr;
    }

private:
    T m_h = nullptr;
};

using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;
using CBitmap = CGdiObject<HBITMAP>;
using CRgn = CGdiObject<HRGN>;

// Selects a GDI object into a device context and puts the previous one back on scope exit.
class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~CSelectGuard() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Saves text colour, background mode and font selection state of a device context and
// restores them on scope exit (SaveDC/RestoreDC).
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : m_dc(dc), m_id(::SaveDC(dc)) {}
    ~CSavedDC() {
        if (m_id) ::RestoreDC(m_dc, m_id);
    }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;

private:
    HDC m_dc;
    int m_id;
};

// BeginPaint/EndPaint pair for WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc = nullptr;
};

// GetDC/ReleaseDC pair (a null window means the screen).
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~CClientDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// A memory device context of its own (CreateCompatibleDC/DeleteDC), for copying from or
// into a bitmap selected with a CSelectGuard.
class CCompatibleDC {
public:
    explicit CCompatibleDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    ~CCompatibleDC() {
        if (m_dc) ::DeleteDC(m_dc);
    }
    CCompatibleDC(const CCompatibleDC&) = delete;
    CCompatibleDC& operator=(const CCompatibleDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// A memory device context with a bitmap compatible with a target context. Drawing goes
// into the bitmap; CopyTo puts the whole picture onto a target in one BitBlt. Coordinates
// in the memory context are relative to the rectangle's top-left corner.
class CMemoryDC {
public:
    CMemoryDC(HDC compatibleWith, int width, int height)
        : m_width(width > 0 ? width : 1), m_height(height > 0 ? height : 1) {
        m_dc = ::CreateCompatibleDC(compatibleWith);
        m_bitmap.Attach(::CreateCompatibleBitmap(compatibleWith, m_width, m_height));
        if (m_dc && m_bitmap.Get()) m_oldBitmap = ::SelectObject(m_dc, m_bitmap.Get());
    }
    ~CMemoryDC() {
        if (m_oldBitmap) ::SelectObject(m_dc, m_oldBitmap);
        if (m_dc) ::DeleteDC(m_dc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Fill(COLORREF colour) {
        RECT rc{0, 0, m_width, m_height};
        CBrush brush(::CreateSolidBrush(colour));
        ::FillRect(m_dc, &rc, brush);
    }
    void CopyTo(HDC target, int x, int y) const {
        ::BitBlt(target, x, y, m_width, m_height, m_dc, 0, 0, SRCCOPY);
    }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    CBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
};

// The one paint helper of every skinned window: begins painting, hands out a memory
// context of the client size and copies it to the window in one block, either when Flush
// is called (so the caller can still read the memory context afterwards) or at the end of
// its scope.
class COffscreenPaint {
public:
    explicit COffscreenPaint(HWND hwnd)
        : m_paint(hwnd), m_client(ClientRect(hwnd)),
          m_mem(m_paint, m_client.right - m_client.left, m_client.bottom - m_client.top) {}
    ~COffscreenPaint() { Flush(); }
    COffscreenPaint(const COffscreenPaint&) = delete;
    COffscreenPaint& operator=(const COffscreenPaint&) = delete;

    HDC Dc() const { return m_mem; }
    const RECT& Client() const { return m_client; }
    CMemoryDC& Memory() { return m_mem; }
    void Flush() {
        if (!m_flushed) m_mem.CopyTo(m_paint, m_client.left, m_client.top);
        m_flushed = true;
    }

private:
    static RECT ClientRect(HWND hwnd) {
        RECT rc{};
        ::GetClientRect(hwnd, &rc);
        return rc;
    }
    CPaintDC m_paint;
    RECT m_client;
    CMemoryDC m_mem;
    bool m_flushed = false;
};

}  // namespace winframe
