// The update check: once per start the program asks the maker's web site, over HTTPS, for a
// small JSON manifest naming the newest version, and asks the user whether to update when
// that version is newer than its own.
#pragma once

#include <string>

#if defined(_WIN32)
#include <windows.h>

#include "WindowMessages.h"
#endif

// Where the manifest lives on the maker's web site.
extern const wchar_t kUpdateManifestUrl[];
// The user agent of the check.
extern const wchar_t kUpdateUserAgent[];

// The three strings of the manifest's first "Retrievo" entry; absent or non-string members,
// a document of any other shape, and a text that is not one whole JSON document (cut short
// or damaged) give empty strings.
struct UpdateManifest {
    std::string version;
    std::string newestVersion;  // "Nversion", the only one that decides
    std::string updateUrl;
};
UpdateManifest ParseUpdateManifest(const char* text, size_t length);

// Whether the manifest announces a version newer than `ownVersion`, comparing the dotted
// numbers one by one ("3.0.0.10" is newer than "3.0.0.9"). An older or equal version, or an
// "Nversion" that is not dotted numbers, announces nothing.
bool AnnouncesNewerVersion(const UpdateManifest& manifest, const std::string& ownVersion);

#if defined(_WIN32)
// Reads at most the first 1024 bytes of the manifest at `url` through WinINet (one read).
// False when there is no connection, the address cannot be opened or nothing was read, and
// for any address that is not HTTPS, but for this computer's own (loopback) addresses.
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
