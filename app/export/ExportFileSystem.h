// ExportFileSystem: every folder and file the export makes, and every byte it writes, goes
// through here; the rest of the export only names things. Folders and files are always made
// new (a name that is taken is reported as such, never opened), and a folder is used only
// when it is a plain folder: a symbolic link, a junction or any other reparse point in its
// place is refused, so that the elevated program cannot be sent to write elsewhere.
//
// On Windows every path is handed to the system in the extended-length form ("\\?\C:\..."),
// so that long paths work; natively (tests and tools) links are refused with lstat and
// O_NOFOLLOW and files are made with O_EXCL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace exportfs {

// The outcome of making a folder or a file new.
enum class Made {
    kMade,    // created new, and (for a folder) checked to be a plain folder
    kTaken,   // something exists under that name already: left alone
    kFailed,  // any other failure; the problem says why
};

// A file the export made, open for writing; closed by its destructor.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;

    bool IsOpen() const;
    // Writes every byte or fails; `written` tells how many reached the file either way.
    bool Write(const char* data, size_t size, size_t& written);
    // Writes bytes at an offset already written, then goes on at the end of the file.
    bool WriteAt(uint64_t offset, const char* data, size_t size);
    // Closes the file; false when the system reports that the close failed.
    bool Close();
    // The system's description of the last failure of this file.
    const std::wstring& Problem() const { return m_problem; }

private:
    friend Made MakeFile(const std::wstring& path, FileHandle& file, std::wstring& problem);
    intptr_t m_native = -1;  // a HANDLE on Windows, a descriptor natively; -1 when closed
    std::wstring m_problem;
};

// The path of `name` inside `folder`.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// Makes the folder new and checks that what now stands there is a plain folder.
Made MakeFolder(const std::wstring& path, std::wstring& problem);
// Makes the file new, for writing, without following a link in its place.
Made MakeFile(const std::wstring& path, FileHandle& file, std::wstring& problem);
// Whether an existing path is a plain folder: a folder, and no link, junction or other
// reparse point.
bool IsPlainFolder(const std::wstring& path, std::wstring& problem);

#if defined(_WIN32)
// The extended-length form of an absolute path ("C:\a" gives "\\?\C:\a", "\\srv\share\a"
// gives "\\?\UNC\srv\share\a"); forward slashes become backslashes. Relative paths and
// paths already in that form are returned as they are.
std::wstring ExtendedPath(const std::wstring& path);
// Whether file attributes describe something the export must not enter or write through.
bool IsLinkOrJunction(unsigned long attributes);
#endif

}  // namespace exportfs
