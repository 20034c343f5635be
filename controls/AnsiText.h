// Narrow record texts (the thread's ANSI code page) as wide strings; a null text is empty.
#pragma once

#include <windows.h>

#include <string>

namespace controls {

inline std::wstring FromAnsi(const char* text) {
    if (!text || !*text) return std::wstring();
    int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

}  // namespace controls
