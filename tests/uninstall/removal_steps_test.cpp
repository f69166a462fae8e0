// The manifest and shared-count steps with manifests of their own (modules that carry nothing but
// a string table) under a base directory and a registry key of the test's own.
#include "harness.h"
#include "removal_steps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kTestSharedKey[] = "Software\\OrvaneTest\\SharedDlls";

struct StepsFixture : ::testing::Test {
    std::string base = WindowsDir() + "orvclean_unit\\";
    const char* files[6] = {
        "A.TXT", "B.TXT", "SUB\\C.TXT", "SUB\\DEEP\\D.TXT", "SUB\\DEEP\\E.TXT", "SUB\\DEEP\\F.TXT"};
    HMODULE module = nullptr;
    RemovalRun run = {};

    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\OrvaneTest");
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestSharedKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        for (const char* dir : {"", "SUB\\", "SUB\\DEEP\\"})
            CreateDirectoryA((base + dir).c_str(), nullptr);
        for (const char* file : files)
            ASSERT_TRUE(WriteTextFile(base + file, file));
        ASSERT_TRUE(WriteTextFile(base + "G.TXT", "not listed"));
    }
    void TearDown() override {
        for (const char* file : files)
            DeleteFileA((base + file).c_str());
        DeleteFileA((base + "G.TXT").c_str());
        for (const char* dir : {"SUB\\DEEP\\", "SUB\\", ""})
            RemoveDirectoryA((base + dir).c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\OrvaneTest");
        if (module)
            FreeLibrary(module);
    }
    void UseManifest(const char* moduleName) {
        module = LoadLibraryA(BinPath(moduleName).c_str());
        ASSERT_NE(module, nullptr);
        run.module = module;
        strcpy(run.baseDir, base.c_str());
        strcpy(run.sharedDllsKey, kTestSharedKey);
    }
    void SetCount(const std::string& name, const void* data, DWORD size, DWORD type) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kTestSharedKey, (base + name).c_str(), type,
                                  data, size),
                  ERROR_SUCCESS);
    }
    // The count of a value name, -1 when there is none.
    int64_t Count(const std::string& name) {
        DWORD count = 0, size = sizeof count;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kTestSharedKey, (base + name).c_str(),
                         RRF_RT_REG_DWORD, nullptr, &count, &size) != ERROR_SUCCESS)
            return -1;
        return count;
    }
    int Remaining() {
        int left = 0;
        for (const char* file : files)
            left += FileExists(base + file);
        return left;
    }
};

TEST_F(StepsFixture, GroupsFollowOneAnotherUpToTheTotal) {
    UseManifest("manifest_consistent.dll");
    ManifestGroup groups[kMaxManifestGroups];
    ASSERT_EQ(ReadManifestGroups(&run, groups), 4);
    const int ids[] = {120, 220, 320, 420};
    const int counts[] = {2, 1, 0, 3};
    const std::string dirs[] = {base, base + "SUB\\", base, base + "SUB\\DEEP\\"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(groups[k].id, ids[k]);
        EXPECT_EQ(groups[k].count, counts[k]);
        EXPECT_EQ(groups[k].dir, dirs[k]);
    }
    char path[kPathChars];
    ASSERT_TRUE(ManifestFilePath(&run, groups[3], 3, path));
    EXPECT_EQ(std::string(path), base + "SUB\\DEEP\\F.TXT");
    EXPECT_FALSE(ManifestFilePath(&run, groups[3], 4, path));
}

// The package's files go whatever their counts, since every installation raises them, and their
// counts with them; only a library of the SYSTEM group (420) still counted by others stays, its
// count lowered. A value that is no 4-byte count is passed over.
TEST_F(StepsFixture, ListedFilesGoUnlessSystemLibrariesStillCountedByOthers) {
    UseManifest("manifest_consistent.dll");
    DWORD three = 3, one = 1, two = 2;
    SetCount("A.TXT", &three, 4, REG_DWORD);
    SetCount("B.TXT", &one, 4, REG_DWORD);
    SetCount("SUB\\C.TXT", &two, 4, REG_DWORD);
    SetCount("SUB\\DEEP\\D.TXT", &two, 4, REG_DWORD);
    SetCount("SUB\\DEEP\\E.TXT", "a longer text", 14, REG_SZ);
    SetCount("SUB\\DEEP\\F.TXT", &one, 4, REG_DWORD);
    RemoveManifestFiles(&run);
    ReleaseSharedFileCounts(&run);
    EXPECT_FALSE(FileExists(base + "A.TXT"));
    EXPECT_EQ(Count("A.TXT"), -1);
    EXPECT_FALSE(FileExists(base + "B.TXT"));
    EXPECT_EQ(Count("B.TXT"), -1);
    EXPECT_FALSE(FileExists(base + "SUB\\C.TXT"));
    EXPECT_EQ(Count("SUB\\C.TXT"), -1);
    EXPECT_TRUE(FileExists(base + "SUB\\DEEP\\D.TXT"));
    EXPECT_EQ(Count("SUB\\DEEP\\D.TXT"), 1);
    EXPECT_EQ(Count("SUB\\DEEP\\F.TXT"), -1);
    EXPECT_FALSE(FileExists(base + "SUB\\DEEP\\E.TXT"));
    char text[32] = "";
    DWORD size = sizeof text;
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kTestSharedKey, (base + "SUB\\DEEP\\E.TXT").c_str(),
                           RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_FALSE(FileExists(base + "SUB\\DEEP\\F.TXT"));
    EXPECT_TRUE(FileExists(base + "G.TXT"));
}

// Manifests whose group counts and total disagree, or whose names run into the language blocks,
// name no file: nothing is deleted, no count changes, and the steps end.
TEST_F(StepsFixture, InconsistentManifestsRemoveNothing) {
    for (const char* name :
         {"manifest_overshoot.dll", "manifest_short.dll", "manifest_into_blocks.dll"}) {
        SCOPED_TRACE(name);
        UseManifest(name);
        DWORD one = 1;
        SetCount("A.TXT", &one, 4, REG_DWORD);
        ManifestGroup groups[kMaxManifestGroups];
        EXPECT_EQ(ReadManifestGroups(&run, groups), -1);
        RemoveManifestFiles(&run);
        ReleaseSharedFileCounts(&run);
        EXPECT_EQ(Remaining(), 6);
        EXPECT_EQ(Count("A.TXT"), 1);
        FreeLibrary(module);
        module = nullptr;
    }
}

} // namespace
