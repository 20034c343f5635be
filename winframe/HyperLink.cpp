#include "HyperLink.h"

#include <shellapi.h>

namespace winframe {

namespace {
UrlOpener g_opener = nullptr;
}

void OpenUrl(const wchar_t* url) {
    if (g_opener) {
        g_opener(url);
        return;
    }
    ::ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

void SetUrlOpener(UrlOpener opener) { g_opener = opener; }

}  // namespace winframe
