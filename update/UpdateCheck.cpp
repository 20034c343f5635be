// The Windows half of the update check: reading the manifest through WinINet and the
// worker thread that asks the main window.
//
// How it works: the main window's one-shot timer calls StartUpdateThread, which starts the
// check with its UpdateJob on a worker of its own (winframe::StartWorkerThread; tests run
// UpdateThreadProc directly). The worker owns the job and frees it at its end; besides the job it touches nothing of the window but its handle.
// It reads the manifest once (at most 1024 bytes), closes every Internet handle, and when
// the manifest names another version it sends WM_NEW_VERSION to the window and waits until
// the window has asked the user. Every failure ends the worker silently. Nobody waits for
// the worker: sending to a window that is already gone fails at once, so a worker that
// outlives the window ends harmlessly.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

#include "WorkerThread.h"

#include "UpdateCheck.h"

namespace {

// One read of at most this many bytes (the parser keeps the same limit).
constexpr DWORD kManifestReadLimit = 1024;
const wchar_t kAcceptAnyHeader[] = L"Accept: */*\r\n";
constexpr DWORD kAcceptAnyHeaderLength = static_cast<DWORD>(std::size(kAcceptAnyHeader) - 1);

// Owns one WinINet handle (session or request) and closes it.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : m_hInternet(handle) {}
    ~InternetHandle() {
        if (m_hInternet) ::InternetCloseHandle(m_hInternet);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET Get() const { return m_hInternet; }
    explicit operator bool() const { return m_hInternet != nullptr; }

private:
    HINTERNET m_hInternet;
};

// Whether a host is an IPv4 address of the loopback block 127.0.0.0/8 (digits and dots
// only: "127.example.com" is a name, not such an address).
bool IsLoopbackIpv4(const wchar_t* host) {
    if (std::wcsncmp(host, L"127.", 4) != 0) return false;
    return std::wcsspn(host, L"0123456789.") == std::wcslen(host);
}

// Whether the address names this computer itself ("localhost", 127.x.x.x or ::1).
bool IsLoopbackUrl(const wchar_t* url) {
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
    if (!::InternetCrackUrlW(url, 0, 0, &parts)) return false;
    return _wcsicmp(host, L"localhost") == 0 || IsLoopbackIpv4(host) ||
           std::wcscmp(host, L"::1") == 0 || std::wcscmp(host, L"[::1]") == 0;
}

// InternetGetConnectedState speaks of a network connection, which this computer's own
// address never needs: a machine with nothing but loopback (as the test machines may be)
// reports "no connection" there. The maker's address is never a loopback one, so for
// users the check stays as it is.
bool CanReach(const wchar_t* url) {
    if (IsLoopbackUrl(url)) return true;
    DWORD state = 0;
    return ::InternetGetConnectedState(&state, 0) != FALSE;
}

}  // namespace

bool FetchUpdateManifest(const wchar_t* url, std::string* text) {
    if (url == nullptr || text == nullptr) return false;
    text->clear();
    // Plain HTTP could be answered by anybody on the network path; only this computer's own
    // addresses (the tests' server) may be read without TLS.
    if (_wcsnicmp(url, L"https://", 8) != 0 && !IsLoopbackUrl(url)) return false;
    if (!CanReach(url)) return false;

    const InternetHandle session(
        ::InternetOpenW(kUpdateUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    // Declared after the session, so it is closed before it.
    const InternetHandle request(
        ::InternetOpenUrlW(session.Get(), url, kAcceptAnyHeader, kAcceptAnyHeaderLength, 0, 0));
    if (!request) return false;

    // One read: a longer manifest is judged by its first bytes only.
    char buffer[kManifestReadLimit] = {};
    DWORD bytesRead = 0;
    if (!::InternetReadFile(request.Get(), buffer, sizeof(buffer), &bytesRead) || bytesRead == 0)
        return false;
    text->assign(buffer, std::min<DWORD>(bytesRead, sizeof(buffer)));
    return true;
}

namespace {

void RunUpdateCheck(const UpdateJob& job) {
    try {
        std::string text;
        if (!FetchUpdateManifest(job.url.c_str(), &text)) return;
        const UpdateManifest manifest = ParseUpdateManifest(text.data(), text.size());
        // Sent, not posted: the question is asked on the window's thread while this one
        // waits. A window destroyed after IsWindow makes SendMessage fail at once.
        if (AnnouncesNewerVersion(manifest, job.ownVersion) && ::IsWindow(job.hwndNotify))
            ::SendMessageW(job.hwndNotify, WM_NEW_VERSION, 1, 0);
    } catch (...) {
        // Out of memory: the check ends silently like every other failure.
    }
}

}  // namespace

DWORD WINAPI UpdateThreadProc(LPVOID param) {
    const std::unique_ptr<UpdateJob> job(static_cast<UpdateJob*>(param));
    if (job) RunUpdateCheck(*job);
    return 1;
}

// Called from the window's timer: out of memory gives no thread rather than an exception.
HANDLE StartUpdateThread(HWND hwndNotify, const std::string& ownVersion) try {
    UpdateJob job;
    job.hwndNotify = hwndNotify;
    job.ownVersion = ownVersion;
    return winframe::StartWorkerThread([job] { RunUpdateCheck(job); }).Detach();
} catch (const std::bad_alloc&) {
    return nullptr;
}
