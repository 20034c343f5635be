#include "ScanFolder.h"

#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "Handles.h"
#include "NarrowText.h"


const char* const ScanFolder::kFileNames[] = {
    "contacts2.db", "contacts2.db-wal", "contacts2.db-journal", "contacts2.db-shm",
    "mmssms.db",    "mmssms.db-wal",    "mmssms.db-journal",    "mmssms.db-shm",
    nullptr};

namespace {

const wchar_t kProductFolder[] = L"Quillfen Retrievo";

std::wstring LastErrorText(const wchar_t* what, const std::wstring& path) {
    const DWORD code = ::GetLastError();
    wchar_t* message = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = std::wstring(what) + L" \"" + path + L"\": ";
    if (message) {
        text += message;
        ::LocalFree(message);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    } else {
        text += L"error " + std::to_wstring(code);
    }
    return text;
}

// An access list that lets the current user and the Administrators, and nobody else, into
// a folder and everything created in it (inheritance from the parent is cut).
class PrivateSecurity {
public:
    PrivateSecurity() {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::unique_ptr<BYTE[]> buffer(new BYTE[size ? size : 1]);
        wchar_t* sid = nullptr;
        if (size && ::GetTokenInformation(token, TokenUser, buffer.get(), size, &size) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &sid)) {
            const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")(A;OICI;FA;;;BA)";
            ::LocalFree(sid);
            ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &m_descriptor,
                                                                   nullptr);
        }
        ::CloseHandle(token);
        m_attributes.nLength = sizeof(m_attributes);
        m_attributes.lpSecurityDescriptor = m_descriptor;
        m_attributes.bInheritHandle = FALSE;
    }
    ~PrivateSecurity() {
        if (m_descriptor) ::LocalFree(m_descriptor);
    }
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;

    bool IsValid() const { return m_descriptor != nullptr; }
    SECURITY_ATTRIBUTES* Attributes() { return &m_attributes; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

std::wstring LocalAppData() {
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)) && path) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

std::wstring TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    wchar_t text[32] = {};
    std::wcsftime(text, 32, L"%Y%m%d-%H%M%S", &local);
    return text;
}

// Deletes one file as itself: opened without following a link (a link is deleted, not what
// it points to) and marked for deletion through its own handle.
bool DeleteOwnFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    const BOOL marked = ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition));
    ::CloseHandle(file);
    return marked != FALSE;
}

}  // namespace

bool IsPlainFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ScanFolder::Create(std::wstring& error, const std::wstring& base) {
    Remove();
    PrivateSecurity security;
    if (!security.IsValid()) {
        error = LastErrorText(L"Cannot make a private access list for the scan folder", L"");
        return false;
    }
    std::wstring parent = base;
    if (parent.empty()) {
        const std::wstring appData = LocalAppData();
        if (appData.empty() || !IsPlainFolder(appData)) {
            error = L"The local application data folder \"" + appData + L"\" is missing or is a link.";
            return false;
        }
        parent = appData + L"\\" + kProductFolder;
        if (!::CreateDirectoryW(parent.c_str(), security.Attributes()) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            error = LastErrorText(L"Cannot create the folder", parent);
            return false;
        }
    }
    if (!IsPlainFolder(parent)) {
        error = L"The folder \"" + parent + L"\" is not a plain folder (a file, a link or a junction): nothing is "
                L"copied there.";
        return false;
    }
    const std::wstring stem = parent + L"\\scan-" + TimeStamp() + L"-" + std::to_wstring(::GetCurrentProcessId());
    for (int n = 1; n < 1000; ++n) {
        const std::wstring candidate = n == 1 ? stem : stem + L"-" + std::to_wstring(n);
        if (::CreateDirectoryW(candidate.c_str(), security.Attributes())) {
            if (!IsPlainFolder(candidate)) {
                error = L"The new scan folder \"" + candidate + L"\" is not a plain folder.";
                return false;
            }
            m_path = candidate;
            return true;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            error = LastErrorText(L"Cannot create the scan folder", candidate);
            return false;
        }
    }
    error = L"Cannot find a free name for a scan folder in \"" + parent + L"\".";
    return false;
}

std::string ScanFolder::FilePath(const char* name) const {
    return NarrowFromWide(m_path) + "\\" + name;
}

bool ScanFolder::CopyIn(const std::wstring& source, const char* name, std::wstring& error) const {
    winframe::CHandle from(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN,
                                         nullptr));
    if (!from.IsValid()) {
        error = LastErrorText(L"Cannot open", source);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(from.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        error = L"\"" + source + L"\" is a link, a junction or a folder, not a database file: it is not read.";
        return false;
    }
    const std::wstring target = m_path + L"\\" + std::wstring(name, name + std::strlen(name));
    winframe::CHandle to(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!to.IsValid()) {
        error = LastErrorText(L"Cannot create", target);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(from.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            error = LastErrorText(L"Cannot read", source);
            return false;
        }
        if (got == 0) return true;
        DWORD written = 0;
        if (!::WriteFile(to.Get(), buffer.data(), got, &written, nullptr) || written != got) {
            error = LastErrorText(L"Cannot write", target);
            return false;
        }
    }
}

bool ScanFolder::Remove() {
    if (m_path.empty()) return true;
    bool allGone = true;
    for (const char* const* name = kFileNames; *name; ++name) {
        const std::wstring path = m_path + L"\\" + std::wstring(*name, *name + std::strlen(*name));
        if (DeleteOwnFile(path)) continue;
        // Still open in a worker that did not end in time: gone at the next start instead.
        if (!::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) allGone = false;
    }
    if (!::RemoveDirectoryW(m_path.c_str())) {
        ::MoveFileExW(m_path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        allGone = false;
    }
    m_path.clear();
    return allGone;
}
