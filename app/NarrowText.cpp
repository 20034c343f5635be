#include "NarrowText.h"

#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void AppendCodePoint(std::wstring& wide, uint32_t value) {
#if defined(_WIN32)
    if (value > 0xFFFF) {
        const uint32_t offset = value - 0x10000;
        wide.push_back(static_cast<wchar_t>(0xD800 | offset >> 10));
        wide.push_back(static_cast<wchar_t>(0xDC00 | (offset & 0x3FF)));
        return;
    }
#endif
    wide.push_back(static_cast<wchar_t>(value));
}

// UTF-8 decoding after Unicode's "maximal subpart" practice: a lead byte with a valid but
// incomplete tail gives one U+FFFD, and decoding resumes at the first byte that did not fit.
std::wstring DecodeUtf8(const char* data, size_t size) {
    std::wstring wide;
    wide.reserve(size);
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    while (p != end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) {
            wide.push_back(static_cast<wchar_t>(lead));
            continue;
        }
        size_t tailLength = 0;
        unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
        uint32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            tailLength = 1;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            tailLength = 2;
            value = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;   // no overlong forms
            if (lead == 0xED) high = 0x9F;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            tailLength = 3;
            value = lead & 0x07;
            if (lead == 0xF0) low = 0x90;   // no overlong forms
            if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
        } else {
            AppendCodePoint(wide, kReplacement);
            continue;
        }
        bool complete = true;
        for (size_t i = 0; i < tailLength; ++i) {
            const bool fits = p != end && IsContinuation(*p) && (i > 0 || (*p >= low && *p <= high));
            if (!fits) {
                complete = false;
                break;
            }
            value = value << 6 | (*p++ & 0x3Fu);
        }
        AppendCodePoint(wide, complete ? value : kReplacement);
    }
    return wide;
}

#if defined(_WIN32)

std::wstring WideFromBytes(const char* data, size_t size) {
    if (size == 0) return std::wstring();
    // The process's code page, not the thread's: on every thread the same bytes must give the
    // same text (see controls/AnsiText.h).
    // Without MB_ERR_INVALID_CHARS the conversion maps invalid bytes instead of failing.
    const int narrowLength = static_cast<int>(size);
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, data, narrowLength, nullptr, 0);
    if (wideLength <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    const int converted =
        ::MultiByteToWideChar(CP_ACP, 0, data, narrowLength, &wide[0], wideLength);
    wide.resize(converted > 0 ? static_cast<size_t>(converted) : 0);
    return wide;
}

#else

std::wstring WideFromBytes(const char* data, size_t size) { return DecodeUtf8(data, size); }

#endif

void AppendUtf8(std::string& narrow, uint32_t value) {
    if (value < 0x80) {
        narrow.push_back(static_cast<char>(value));
    } else if (value < 0x800) {
        narrow.push_back(static_cast<char>(0xC0 | value >> 6));
        narrow.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else if (value < 0x10000) {
        narrow.push_back(static_cast<char>(0xE0 | value >> 12));
        narrow.push_back(static_cast<char>(0x80 | (value >> 6 & 0x3F)));
        narrow.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else {
        narrow.push_back(static_cast<char>(0xF0 | value >> 18));
        narrow.push_back(static_cast<char>(0x80 | (value >> 12 & 0x3F)));
        narrow.push_back(static_cast<char>(0x80 | (value >> 6 & 0x3F)));
        narrow.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

}  // namespace

std::wstring WideFromAnsi(const char* text) {
    if (!text) return std::wstring();
    return WideFromBytes(text, std::strlen(text));
}

std::wstring WideFromAnsi(const std::string& text) { return WideFromBytes(text.data(), text.size()); }

std::wstring WideFromUtf8(const std::string& text) { return DecodeUtf8(text.data(), text.size()); }

std::string Utf8FromWide(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t value = static_cast<uint32_t>(text[i]);
        // Only UTF-16 (Windows) has surrogate pairs; natively each wchar_t is a code point.
        if (sizeof(wchar_t) == 2 && value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size()) {
            const uint32_t low = static_cast<uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = kReplacement;
        AppendUtf8(narrow, value);
    }
    return narrow;
}

std::string NarrowFromWide(const std::wstring& text) {
#if defined(_WIN32)
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], size, nullptr,
                              nullptr);
    return narrow;
#else
    return Utf8FromWide(text);
#endif
}
