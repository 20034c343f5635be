// ExportFolder: the time-stamped folder an export writes into, and the names of what the
// export makes inside it. Everything is made new: a folder or file name that is taken (by an
// earlier export, by another program, or by a link someone put there) is never opened; the
// next free name is used instead: "name (2)", "name (3)", ... Names are compared as Windows
// compares them, without regard to case, so that two conversations whose names differ only in
// case, or only in characters that became "_", get two files and never share one.
#pragma once

#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "OutputFile.h"

// A file name made safe for Windows: \ / : * ? " < > | and control characters become "_",
// and a name that Windows reserves for a device (CON, NUL, COM1, ...; with or without an
// extension, in any case) gets a leading "_". An empty name stays empty.
std::wstring SafeFileName(const std::wstring& name);

// "Retrievo" followed by the local time of `startTime` as "%Y%m%d%H%M%S".
std::wstring ExportFolderName(std::time_t startTime);

struct ExportFolderResult {
    std::wstring path;     // the folder made; empty when none could be made
    std::wstring problem;  // why not, in a sentence that names the folder
};

// Makes the export folder in `parent`, the folder the user picked: ExportFolderName, or that
// name with " (2)", " (3)", ... when it is taken. The folder is made new and checked to be a
// plain folder (no link or junction) before it is handed out.
ExportFolderResult CreateExportFolder(const std::wstring& parent, std::time_t startTime);

class ExportFolder {
public:
    // `root` is the export folder (made by CreateExportFolder); it is checked once, before
    // anything is made in it.
    explicit ExportFolder(std::wstring root);

    const std::wstring& Root() const { return m_root; }

    // Makes a folder new in the root: `name` made safe, or a numbered name when taken.
    // Returns its path, or an empty string when it could not be made.
    std::wstring MakeSubFolder(const std::wstring& name);
    // Makes a file new in `folder` (the root or one made by MakeSubFolder): `stem` made safe
    // and `extension` (".txt"), or "stem (2).txt", ... when taken. Never null; a file that
    // could not be made refuses every write and carries the reason.
    std::unique_ptr<OutputFile> MakeFile(const std::wstring& folder, const std::wstring& stem,
                                         const std::wstring& extension);

    // The first folder or file that could not be made or written, as a sentence naming it
    // with the system's reason; empty when none. Asks the files made here, which must still
    // exist.
    std::wstring FirstProblem() const;

private:
    enum class RootState { kUnchecked, kUsable, kRefused };

    std::wstring m_root;
    RootState m_rootState = RootState::kUnchecked;
    std::wstring m_rootProblem;
    std::wstring m_firstProblem;
    std::map<std::wstring, std::set<std::wstring>> m_namesTaken;  // per folder, names as compared
    std::vector<const OutputFile*> m_files;                        // every file made (owned by the formats)

    bool RootUsable();
    void NoteProblem(const std::wstring& what, const std::wstring& problem);
};
