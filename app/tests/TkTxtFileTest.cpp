// The exact bytes of the UTF-16 line writer, and a file that could not be made.
#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "ExportFolder.h"
#include "TkTxtFile.h"

namespace {

using apptest::ReadBytes;
using apptest::TempFolder;

std::string Bytes(std::initializer_list<unsigned char> values) { return std::string(values.begin(), values.end()); }

TEST(TkTxtFile, OneByteOrderMarkCrLfLineEndsAndSurrogatePairs) {
    TempFolder folder;
    ExportFolder target(folder.Wide());
    auto file = target.MakeFile(folder.Wide(), L"a", L".txt");
    {
        TkTxtFile text(*file);
        EXPECT_EQ(1, text.WriteLine(L"ab"));
        EXPECT_EQ(1, text.WriteLine(L""));  // an empty text is a bare CR LF
        // A line feed inside the text becomes CR LF; a CR already there stays, as the
        // runtime's text mode leaves it.
        EXPECT_EQ(1, text.WriteLine(L"a\nb\r\n"));
        EXPECT_EQ(1, text.WriteLine(L"\u00e9\u20ac\U0001F600"));
    }
    ASSERT_TRUE(file->Close());
    EXPECT_EQ(Bytes({0xFF, 0xFE, 'a', 0, 'b', 0, '\r', 0, '\n', 0,                                  //
                     '\r', 0, '\n', 0,                                                              //
                     'a', 0, '\r', 0, '\n', 0, 'b', 0, '\r', 0, '\r', 0, '\n', 0, '\r', 0, '\n', 0,  //
                     0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0}),
              ReadBytes(folder.Path() / "a.txt"));
}

TEST(TkTxtFile, AFileThatCouldNotBeMadeTakesNoLine) {
    TempFolder folder;
    ExportFolder target(folder.Wide() + L"/no such folder");
    auto file = target.MakeFile(target.Root(), L"a", L".txt");
    TkTxtFile text(*file);
    EXPECT_EQ(0, text.WriteLine(L"a"));
    EXPECT_TRUE(file->Failed());
    EXPECT_NE(std::wstring::npos, target.FirstProblem().find(L"no such folder")) << target.FirstProblem();
}

}  // namespace
