// Narrow record texts as wide strings; a null text is empty.
//
// Narrow texts are in the process's ANSI code page (CP_ACP), which the program's manifest
// sets to UTF-8. The thread's code page (CP_THREAD_ACP) would follow the thread's locale
// instead, which the manifest does not govern: a worker thread would read the same bytes
// as 1252 and garble every Chinese name.
#pragma once

#include <windows.h>

#include <string>

namespace controls {

inline std::wstring FromAnsi(const char* text) {
    if (!text || !*text) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

}  // namespace controls
