#include "SkinFolder.h"

#include <windows.h>

namespace controls {

namespace {
std::wstring& Folder() {
    static std::wstring folder;
    return folder;
}
}  // namespace

void SetImageFolder(const std::wstring& folder) { Folder() = folder; }

const std::wstring& ImageFolder() { return Folder(); }

std::wstring ImagePath(const wchar_t* fileName) { return Folder() + fileName; }

std::wstring DefaultImageFolder() {
    // Long paths are allowed for: the buffer grows until the whole name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return L".\\image\\";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path + L"\\image\\";
}

}  // namespace controls
