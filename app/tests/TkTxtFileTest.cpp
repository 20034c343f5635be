// The exact bytes of the line writer, on the platform the test runs on (the Windows build
// writes through CreateFileW, the native one through the C library).
#include <gtest/gtest.h>

#include <fstream>

#include "ExportFixture.h"
#include "TkTxtFile.h"

namespace {

using apptest::ReadBytes;
using apptest::TempFolder;

std::string Bytes(std::initializer_list<unsigned char> values) {
    return std::string(values.begin(), values.end());
}

TEST(TkTxtFile, NewFileHasOneBomAndCrLfLineEnds) {
    TempFolder folder;
    TkTxtFile file(folder.Wide() + L"/a.txt");
    EXPECT_EQ(1, file.WriteLine(L"ab"));
    EXPECT_EQ(Bytes({0xFF, 0xFE, 'a', 0, 'b', 0, '\r', 0, '\n', 0}), ReadBytes(folder.Path() / "a.txt"));

    // The second line appends without a second byte-order mark; an empty text is a bare CR LF.
    EXPECT_EQ(1, file.WriteLine(L""));
    EXPECT_EQ(1, file.WriteLine(L"c"));
    EXPECT_EQ(Bytes({0xFF, 0xFE, 'a', 0, 'b', 0, '\r', 0, '\n', 0, '\r', 0, '\n', 0, 'c', 0, '\r', 0, '\n', 0}),
              ReadBytes(folder.Path() / "a.txt"));
}

TEST(TkTxtFile, LineFeedInsideTheTextBecomesCrLf) {
    TempFolder folder;
    TkTxtFile file(folder.Wide() + L"/a.txt");
    ASSERT_EQ(1, file.WriteLine(L"a\nb\r\n"));
    // A CR already in the text stays, as the runtime's text mode leaves it.
    EXPECT_EQ(Bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 'b', 0, '\r', 0, '\r', 0, '\n', 0, '\r', 0, '\n', 0}),
              ReadBytes(folder.Path() / "a.txt"));
}

TEST(TkTxtFile, CharactersBeyondTheBasicPlaneAreSurrogatePairs) {
    TempFolder folder;
    TkTxtFile file(folder.Wide() + L"/a.txt");
    ASSERT_EQ(1, file.WriteLine(L"\u00e9\u20ac\U0001F600"));
    EXPECT_EQ(Bytes({0xFF, 0xFE, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0}),
              ReadBytes(folder.Path() / "a.txt"));
}

TEST(TkTxtFile, BomOnlyWhenTheExistingFileIsEmpty) {
    TempFolder folder;
    std::ofstream(folder.Path() / "empty.txt", std::ios::binary).flush();
    std::ofstream(folder.Path() / "full.txt", std::ios::binary) << "xy";

    ASSERT_EQ(1, TkTxtFile(folder.Wide() + L"/empty.txt").WriteLine(L"a"));
    ASSERT_EQ(1, TkTxtFile(folder.Wide() + L"/full.txt").WriteLine(L"a"));
    EXPECT_EQ(Bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0}), ReadBytes(folder.Path() / "empty.txt"));
    EXPECT_EQ(Bytes({'x', 'y', 'a', 0, '\r', 0, '\n', 0}), ReadBytes(folder.Path() / "full.txt"));
}

TEST(TkTxtFile, NonAsciiFileName) {
    TempFolder folder;
    ASSERT_EQ(1, TkTxtFile(folder.Wide() + L"/K\u00f6ln \u20ac \U0001F600.txt").WriteLine(L"a"));
    const auto path = folder.Path() / std::filesystem::u8path(u8"K\u00f6ln \u20ac \U0001F600.txt");
    EXPECT_EQ(Bytes({0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0}), ReadBytes(path));
}

TEST(TkTxtFile, UnopenableFileGivesZero) {
    TempFolder folder;
    EXPECT_EQ(0, TkTxtFile(folder.Wide() + L"/no such folder/a.txt").WriteLine(L"a"));
    EXPECT_EQ(0, TkTxtFile(folder.Wide()).WriteLine(L"a"));  // a folder, not a file
    EXPECT_EQ(0, TkTxtFile().WriteLine(L"a"));
}

}  // namespace
