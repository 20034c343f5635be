// The skin library paddockc.dll: three drawing helpers the controls call by name.
//
// Calling convention: __cdecl, names undecorated (the DLL's .def file exports them as they
// are written here, and the import library built with it resolves the same names).
// Everything is called on the window thread.
#pragma once

#include <windows.h>

#ifdef PADDOCKC_BUILDING
#define PADDOCKC_API extern "C" __declspec(dllexport)
#else
#define PADDOCKC_API extern "C" __declspec(dllimport)
#endif

// A new font with the face, character height in pixels and weight given; the caller owns
// it and deletes it with DeleteObject. Null when it cannot be created.
PADDOCKC_API HFONT __cdecl get_font(const wchar_t* face, int height, int weight);

// The sub-rectangle of cx by cy pixels at the top-left corner of rc, clipped to rc
// (so cx = cy = 0 gives an empty rectangle, of height 0).
PADDOCKC_API RECT __cdecl calc_subrect(RECT rc, int cx, int cy);

// Fills *rc with a colour gradient from one colour to the other: mode 0 runs from left to
// right, any other mode from top to bottom. A null context or rectangle does nothing.
PADDOCKC_API void __cdecl gradient_fillrect(HDC dc, const RECT* rc, COLORREF from, COLORREF to,
                                            int mode);
