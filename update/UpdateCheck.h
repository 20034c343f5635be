// The update check: once per start the program asks the maker's web site for a small JSON
// manifest naming the newest version, and asks the user whether to update when it differs
// from its own version text.
#pragma once

#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

#ifndef WM_NEW_VERSION
#define WM_NEW_VERSION (WM_USER + 112)
#endif

// Where the manifest lives on the maker's web site.
extern const wchar_t kUpdateManifestUrl[];
// The user agent of the check.
extern const wchar_t kUpdateUserAgent[];

// The three strings of the manifest's first "Retrievo" entry; absent or non-string members,
// and a document of any other shape (or none), give empty strings.
struct UpdateManifest {
    std::string version;
    std::string newestVersion;  // "Nversion", the only one that decides
    std::string updateUrl;
};
UpdateManifest ParseUpdateManifest(const char* text, size_t length);

// Whether the manifest announces a version other than `ownVersion` (byte for byte; an
// empty "Nversion" announces nothing).
bool AnnouncesOtherVersion(const UpdateManifest& manifest, const std::string& ownVersion);

#if defined(_WIN32)
// Reads at most the first 1024 bytes of the manifest at `url` through WinINet (one read).
// False when there is no connection, the address cannot be opened or nothing was read.
bool FetchUpdateManifest(const wchar_t* url, std::string* text);

// What one check needs; UpdateThreadProc takes ownership of a job allocated with new.
struct UpdateJob {
    HWND hwndNotify = nullptr;          // receives WM_NEW_VERSION (sent, wParam 1)
    std::string ownVersion;             // "3.0.0.3"
    std::wstring url = kUpdateManifestUrl;
};

// Thread procedure: fetches and reads the manifest and, when it announces another version,
// sends WM_NEW_VERSION and waits for the answer. Ends silently on every failure. Returns 1.
DWORD WINAPI UpdateThreadProc(LPVOID job);
// Starts UpdateThreadProc for a new job; returns the thread handle (the caller closes it) or
// null (the job is then freed here).
HANDLE StartUpdateThread(HWND hwndNotify, const std::string& ownVersion);
#endif
