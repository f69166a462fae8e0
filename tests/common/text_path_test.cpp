// The fixed-buffer text and path helpers of common/: a backslash only where one is missing, and a
// result that does not fit reported, never cut without the caller knowing.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"
#include "model_install.h"
#include "text_path.h"
#include "windows_path.h"

TEST(TextPath, PathsAreJoinedWithOneBackslashAndNeverOverrun) {
    char out[16];
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\w", "A.EXE"));
    EXPECT_STREQ(out, "C:\\w\\A.EXE");
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\", "A.EXE"));
    EXPECT_STREQ(out, "C:\\A.EXE");
    ASSERT_TRUE(JoinPath(out, sizeof out, "", "A.EXE")); // a relative name stays relative
    EXPECT_STREQ(out, "A.EXE");
    EXPECT_FALSE(JoinPath(out, sizeof out, "C:\\windows", "ORVMAIN.EXE"));
}

TEST(TextPath, ResultsThatDoNotFitAreReported) {
    char out[8];
    EXPECT_TRUE(JoinPath(out, sizeof out, "C:\\A", "CD")); // 7 characters and the 0 byte
    EXPECT_STREQ(out, "C:\\A\\CD");
    EXPECT_FALSE(JoinPath(out, sizeof out, "C:\\A", "CDE"));

    EXPECT_TRUE(CopyText(out, sizeof out, "1234567"));
    EXPECT_FALSE(CopyText(out, sizeof out, "12345678"));
    EXPECT_STREQ(out, "1234567"); // cut, but ended inside the buffer

    CopyText(out, sizeof out, "12345");
    EXPECT_TRUE(AppendText(out, sizeof out, "67"));
    EXPECT_FALSE(AppendText(out, sizeof out, "8"));
    EXPECT_STREQ(out, "1234567");

    char path[5] = "C:\\X";
    EXPECT_FALSE(EndWithBackslash(path, sizeof path)); // no room: left as it was
    EXPECT_STREQ(path, "C:\\X");
    char root[4] = "C:\\";
    EXPECT_TRUE(EndWithBackslash(root, sizeof root)); // already ends in one
    EXPECT_STREQ(root, "C:\\");
}

TEST(WindowsPath, EndsInOneBackslashOrIsEmptyWhenTooLong) {
    char system[MAX_PATH];
    UINT length = GetWindowsDirectoryA(system, sizeof system);
    ASSERT_GT(length, 0u);
    std::string expected = system;
    if (expected.back() != '\\')
        expected += '\\';

    char dir[kToolPathChars];
    ASSERT_TRUE(WindowsDirectory(dir, sizeof dir));
    EXPECT_EQ(dir, expected);
    char path[kToolPathChars];
    ASSERT_TRUE(WindowsPath(path, sizeof path, "KELTO32"));
    EXPECT_EQ(path, expected + "KELTO32");

    // A buffer one short of the directory and its backslash: refused, not cut.
    std::string small(expected.size(), 'x');
    EXPECT_FALSE(WindowsDirectory(small.data(), small.size()));
    EXPECT_STREQ(small.c_str(), "");
    EXPECT_FALSE(WindowsPath(path, expected.size() + 2, "AB"));
    EXPECT_STREQ(path, "");
}

TEST(WindowsPath, ModuleDirectoryEndsInABackslashOrIsRefused) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    char dir[kToolPathChars];
    ASSERT_TRUE(ModuleDirectory(nullptr, dir, sizeof dir));
    EXPECT_EQ(std::string(program).substr(0, std::string(program).rfind('\\') + 1), dir);
    char small[8];
    EXPECT_FALSE(ModuleDirectory(nullptr, small, sizeof small));
    EXPECT_STREQ(small, "");
}

// A selection file whose path does not fit is not written at all: its cut path, or the bare name
// an empty directory gives, would name another file.
TEST(ModelRecords, SelectionFileWhosePathDoesNotFitIsNotWritten) {
    ResetInstall();
    CreateDirectoryA(AppDir().c_str(), nullptr);
    ScannerFields fields;
    ModelChoice choice;
    ASSERT_EQ(ParseScannerLine("  7 | Model | ORVDR07.EX_ | Y", &fields), 7);
    ChooseModel(7, fields, &choice);
    const std::string deep = AppDir() + std::string(240, 'd') + "\\";
    EXPECT_FALSE(WriteScannerSelection(deep.c_str(), choice, true));
    EXPECT_FALSE(ClearScannerSelection(deep.c_str()));
    EXPECT_FALSE(WriteScannerSelection("", choice, true));
    WIN32_FIND_DATAA found;
    HANDLE cut = FindFirstFileA((AppDir() + "d*").c_str(), &found);
    EXPECT_EQ(cut, INVALID_HANDLE_VALUE);
    if (cut != INVALID_HANDLE_VALUE)
        FindClose(cut);
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVANE.IFF"));
    ASSERT_TRUE(WriteScannerSelection(AppDir().c_str(), choice, true));
    char driver[32] = "";
    GetPrivateProfileStringA("Scanner", "CurrentDriver", "", driver, sizeof driver,
                             (AppDir() + "ORVANE.IFF").c_str());
    EXPECT_STREQ(driver, "ORVDR07.EXE");
    ResetInstall();
}
