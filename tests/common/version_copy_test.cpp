// Installing files by product version with the platform's LZ routines, on real modules whose
// version resources differ, plain and SZDD-compressed sources.
#include "harness.h"
#include "version_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Probe(const char* version) {
    return BinPath((std::string("probe_") + version + ".dll").c_str());
}

std::string Contents(const std::string& path) {
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, &data)) << path;
    return data;
}

// SZDD with every byte a literal (flag byte 0xFF before each run of eight): a valid stream the
// platform's LZ expansion must undo.
std::string Szdd(const std::string& data) {
    std::string out("SZDD\x88\xF0\x27\x33", 8);
    out += 'A';
    out += 'L'; // the replaced last character of the name
    uint32_t length = static_cast<uint32_t>(data.size());
    out.append(reinterpret_cast<const char*>(&length), 4);
    for (size_t i = 0; i < data.size(); i += 8) {
        out += '\xFF';
        out += data.substr(i, 8);
    }
    return out;
}

TEST(ProductVersion, ReadsProductVersionOfModules) {
    ProductVersion version{77, 77};
    ASSERT_EQ(GetFileProductVersion(Probe("1_5").c_str(), &version), 0);
    EXPECT_EQ(version.major, 1); // the file version says 9.9
    EXPECT_EQ(version.minor, 5);
    ASSERT_EQ(GetFileProductVersion(Probe("1_10").c_str(), &version), 0);
    EXPECT_EQ(version.minor, 10);
    ASSERT_EQ(GetFileProductVersion(Probe("2_0_7").c_str(), &version), 0);
    EXPECT_EQ(version.major, 2);
    EXPECT_EQ(version.minor, 0);

    ResetInstall();
    std::string text = WindowsDir() + "orvtest-plain.txt";
    ASSERT_TRUE(WriteTextFile(text, "no version here"));
    version = {77, 77};
    EXPECT_EQ(GetFileProductVersion(text.c_str(), &version), -1);
    EXPECT_EQ(GetFileProductVersion((WindowsDir() + "orvtest-missing.dll").c_str(), &version), -1);
    EXPECT_EQ(version.major, 77);
    DeleteFileA(text.c_str());
}

TEST(ProductVersion, SourceNewerComparesMajorThenMinorAsNumbers) {
    struct Case {
        const char *source, *destination;
        bool newer;
    } cases[] = {
        {"2_0", "1_5", true},    {"1_5", "2_0", false},   {"1_5", "1_5", false},
        {"2_0_7", "2_0", false}, {"2_0", "2_0_7", false}, // builds take no part
        {"1_9", "1_10", false},  {"1_10", "1_9", true},   // minors compare as numbers
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSourceNewer(Probe(c.source).c_str(), Probe(c.destination).c_str()), c.newer)
            << c.source << " over " << c.destination;
    std::string missing = WindowsDir() + "orvtest-missing.dll";
    EXPECT_TRUE(IsSourceNewer(missing.c_str(), Probe("2_0").c_str()));
    EXPECT_TRUE(IsSourceNewer(Probe("1_5").c_str(), missing.c_str()));
}

struct CopyFixture : ::testing::Test {
    std::string dir, source, destination;
    HWND dialog = nullptr;

    void SetUp() override {
        ResetInstall();
        dir = AppDir();
        CreateDirectoryA(dir.c_str(), nullptr);
        source = dir + "SOURCE.DL_";
        destination = dir + "TARGET.DLL";
    }
    void TearDown() override {
        if (dialog)
            DestroyWindow(dialog);
        ResetInstall();
    }
    void Put(const std::string& path, const char* probe) {
        ASSERT_TRUE(CopyFileA(Probe(probe).c_str(), path.c_str(), FALSE));
    }
    // A window with the two path lines of the copy-progress dialog.
    void MakeDialog() {
        dialog = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 60, nullptr, nullptr, nullptr,
                               nullptr);
        for (int id : {620, 621})
            CreateWindowA("STATIC", "-", WS_CHILD, 0, 0, 300, 20, dialog,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    std::string Item(int id) {
        char text[300] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }
};

TEST_F(CopyFixture, MissingDestinationIsCopiedAndShown) {
    Put(source, "1_5");
    MakeDialog();
    EXPECT_EQ(CopyIfNewer(dialog, 620, 621, source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(Contents(destination), Contents(Probe("1_5")));
    EXPECT_EQ(Item(620), source);
    EXPECT_EQ(Item(621), destination);
}

TEST_F(CopyFixture, InstalledSameOrNewerIsKeptOlderReplaced) {
    struct Case {
        const char *source, *installed;
        bool replaced;
    } cases[] = {
        {"2_0_7", "2_0", false}, {"1_5", "2_0", false}, {"1_9", "1_10", false},
        {"2_0", "1_5", true},    {"1_10", "1_9", true},
    };
    for (const Case& c : cases) {
        Put(source, c.source);
        Put(destination, c.installed);
        MakeDialog();
        EXPECT_EQ(CopyIfNewer(dialog, 620, 621, source.c_str(), destination.c_str()), 0);
        EXPECT_EQ(Contents(destination), Contents(Probe(c.replaced ? c.source : c.installed)))
            << c.source << " over " << c.installed;
        // The dialog shows only files that move.
        EXPECT_EQ(Item(620), c.replaced ? source : "-");
        DestroyWindow(dialog);
        dialog = nullptr;
    }
}

TEST_F(CopyFixture, UnversionedFilesAreReplaced) {
    ASSERT_TRUE(WriteTextFile(source, "new data file"));
    Put(destination, "2_0");
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(Contents(destination), "new data file");

    Put(source, "1_5");
    ASSERT_TRUE(WriteTextFile(destination, "old data file"));
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(Contents(destination), Contents(Probe("1_5")));
}

// A file copied onto itself under another spelling stays whole: an unversioned one, which any
// other copy replaces, named through ".\" and through "..\".
TEST_F(CopyFixture, FileOntoItselfUnderAnotherSpellingStays) {
    ASSERT_TRUE(WriteTextFile(destination, "the user's pixel driver"));
    for (const std::string& spelling : {dir + ".\\TARGET.DLL", dir + "..\\KELTO32\\TARGET.DLL"}) {
        EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, spelling.c_str(), destination.c_str()), 0)
            << spelling;
        EXPECT_EQ(Contents(destination), "the user's pixel driver") << spelling;
    }
}

TEST_F(CopyFixture, MissingSourceLeavesDestinationAlone) {
    Put(destination, "1_5");
    MakeDialog();
    EXPECT_EQ(CopyIfNewer(dialog, 620, 621, source.c_str(), destination.c_str()), -1);
    EXPECT_EQ(Contents(destination), Contents(Probe("1_5")));
    EXPECT_EQ(Item(620), "-");
    std::string elsewhere = dir + "NEVER.DLL";
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, source.c_str(), elsewhere.c_str()), -1);
    EXPECT_FALSE(FileExists(elsewhere));
}

TEST_F(CopyFixture, DestinationInUseFails) {
    Put(source, "2_0");
    Put(destination, "1_5");
    HANDLE held =
        CreateFileA(destination.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, source.c_str(), destination.c_str()), -1);
    CloseHandle(held);
    EXPECT_EQ(Contents(destination), Contents(Probe("1_5")));
    // The LZ open's retry under the compressed form of the name must not place the file there.
    EXPECT_FALSE(FileExists(dir + "TARGET.DL_"));
}

TEST_F(CopyFixture, CompressedSourcesAreExpanded) {
    // A module, a text shorter than one LZ window run, and an empty file.
    std::string inputs[] = {Contents(Probe("2_0")), "tiny\r\n", ""};
    for (const std::string& original : inputs) {
        ASSERT_TRUE(WriteTextFile(source, Szdd(original)));
        DeleteFileA(destination.c_str());
        EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, source.c_str(), destination.c_str()), 0);
        EXPECT_EQ(Contents(destination), original) << original.size() << " bytes";
    }
    // The platform reads no version from a compressed module: it replaces even a newer one.
    ProductVersion version{};
    ASSERT_TRUE(WriteTextFile(source, Szdd(Contents(Probe("1_5")))));
    EXPECT_EQ(GetFileProductVersion(source.c_str(), &version), -1);
    Put(destination, "2_0");
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(Contents(destination), Contents(Probe("1_5")));
}

#ifdef ORV_PACKED_PROBE
TEST_F(CopyFixture, DistributionPackedModuleIsExpanded) {
    std::string packed = BinPath("probe_1_10.dl_");
    std::string original = Contents(Probe("1_10"));
    ASSERT_EQ(Contents(packed).substr(0, 4), "SZDD");
    ASSERT_LT(Contents(packed).size(), original.size());
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, packed.c_str(), destination.c_str()), 0);
    EXPECT_EQ(Contents(destination), original);
    Put(destination, "2_0");
    EXPECT_EQ(CopyIfNewer(nullptr, 620, 621, packed.c_str(), destination.c_str()), 0);
    EXPECT_EQ(Contents(destination), original);
}
#endif

} // namespace
