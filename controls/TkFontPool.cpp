#include "TkFontPool.h"

#include <cwchar>

TkFontPool::TkFontPool() {
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(m_lfBase), &m_lfBase);
    std::wcsncpy(m_lfBase.lfFaceName, m_strFace.c_str(), LF_FACESIZE - 1);
    m_lfBase.lfFaceName[LF_FACESIZE - 1] = L'\0';
    m_lfBase.lfHeight = m_nBaseHeight;
    m_lfBase.lfCharSet = 0;
    HFONT base = ::CreateFontIndirectW(&m_lfBase);
    if (base) m_fonts[0].Attach(base);
}

TkFontPool::~TkFontPool() = default;

TkFontPool& TkFontPool::Instance() {
    static TkFontPool pool;
    return pool;
}

HFONT TkFontPool::GetStyledFont(uint16_t key) { return Instance().Get(key); }

LOGFONTW TkFontPool::DescribeKey(uint16_t key) const {
    LOGFONTW lf = m_lfBase;
    lf.lfWeight = (key & 0x4) ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = (key & 0x2) ? TRUE : FALSE;
    lf.lfItalic = (key & 0x1) ? TRUE : FALSE;
    lf.lfHeight = m_nBaseHeight - static_cast<int8_t>(key >> 8);
    return lf;
}

HFONT TkFontPool::Get(uint16_t key) {
    auto it = m_fonts.find(key);
    if (it != m_fonts.end()) return it->second.Get();
    LOGFONTW lf = DescribeKey(key);
    HFONT font = ::CreateFontIndirectW(&lf);
    if (font) m_fonts[key].Attach(font);
    return font;
}
