#include "TkTxtFile.h"

#include <cstdint>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#include <memory>

#include "NarrowText.h"
#endif

namespace {

void AppendUnit(std::string& bytes, uint32_t unit) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8 & 0xFF));
}

// The bytes of one line as the runtime's Unicode text mode writes them: UTF-16LE, every line
// feed (the text's own and the appended one) as CR LF. Natively wchar_t holds code points,
// so those above U+FFFF become surrogate pairs; on Windows the text is UTF-16 already.
std::string LineBytes(const std::wstring& text) {
    std::string bytes;
    bytes.reserve((text.size() + 2) * 2);
    for (const wchar_t ch : text) {
        const uint32_t value = static_cast<uint32_t>(ch);
        if (value == L'\n') {
            AppendUnit(bytes, L'\r');
            AppendUnit(bytes, L'\n');
        } else if (value > 0x10FFFF) {
            AppendUnit(bytes, 0xFFFD);
        } else if (value > 0xFFFF) {
            const uint32_t offset = value - 0x10000;
            AppendUnit(bytes, 0xD800 | offset >> 10);
            AppendUnit(bytes, 0xDC00 | (offset & 0x3FF));
        } else {
            AppendUnit(bytes, value);
        }
    }
    AppendUnit(bytes, L'\r');
    AppendUnit(bytes, L'\n');
    return bytes;
}

const char kByteOrderMark[] = "\xFF\xFE";

#if defined(_WIN32)

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() {
        if (Valid()) ::CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

bool AppendBytes(const std::wstring& path, std::string bytes) {
    // Shared for reading and writing, as the C runtime opens its files.
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    LARGE_INTEGER zero{};
    LARGE_INTEGER end{};
    if (!::SetFilePointerEx(file.Get(), zero, &end, FILE_END)) return false;
    if (end.QuadPart == 0) bytes.insert(0, kByteOrderMark, 2);
    size_t written = 0;
    while (written < bytes.size()) {
        DWORD chunk = 0;
        const DWORD wanted = static_cast<DWORD>(bytes.size() - written);
        if (!::WriteFile(file.Get(), bytes.data() + written, wanted, &chunk, nullptr) || chunk == 0) {
            return false;
        }
        written += chunk;
    }
    return true;
}

#else

bool AppendBytes(const std::wstring& path, std::string bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(Utf8FromWide(path).c_str(), "ab"),
                                                         &std::fclose);
    if (!file) return false;
    // "ab" writes at the end; the position after a seek there tells whether the file was
    // empty and needs its byte-order mark.
    bool ok = std::fseek(file.get(), 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file.get()) : -1;
    ok = ok && size >= 0;
    if (ok && size == 0) bytes.insert(0, kByteOrderMark, 2);
    ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    // Closing flushes: only a successful close means the bytes reached the file.
    const bool closed = std::fclose(file.release()) == 0;
    return ok && closed;
}

#endif

}  // namespace

TkTxtFile::TkTxtFile(std::wstring path) : m_strPath(std::move(path)) {}

TkTxtFile::~TkTxtFile() = default;

int TkTxtFile::WriteLine(const std::wstring& text) {
    if (m_strPath.empty()) return 0;
    return AppendBytes(m_strPath, LineBytes(text)) ? 1 : 0;
}
