// Helpers of the Windows control tests: synthetic skin pictures written with GDI+, a
// parent window that reflects notifications, pixel reads and message pumping.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "WindowImpl.h"

namespace testsupport {

// A folder of its own under the temporary folder, emptied and made anew; ends in '\'.
std::wstring FreshFolder(const wchar_t* name);

// Writes a PNG of `colours.size()` frames of frameWidth x height side by side, each frame
// filled with its colour (ARGB). A frame colour with alpha 0 is fully transparent; a
// frame with `halfTransparent` set has its right half transparent.
bool WriteStrip(const std::wstring& path, int frameWidth, int height,
                const std::vector<DWORD>& argbColours, bool halfTransparent = false);
bool WriteSolid(const std::wstring& path, int width, int height, DWORD argb);

// Pumps the thread's messages for the given time.
void Pump(DWORD milliseconds);

COLORREF PixelOf(HDC dc, int x, int y);

// A top-level window of the given client size (hidden unless asked: under Wine without a
// window manager, destroying a shown window waits two seconds) that reflects its children's
// notifications and owner-draw messages back to them and records the commands it gets.
class CReflectingParent : public winframe::CWindowImpl<CReflectingParent> {
public:
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CReflectingParent() override;
    HWND CreateSized(int clientWidth, int clientHeight, bool visible = false);
    std::vector<WORD> m_commands;
};

}  // namespace testsupport
