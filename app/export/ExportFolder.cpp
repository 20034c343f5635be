#include "ExportFolder.h"

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "ExportFileSystem.h"
#include "LocalTime.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// How many numbered names are tried before giving up.
constexpr int kMaxNumberedNames = 10000;
// A name's length in UTF-8 bytes before its number and extension: far below the 255 units
// of a name on Windows and the 255 bytes natively, whatever the script.
constexpr size_t kMaxStemUtf8Bytes = 180;

bool IsReservedDeviceName(const std::wstring& name) {
    // Windows ignores the extension and trailing spaces and dots when it matches device names.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& ch : base) {
        if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
    }
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

size_t Utf8Length(wchar_t ch) {
    const uint32_t value = static_cast<uint32_t>(ch);
    if (value < 0x80) return 1;
    if (value < 0x800) return 2;
    if (value >= 0xD800 && value <= 0xDFFF) return 2;  // half of a pair: 4 bytes for both
    if (value < 0x10000) return 3;
    return 4;
}

// Cuts a name to kMaxStemUtf8Bytes without parting a surrogate pair.
std::wstring CutToLength(const std::wstring& name) {
    size_t bytes = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        bytes += Utf8Length(name[i]);
        if (bytes > kMaxStemUtf8Bytes) {
            size_t cut = i;
            const uint32_t previous = cut > 0 ? static_cast<uint32_t>(name[cut - 1]) : 0;
            if (previous >= 0xD800 && previous <= 0xDBFF) --cut;
            return name.substr(0, cut);
        }
    }
    return name;
}

// A name as Windows compares names: without regard to case.
std::wstring Folded(const std::wstring& name) {
    std::wstring folded = name;
#if defined(_WIN32)
    if (!folded.empty()) ::CharUpperBuffW(&folded[0], static_cast<DWORD>(folded.size()));
#else
    for (wchar_t& ch : folded) ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
#endif
    return folded;
}

std::wstring NumberedName(const std::wstring& stem, int number) {
    if (number == 1) return stem;
    const std::wstring suffix = L"(" + std::to_wstring(number) + L")";
    return stem.empty() ? suffix : stem + L" " + suffix;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

std::wstring SafeFileName(const std::wstring& name) {
    std::wstring safe = name;
    for (wchar_t& ch : safe) {
        const bool control = static_cast<uint32_t>(ch) < 0x20;
        if (control || ch == L'\\' || ch == L'/' || ch == L':' || ch == L'*' || ch == L'?' || ch == L'"' ||
            ch == L'<' || ch == L'>' || ch == L'|') {
            ch = L'_';
        }
    }
    if (IsReservedDeviceName(safe)) safe.insert(0, L"_");
    return safe;
}

std::wstring ExportFolderName(std::time_t startTime) {
    std::tm local{};
    if (!LocalTimeOf(startTime, local)) return L"Retrievo";
    wchar_t stamp[32] = {};
    std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]), L"Retrievo%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return stamp;
}

ExportFolderResult CreateExportFolder(const std::wstring& parent, std::time_t startTime) {
    ExportFolderResult result;
    if (parent.empty()) {
        result.problem = L"No folder was picked to save the recovered files in.";
        return result;
    }
    const std::wstring name = ExportFolderName(startTime);
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        const std::wstring path = exportfs::JoinPath(parent, NumberedName(name, number));
        std::wstring problem;
        switch (exportfs::MakeFolder(path, problem)) {
            case exportfs::Made::kMade:
                result.path = path;
                return result;
            case exportfs::Made::kTaken:
                continue;
            case exportfs::Made::kFailed:
                result.problem = L"The folder " + Quoted(path) + L" could not be made: " + problem;
                return result;
        }
    }
    result.problem = L"No new folder could be made in " + Quoted(parent) + L": every name is taken.";
    return result;
}

ExportFolder::ExportFolder(std::wstring root) : m_root(std::move(root)) {}

void ExportFolder::NoteProblem(const std::wstring& what, const std::wstring& problem) {
    if (m_firstProblem.empty()) m_firstProblem = what + L" could not be made: " + problem;
}

bool ExportFolder::RootUsable() {
    if (m_rootState == RootState::kUnchecked) {
        std::wstring problem;
        const bool usable = !m_root.empty() && exportfs::IsPlainFolder(m_root, problem);
        m_rootState = usable ? RootState::kUsable : RootState::kRefused;
        if (!usable) {
            m_rootProblem = L"The export folder " + Quoted(m_root) + L" cannot be used: " +
                            (m_root.empty() ? std::wstring(L"it has no name.") : problem);
            if (m_firstProblem.empty()) m_firstProblem = m_rootProblem;
        }
    }
    return m_rootState == RootState::kUsable;
}

std::wstring ExportFolder::MakeSubFolder(const std::wstring& name) {
    if (!RootUsable()) return std::wstring();
    std::wstring stem = CutToLength(SafeFileName(name));
    // With the extended path form Windows keeps trailing dots and spaces, which no other
    // program can then open.
    while (!stem.empty() && (stem.back() == L' ' || stem.back() == L'.')) stem.pop_back();
    if (stem.empty()) stem = L"_";
    std::set<std::wstring>& taken = m_namesTaken[m_root];
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        const std::wstring candidate = NumberedName(stem, number);
        if (!taken.insert(Folded(candidate)).second) continue;
        const std::wstring path = exportfs::JoinPath(m_root, candidate);
        std::wstring problem;
        switch (exportfs::MakeFolder(path, problem)) {
            case exportfs::Made::kMade:
                return path;
            case exportfs::Made::kTaken:
                continue;
            case exportfs::Made::kFailed:
                NoteProblem(L"The folder " + Quoted(path), problem);
                return std::wstring();
        }
    }
    NoteProblem(L"A folder named " + Quoted(stem), L"every numbered name is taken.");
    return std::wstring();
}

std::unique_ptr<OutputFile> ExportFolder::MakeFile(const std::wstring& folder, const std::wstring& stem,
                                                   const std::wstring& extension) {
    const std::wstring safeStem = CutToLength(SafeFileName(stem));
    if (folder.empty() || !RootUsable()) {
        const std::wstring path = exportfs::JoinPath(folder, safeStem + extension);
        const std::wstring why = m_rootProblem.empty() ? L"its folder could not be made." : m_rootProblem;
        NoteProblem(L"The file " + Quoted(path), why);
        return std::make_unique<OutputFile>(OutputFile::Refused(path, why));
    }
    std::set<std::wstring>& taken = m_namesTaken[folder];
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        const std::wstring name = NumberedName(safeStem, number) + extension;
        if (!taken.insert(Folded(name)).second) continue;
        const std::wstring path = exportfs::JoinPath(folder, name);
        exportfs::FileHandle file;
        std::wstring problem;
        switch (exportfs::MakeFile(path, file, problem)) {
            case exportfs::Made::kMade: {
                auto made = std::make_unique<OutputFile>(std::move(file), path);
                m_files.push_back(made.get());
                return made;
            }
            case exportfs::Made::kTaken:
                continue;
            case exportfs::Made::kFailed:
                NoteProblem(L"The file " + Quoted(path), problem);
                return std::make_unique<OutputFile>(OutputFile::Refused(path, problem));
        }
    }
    const std::wstring path = exportfs::JoinPath(folder, safeStem + extension);
    NoteProblem(L"The file " + Quoted(path), L"every numbered name is taken.");
    return std::make_unique<OutputFile>(OutputFile::Refused(path, L"Every numbered name is taken."));
}

std::wstring ExportFolder::FirstProblem() const {
    if (!m_firstProblem.empty()) return m_firstProblem;
    for (const OutputFile* file : m_files) {
        if (file->Failed()) return L"The file " + Quoted(file->Path()) + L" could not be written: " + file->Problem();
    }
    return std::wstring();
}
