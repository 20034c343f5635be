// The folder of the running program, with a trailing backslash, of any length: the skin
// pictures, the libraries and the helper programs are looked for there and nowhere else.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring ProgramFolderW() {
    // GetModuleFileNameW cuts the name to the buffer without failing: grow until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return L".\\";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path;
}
