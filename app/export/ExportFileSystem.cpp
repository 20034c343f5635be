#include "ExportFileSystem.h"

#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "NarrowText.h"
#endif

namespace exportfs {

#if defined(_WIN32)

namespace {

std::wstring SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : L"system error " + std::to_wstring(code);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.pop_back();
    }
    return message;
}

HANDLE AsHandle(intptr_t native) { return reinterpret_cast<HANDLE>(native); }

}  // namespace

std::wstring ExtendedPath(const std::wstring& path) {
    std::wstring clean = path;
    for (wchar_t& ch : clean) {
        if (ch == L'/') ch = L'\\';
    }
    if (clean.compare(0, 4, L"\\\\?\\") == 0) return clean;
    std::wstring prefix;
    std::wstring rest;
    if (clean.compare(0, 2, L"\\\\") == 0) {
        prefix = L"\\\\?\\UNC\\";
        rest = clean.substr(2);
    } else if (clean.size() >= 3 && clean[1] == L':' && clean[2] == L'\\') {
        prefix = L"\\\\?\\";
        rest = clean;
    } else {
        return clean;
    }
    // The extended form is taken literally: doubled separators must go.
    std::wstring collapsed;
    collapsed.reserve(rest.size());
    for (const wchar_t ch : rest) {
        if (ch == L'\\' && !collapsed.empty() && collapsed.back() == L'\\') continue;
        collapsed.push_back(ch);
    }
    return prefix + collapsed;
}

bool IsLinkOrJunction(unsigned long attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    if (folder.back() == L'\\' || folder.back() == L'/') return folder + name;
    return folder + L"\\" + name;
}

bool IsPlainFolder(const std::wstring& path, std::wstring& problem) {
    // GetFileAttributesW reports a link or junction itself, not what it points to.
    const DWORD attributes = ::GetFileAttributesW(ExtendedPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        problem = SystemMessage(::GetLastError());
        return false;
    }
    if (IsLinkOrJunction(attributes)) {
        problem = L"It is a link or junction, which the export does not write through.";
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        problem = L"It is not a folder.";
        return false;
    }
    return true;
}

Made MakeFolder(const std::wstring& path, std::wstring& problem) {
    if (!::CreateDirectoryW(ExtendedPath(path).c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Made::kTaken;
        problem = SystemMessage(error);
        return Made::kFailed;
    }
    return IsPlainFolder(path, problem) ? Made::kMade : Made::kFailed;
}

Made MakeFile(const std::wstring& path, FileHandle& file, std::wstring& problem) {
    file.Close();
    const std::wstring extended = ExtendedPath(path);
    // CREATE_NEW never opens what exists; with FILE_FLAG_OPEN_REPARSE_POINT a link in the
    // file's place counts as existing instead of being followed.
    const HANDLE handle = ::CreateFileW(extended.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return Made::kTaken;
        // A folder of that name answers "access denied".
        if (error == ERROR_ACCESS_DENIED && ::GetFileAttributesW(extended.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return Made::kTaken;
        }
        problem = SystemMessage(error);
        return Made::kFailed;
    }
    file.m_native = reinterpret_cast<intptr_t>(handle);
    return Made::kMade;
}

bool FileHandle::Write(const char* data, size_t size, size_t& written) {
    written = 0;
    if (!IsOpen()) return false;
    while (written < size) {
        DWORD chunk = 0;
        const size_t left = size - written;
        const DWORD wanted = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        if (!::WriteFile(AsHandle(m_native), data + written, wanted, &chunk, nullptr)) {
            m_problem = SystemMessage(::GetLastError());
            return false;
        }
        if (chunk == 0) {
            m_problem = L"The file took no more bytes.";
            return false;
        }
        written += chunk;
    }
    return true;
}

bool FileHandle::WriteAt(uint64_t offset, const char* data, size_t size) {
    if (!IsOpen()) return false;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    const bool ok = ::WriteFile(AsHandle(m_native), data, static_cast<DWORD>(size), &written, &at) &&
                    written == size;
    if (!ok) m_problem = SystemMessage(::GetLastError());
    // A positioned write moves the file pointer of a synchronous handle: back to the end.
    LARGE_INTEGER zero{};
    const bool atEnd = ::SetFilePointerEx(AsHandle(m_native), zero, nullptr, FILE_END) != 0;
    return ok && atEnd;
}

bool FileHandle::Close() {
    if (!IsOpen()) return true;
    const bool closed = ::CloseHandle(AsHandle(m_native)) != 0;
    if (!closed) m_problem = SystemMessage(::GetLastError());
    m_native = -1;
    return closed;
}

#else

namespace {

std::wstring SystemMessage(int error) { return WideFromUtf8(std::strerror(error)); }

}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    if (folder.back() == L'/') return folder + name;
    return folder + L"/" + name;
}

bool IsPlainFolder(const std::wstring& path, std::wstring& problem) {
    struct stat info {};
    if (::lstat(Utf8FromWide(path).c_str(), &info) != 0) {
        problem = SystemMessage(errno);
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        problem = L"It is a link, which the export does not write through.";
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        problem = L"It is not a folder.";
        return false;
    }
    return true;
}

Made MakeFolder(const std::wstring& path, std::wstring& problem) {
    if (::mkdir(Utf8FromWide(path).c_str(), 0777) != 0) {
        if (errno == EEXIST) return Made::kTaken;
        problem = SystemMessage(errno);
        return Made::kFailed;
    }
    return IsPlainFolder(path, problem) ? Made::kMade : Made::kFailed;
}

Made MakeFile(const std::wstring& path, FileHandle& file, std::wstring& problem) {
    file.Close();
    // O_EXCL never opens what exists, a link in the file's place included.
    const int descriptor =
        ::open(Utf8FromWide(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (errno == EEXIST) return Made::kTaken;
        problem = SystemMessage(errno);
        return Made::kFailed;
    }
    file.m_native = descriptor;
    return Made::kMade;
}

bool FileHandle::Write(const char* data, size_t size, size_t& written) {
    written = 0;
    if (!IsOpen()) return false;
    while (written < size) {
        const ssize_t chunk = ::write(static_cast<int>(m_native), data + written, size - written);
        if (chunk < 0 && errno == EINTR) continue;
        if (chunk <= 0) {
            m_problem = chunk < 0 ? SystemMessage(errno) : L"The file took no more bytes.";
            return false;
        }
        written += static_cast<size_t>(chunk);
    }
    return true;
}

bool FileHandle::WriteAt(uint64_t offset, const char* data, size_t size) {
    if (!IsOpen()) return false;
    const ssize_t written = ::pwrite(static_cast<int>(m_native), data, size, static_cast<off_t>(offset));
    if (written < 0) m_problem = SystemMessage(errno);
    return written == static_cast<ssize_t>(size);
}

bool FileHandle::Close() {
    if (!IsOpen()) return true;
    const bool closed = ::close(static_cast<int>(m_native)) == 0;
    if (!closed) m_problem = SystemMessage(errno);
    m_native = -1;
    return closed;
}

#endif

FileHandle::~FileHandle() { Close(); }

bool FileHandle::IsOpen() const { return m_native != -1; }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_native(std::exchange(other.m_native, -1)), m_problem(std::move(other.m_problem)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_native = std::exchange(other.m_native, -1);
        m_problem = std::move(other.m_problem);
    }
    return *this;
}

}  // namespace exportfs
