#include "TestSupport.h"

#include <objidl.h>
#include <gdiplus.h>

namespace testsupport {

namespace {
const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(folder + name + L"\\");
            ::RemoveDirectoryW((folder + name).c_str());
        } else {
            ::DeleteFileW((folder + name).c_str());
        }
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
}
}  // namespace

std::wstring FreshFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"retrievo-tests-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    folder += name;
    folder += L"\\";
    DeleteTree(folder);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WriteStrip(const std::wstring& path, int frameWidth, int height, const std::vector<DWORD>& argbColours,
                bool halfTransparent) {
    int width = frameWidth * static_cast<int>(argbColours.size());
    Gdiplus::Bitmap bmp(width, height, PixelFormat32bppARGB);
    for (size_t f = 0; f < argbColours.size(); ++f) {
        for (int x = 0; x < frameWidth; ++x) {
            for (int y = 0; y < height; ++y) {
                DWORD c = argbColours[f];
                if (halfTransparent && x >= frameWidth / 2) c = 0;
                bmp.SetPixel(static_cast<INT>(f) * frameWidth + x, y, Gdiplus::Color(c));
            }
        }
    }
    return bmp.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}

bool WriteSolid(const std::wstring& path, int width, int height, DWORD argb) {
    Gdiplus::Bitmap bmp(width, height, PixelFormat32bppARGB);
    Gdiplus::Graphics g(&bmp);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    g.FillRectangle(&brush, 0, 0, width, height);
    return bmp.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}

void Pump(DWORD milliseconds) {
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < milliseconds);
}

COLORREF PixelOf(HDC dc, int x, int y) { return ::GetPixel(dc, x, y); }

CReflectingParent::~CReflectingParent() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

HWND CReflectingParent::CreateSized(int clientWidth, int clientHeight, bool visible) {
    RECT rc{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&rc, WS_POPUP, FALSE, 0);
    RECT place{50, 50, 50 + rc.right - rc.left, 50 + rc.bottom - rc.top};
    return Create(nullptr, place, L"retrievo test parent", WS_POPUP | (visible ? WS_VISIBLE : 0));
}

BOOL CReflectingParent::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_COMMAND) m_commands.push_back(LOWORD(wp));
    return winframe::ReflectNotifications(hwnd, msg, wp, lp, result);
}

}  // namespace testsupport
