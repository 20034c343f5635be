// TkFontPool: the process-wide font cache. Controls ask for a font by a 16-bit style key
// and never create or free fonts themselves:
//   bit 0 italic, bit 1 underline, bit 2 bold (weight 700, else 400), bits 3-7 unused,
//   bits 8-15 as a signed 8-bit number: pixels added to the base character height.
// The base font is the stock default GUI font with the face "Tahoma" and a character
// height of 11 pixels. Every key gets its own cache entry, even keys that differ only in
// the unused bits.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "Handles.h"

class TkFontPool {
public:
    TkFontPool();
    virtual ~TkFontPool();
    TkFontPool(const TkFontPool&) = delete;
    TkFontPool& operator=(const TkFontPool&) = delete;

    // The font of the process-wide pool for the key; the pool keeps ownership. The pool
    // is made on the first call. Null when the font cannot be created (nothing is cached
    // then, so the next call tries again).
    static HFONT GetStyledFont(uint16_t key);
    static TkFontPool& Instance();

    // The same for this pool.
    HFONT Get(uint16_t key);
    size_t CacheSize() const { return m_fonts.size(); }
    // The description a key gives (what Get creates).
    LOGFONTW DescribeKey(uint16_t key) const;

private:
    std::map<uint16_t, winframe::CFont> m_fonts;
    std::wstring m_strFace = L"Tahoma";
    int m_nBaseHeight = -11;
    LOGFONTW m_lfBase{};
};
