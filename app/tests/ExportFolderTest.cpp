// The export folder and what is made in it: always new, never through a link, numbered names
// for names that are taken, names Windows refuses or cuts, and paths beyond the old limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "ExportFileSystem.h"
#include "ExportFixture.h"
#include "ExportFolder.h"
#include "NarrowText.h"
#include "RecordExporter.h"

namespace fs = std::filesystem;

namespace {

using apptest::FolderEntries;
using apptest::ModelBuilder;
using apptest::ReadBytes;
using apptest::RecordingControl;
using apptest::TempFolder;

// A path as the C++ library must see it: in the extended form on Windows, to reach beyond the
// old length limit; natively as UTF-8, whatever the locale.
fs::path Reachable(const std::wstring& path) {
#if defined(_WIN32)
    return fs::path(exportfs::ExtendedPath(path));
#else
    return fs::u8path(Utf8FromWide(path));
#endif
}

// Removes a folder tree; on Windows through the extended path form, which the temporary
// folder's own clean-up does not use.
void RemoveTree(const std::wstring& folder) {
#if defined(_WIN32)
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(exportfs::ExtendedPath(folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = exportfs::JoinPath(folder, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::DeleteFileW(exportfs::ExtendedPath(path).c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(exportfs::ExtendedPath(folder).c_str());
#else
    std::error_code ignored;
    fs::remove_all(Reachable(folder), ignored);
#endif
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"/\\") + 1); }

// Makes a link to a folder; false where the platform (or Wine) cannot.
bool MakeFolderLink(const fs::path& target, const fs::path& link) {
    std::error_code error;
    fs::create_directory_symlink(target, link, error);
    return !error && fs::is_symlink(fs::symlink_status(link, error));
}

bool MakeFileLink(const fs::path& target, const fs::path& link) {
    std::error_code error;
    fs::create_symlink(target, link, error);
    return !error && fs::is_symlink(fs::symlink_status(link, error));
}

TEST(ExportFolder, TheTimeStampedFolderIsAlwaysNew) {
    TempFolder parent;
    const std::time_t start = 1709672829;
    const std::wstring name = ExportFolderName(start);
    ASSERT_EQ(22u, name.size());  // "Retrievo" and 14 digits
    EXPECT_EQ(0u, name.find(L"Retrievo"));

    const ExportFolderResult first = CreateExportFolder(parent.Wide(), start);
    const ExportFolderResult second = CreateExportFolder(parent.Wide(), start);
    EXPECT_EQ(exportfs::JoinPath(parent.Wide(), name), first.path) << first.problem;
    EXPECT_EQ(exportfs::JoinPath(parent.Wide(), name + L" (2)"), second.path) << second.problem;

    // A link someone put where the next folder would go is left alone, not written through.
    TempFolder elsewhere;
    if (MakeFolderLink(elsewhere.Path(), parent.Path() / (name + L" (3)"))) {
        const ExportFolderResult third = CreateExportFolder(parent.Wide(), start);
        EXPECT_EQ(exportfs::JoinPath(parent.Wide(), name + L" (4)"), third.path) << third.problem;
        ModelBuilder builder;
        builder.AddContact(1, 0, "Ann", kNameSourceStructuredName);
        const ExportModel model = builder.Model();
        RecordingControl control;
        RecordExporter exporter(model, control, third.path, ExportFormats::All());
        exporter.ExportContacts(L"Contacts (1)", true);
        exporter.Finish();
        EXPECT_FALSE(exporter.AnyWriteFailed()) << exporter.FirstProblem();
        EXPECT_TRUE(FolderEntries(elsewhere.Path()).empty());
    } else {
        std::printf("note: no folder link could be made here; the link case is checked natively\n");
    }

    const ExportFolderResult missing = CreateExportFolder(parent.Wide() + L"/no such folder", start);
    EXPECT_TRUE(missing.path.empty());
    EXPECT_NE(std::wstring::npos, missing.problem.find(L"no such folder")) << missing.problem;
}

TEST(ExportFolder, ALinkInsteadOfTheExportFolderIsRefused) {
    TempFolder parent;
    TempFolder elsewhere;
    const fs::path link = parent.Path() / L"Retrievo20240305210709";
    if (!MakeFolderLink(elsewhere.Path(), link)) GTEST_SKIP() << "no folder link can be made here";

    ModelBuilder builder;
    builder.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    const ExportModel model = builder.Model();
    RecordingControl control;
    RecordExporter exporter(model, control, link.wstring(), ExportFormats::All());
    EXPECT_EQ(1, exporter.ExportContacts(L"Contacts (1)", true));
    exporter.Finish();
    EXPECT_TRUE(exporter.AnyWriteFailed());
    EXPECT_NE(std::wstring::npos, exporter.FirstProblem().find(L"link")) << exporter.FirstProblem();
    EXPECT_EQ(0, exporter.Written());
    EXPECT_TRUE(FolderEntries(elsewhere.Path()).empty());
}

TEST(ExportFolder, FilesAreMadeNewUnderNamesWindowsAccepts) {
    TempFolder root;
    TempFolder elsewhere;
    const fs::path victim = elsewhere.Path() / "victim.txt";
    std::ofstream(victim, std::ios::binary) << "keep";
    const bool linked = MakeFileLink(victim, root.Path() / "contacts.txt");
    std::ofstream(root.Path() / "deleted.txt", std::ios::binary) << "earlier";

    ExportFolder folder(root.Wide());
    const auto contacts = folder.MakeFile(root.Wide(), L"contacts", L".txt");
    const auto deleted = folder.MakeFile(root.Wide(), L"deleted", L".txt");
    const auto kolnLower = folder.MakeFile(root.Wide(), L"k\u00f6ln \u20ac \U0001F600", L".txt");
    const auto kolnUpper = folder.MakeFile(root.Wide(), L"K\u00f6ln \u20ac \U0001F600", L".txt");
    const auto reserved = folder.MakeFile(root.Wide(), L"nul", L".txt");
    const std::wstring longName(300, L'\u738b');  // 王, three bytes each in UTF-8
    const auto cut = folder.MakeFile(root.Wide(), longName, L".txt");
    const std::wstring sub = folder.MakeSubFolder(L"Message (3). ");
    for (const auto* file : {&contacts, &deleted, &kolnLower, &kolnUpper, &reserved, &cut}) {
        EXPECT_FALSE((*file)->Failed()) << (*file)->Problem();
        EXPECT_TRUE((*file)->Append("x"));
        EXPECT_TRUE((*file)->Close());
    }
    EXPECT_EQ(linked ? L"contacts (2).txt" : L"contacts.txt", FileName(contacts->Path()));
    EXPECT_EQ(L"deleted (2).txt", FileName(deleted->Path()));
    EXPECT_EQ(L"k\u00f6ln \u20ac \U0001F600.txt", FileName(kolnLower->Path()));
    // Names that differ only in case are one name to Windows: the second is numbered.
    EXPECT_EQ(L"K\u00f6ln \u20ac \U0001F600 (2).txt", FileName(kolnUpper->Path()));
    EXPECT_EQ(L"_nul.txt", FileName(reserved->Path()));
    EXPECT_EQ(std::wstring(60, L'\u738b') + L".txt", FileName(cut->Path()));
    EXPECT_EQ(L"Message (3)", FileName(sub));  // no trailing dot or space
    EXPECT_EQ("keep", ReadBytes(victim));
    EXPECT_EQ("earlier", ReadBytes(root.Path() / "deleted.txt"));
    EXPECT_EQ("x", ReadBytes(Reachable(kolnUpper->Path())));
}

TEST(ExportFolder, PathsBeyondTheOldLimitWork) {
    TempFolder temp;
    std::wstring parent = temp.Wide();
    for (const wchar_t letter : {L'a', L'b', L'c'}) {
        parent = exportfs::JoinPath(parent, std::wstring(100, letter));
        std::wstring problem;
        ASSERT_EQ(exportfs::Made::kMade, exportfs::MakeFolder(parent, problem)) << problem;
    }
    const ExportFolderResult folder = CreateExportFolder(parent, 1709672829);
    ASSERT_FALSE(folder.path.empty()) << folder.problem;
    ASSERT_GT(folder.path.size(), 330u);

    ModelBuilder builder;
    builder.AddContact(1, 0, "Ann", kNameSourceStructuredName);
    builder.AddConversation(1);
    builder.AddMessage(1, "+111", 0, 1, "2024-01-01 10:00:00", "hi");
    const ExportModel model = builder.Model();
    RecordingControl control;
    RecordExporter exporter(model, control, folder.path, ExportFormats::All());
    exporter.ExportContacts(L"Contacts (1)", true);
    exporter.ExportMessages(L"Message (1)", true);
    exporter.Finish();
    EXPECT_FALSE(exporter.AnyWriteFailed()) << exporter.FirstProblem();
    EXPECT_EQ(2, exporter.Written());
    EXPECT_EQ(apptest::Utf16Lines({u"", u"2024-01-01 10:00:00", u"+111 : hi", u""}),
              ReadBytes(Reachable(exportfs::JoinPath(exportfs::JoinPath(folder.path, L"Message (1)"), L"+111.txt"))));
    EXPECT_EQ(0u, ReadBytes(Reachable(exportfs::JoinPath(folder.path, L"report.html"))).find("<!DOCTYPE html>"));

    RemoveTree(exportfs::JoinPath(temp.Wide(), std::wstring(100, L'a')));
}

#if defined(_WIN32)
TEST(ExportFolder, WindowsPathFormsAndLinkAttributes) {
    EXPECT_EQ(L"\\\\?\\C:\\a\\b", exportfs::ExtendedPath(L"C:\\a\\\\b"));
    EXPECT_EQ(L"\\\\?\\C:\\a\\b", exportfs::ExtendedPath(L"C:/a/b"));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\a", exportfs::ExtendedPath(L"\\\\server\\share\\a"));
    EXPECT_EQ(L"\\\\?\\D:\\x", exportfs::ExtendedPath(L"\\\\?\\D:\\x"));
    EXPECT_EQ(L"relative\\x", exportfs::ExtendedPath(L"relative/x"));
    // Wine cannot make junctions: the check is tested with the attributes it reads.
    EXPECT_TRUE(exportfs::IsLinkOrJunction(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_TRUE(exportfs::IsLinkOrJunction(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(exportfs::IsLinkOrJunction(FILE_ATTRIBUTE_DIRECTORY));
}
#endif

}  // namespace
