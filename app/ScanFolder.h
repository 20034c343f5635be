// ScanFolder: the private folder of one scan, where the pull puts the copies of the phone's
// databases and their side files, and from where the engine and the listing read them.
//
// The program runs elevated, so every folder it writes into must be one nobody else can
// prepare: each scan gets a new folder of its own under the user's local application data,
// %LOCALAPPDATA%\Quillfen Retrievo\scan-<time>-<process id> (another name when that one
// exists), readable and writable by the current user and the Administrators only, and no
// folder on the way may be a link or junction. Removing it deletes only the files the
// program puts there (the copies and their side files, each opened as itself, never through
// a link it might be), then the folder; anything else found there stays, and so does the
// folder.
#pragma once

#include <windows.h>

#include <string>

class ScanFolder {
public:
    ScanFolder() = default;
    ~ScanFolder() { Remove(); }
    ScanFolder(const ScanFolder&) = delete;
    ScanFolder& operator=(const ScanFolder&) = delete;

    // Creates a new scan folder below `base` (empty: %LOCALAPPDATA%\Quillfen Retrievo, itself
    // created when missing). False when it cannot be made safely; `error` then says why.
    bool Create(std::wstring& error, const std::wstring& base = std::wstring());

    // The folder, and a file in it as a narrow path (the process's code page is UTF-8).
    const std::wstring& Path() const { return m_path; }
    std::string FilePath(const char* name) const;

    // Copies `source` into the folder as `name` (one of kFileNames): read as itself (a
    // source that is a link or junction is refused: the elevated program would copy whatever
    // it points to into a folder the user can read) and written as a new file. False when
    // the copy was not made whole; `error` then says why.
    bool CopyIn(const std::wstring& source, const char* name, std::wstring& error) const;

    // Deletes the files the program puts into a scan folder, then the folder. Returns whether
    // everything is gone; a file that cannot be deleted yet (still open elsewhere) is deleted
    // at the next start of the system instead.
    bool Remove();

    // The file names a scan puts into its folder: the two copies with their side files.
    static const char* const kFileNames[];

private:
    std::wstring m_path;
};

// Whether `path` is an existing folder that is no link or junction (no reparse point).
bool IsPlainFolder(const std::wstring& path);
