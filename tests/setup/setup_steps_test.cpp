// The installation program's command line and its manifest copy, run in this process against
// manifests in resource-only modules: consistent ones copy, inconsistent ones are refused before
// any file moves.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "setup.h"

namespace {

SetupMode ReadCommandLine(const char* text, CommandLineChoice* choice) {
    ParseCommandLine(text, choice);
    return choice->mode;
}

TEST(CommandLine, ModesOverridesAndLimits) {
    CommandLineChoice state = {};
    EXPECT_EQ(ReadCommandLine("", &state), SetupMode::Install);
    EXPECT_EQ(state.languageOverride, -1);

    EXPECT_EQ(ReadCommandLine("D:\\NETSETUP", &state), SetupMode::CopyDistribution);
    EXPECT_STREQ(state.targetRoot, "D:\\NETSETUP\\");
    EXPECT_EQ(ReadCommandLine("D:\\NETSETUP\\", &state), SetupMode::CopyDistribution);
    EXPECT_STREQ(state.targetRoot, "D:\\NETSETUP\\");
    EXPECT_EQ(ReadCommandLine("D:", &state), SetupMode::CopyDistribution);
    EXPECT_STREQ(state.targetRoot, "D:\\");

    // 254 characters and the added "\" fill the 256-byte root; one more is refused, not cut.
    std::string longest = "D:" + std::string(252, 'x');
    EXPECT_EQ(ReadCommandLine(longest.c_str(), &state), SetupMode::CopyDistribution);
    EXPECT_EQ(std::string(state.targetRoot), longest + "\\");
    EXPECT_EQ(ReadCommandLine((longest + "y").c_str(), &state), SetupMode::Refused);
    EXPECT_EQ(ReadCommandLine((longest + "\\").c_str(), &state), SetupMode::CopyDistribution);
    EXPECT_EQ(ReadCommandLine(("D:" + std::string(400, 'x')).c_str(), &state), SetupMode::Refused);

    struct {
        const char* text;
        int16_t value;
    } numbers[] = {{"8", 8},
                   {"abc", 0},
                   {"  -12x", -12},
                   {"+15", 15},
                   {"3 4", 3},
                   {"99999999999999999999999999999999999999", INT16_MAX},
                   {"-99999999999999999999999999999999999999", INT16_MIN}};
    for (const auto& number : numbers) {
        state.languageOverride = -1;
        EXPECT_EQ(ReadCommandLine(number.text, &state), SetupMode::Install) << number.text;
        EXPECT_EQ(state.languageOverride, number.value) << number.text;
    }
}

class ManifestCopy : public ::testing::Test {
protected:
    const std::string source = WindowsDir() + "temp\\orvsetup_src\\";
    const std::string target = WindowsDir() + "temp\\orvsetup_dst\\";
    std::string systemFile;

    void SetUp() override {
        char system[MAX_PATH];
        GetSystemDirectoryA(system, sizeof system);
        systemFile = std::string(system) + "\\C.TXT";
        Clean();
        CreateDirectoryA(source.c_str(), nullptr);
        CreateDirectoryA(target.c_str(), nullptr);
        for (const char* dir : {"UTILS", "KELTO32", "PIXTRAN"}) {
            std::string path = source + dir;
            CreateDirectoryA(path.c_str(), nullptr);
            for (const char* name : {"A.TX_", "B.TX_", "C.TX_"})
                ASSERT_TRUE(WriteTextFile(path + "\\" + name, std::string(dir) + " " + name));
        }
    }
    void TearDown() override {
        Clean();
        if (g_program.instance)
            FreeLibrary(g_program.instance);
        g_program.instance = nullptr;
    }
    void Clean() {
        DeleteFileA(systemFile.c_str());
        for (const std::string& root : {source, target}) {
            for (const char* dir : {"UTILS\\", "KELTO32\\", "PIXTRAN\\", "OUT1\\", ""}) {
                for (const char* name : {"A.TX_", "B.TX_", "C.TX_", "A.TXT", "B.TXT", "C.TXT"})
                    DeleteFileA((root + dir + name).c_str());
                RemoveDirectoryA((root + dir).c_str());
            }
            RemoveDirectoryA(root.c_str());
        }
    }
    void UseManifest(const char* module) {
        g_program.instance =
            LoadLibraryExA(BinPath(module).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(g_program.instance, nullptr) << module;
    }
    int CountFiles(const std::string& dir) {
        int count = 0;
        ForEachDirectoryEntry(dir, [&](const WIN32_FIND_DATAA& found) {
            count += found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                         ? CountFiles(dir + found.cFileName + "\\")
                         : 1;
        });
        return count;
    }
};

TEST_F(ManifestCopy, ConsistentManifestIsExpandedIntoItsDestinations) {
    UseManifest("setup_manifest_small.dll");
    EXPECT_EQ(CopyManifest(nullptr, nullptr, source.c_str(), target.c_str()), kCopyComplete);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(target + "OUT1\\A.TXT", &text));
    EXPECT_EQ(text, "UTILS A.TX_");
    EXPECT_TRUE(FileExists(target + "OUT1\\B.TXT"));
    // "system" in any case means the system directory, not a folder of the target root.
    ASSERT_TRUE(ReadWholeFile(systemFile, &text));
    EXPECT_EQ(text, "KELTO32 C.TX_");
    EXPECT_EQ(CountFiles(target), 2);
}

// A missing group counts as an empty one, as in the uninstaller: the groups around it are copied.
TEST_F(ManifestCopy, MissingGroupIsAnEmptyOne) {
    UseManifest("setup_manifest_gap.dll");
    EXPECT_EQ(CopyManifest(nullptr, nullptr, source.c_str(), target.c_str()), kCopyComplete);
    EXPECT_TRUE(FileExists(target + "C.TXT"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(target + "OUT1\\A.TXT", &text));
    EXPECT_EQ(text, "PIXTRAN A.TX_");
    EXPECT_EQ(CountFiles(target), 5);
}

TEST_F(ManifestCopy, InconsistentManifestsAreRefusedBeforeAnyCopy) {
    for (const char* module : {"setup_manifest_total_high.dll", "setup_manifest_overlap.dll"}) {
        UseManifest(module);
        EXPECT_EQ(CopyManifest(nullptr, nullptr, source.c_str(), target.c_str()), kCopyRejected)
            << module;
        EXPECT_EQ(CopyDistribution(nullptr, nullptr, source.c_str(), target.c_str()), kCopyRejected)
            << module;
        EXPECT_EQ(CountFiles(target), 0) << module;
        FreeLibrary(g_program.instance);
        g_program.instance = nullptr;
    }
}

TEST_F(ManifestCopy, GroupPathsPerMode) {
    UseManifest("setup_manifest_small.dll");
    char sourceDir[kSetupPathBytes];
    char destinationDir[kSetupPathBytes];
    ASSERT_TRUE(BuildGroupPaths(120, CopyMode::Install, "A:\\", "C:\\windows\\", sourceDir,
                                destinationDir));
    EXPECT_STREQ(sourceDir, "A:\\UTILS\\");
    EXPECT_STREQ(destinationDir, "C:\\windows\\OUT1\\");
    ASSERT_TRUE(
        BuildGroupPaths(220, CopyMode::Distribution, "A:\\", "D:\\", sourceDir, destinationDir));
    EXPECT_STREQ(sourceDir, "A:\\KELTO32\\");
    EXPECT_STREQ(destinationDir, "D:\\KELTO32\\");
    // A root too long for the buffer is reported, never cut.
    std::string deep = "C:\\" + std::string(250, 'd') + "\\";
    EXPECT_FALSE(BuildGroupPaths(120, CopyMode::Install, deep.c_str(), "C:\\windows\\", sourceDir,
                                 destinationDir));
}

} // namespace
