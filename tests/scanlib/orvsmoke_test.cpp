// The smoke program against the build of each half: it passes on a sound installation, the i686
// build's page digest equals the one the x86_64 half kept, and it reports failures when the
// installation is broken.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bitmap_file.h"
#include "harness.h"
#include "orvlib.h"

namespace {

constexpr const char* kPrograms[] = {"orvsmoke.exe", "orvsmokec.exe", "orvwaitc.exe",
                                     "ORVCLEAN.EXE"};

struct Smoke : ::testing::Test {
    void SetUp() override {
        ResetInstall();
        ASSERT_TRUE(PlaceScanner());
        for (const char* program : kPrograms)
            ASSERT_TRUE(PlaceInWindows(program));
    }
    void TearDown() override {
        ResetInstall();
        for (const char* program : kPrograms)
            KillProcessesNamed(program);
    }
    static std::string Run(const std::string& steps, DWORD* exitCode,
                           const char* program = "orvsmoke.exe") {
        OutFileRun smoke = StartWithOutFile(program, steps);
        EXPECT_NE(smoke.process, nullptr) << steps;
        const bool started = smoke.process != nullptr;
        RunResult run = FinishOutFileRun(&smoke, 120000);
        EXPECT_FALSE(run.timedOut) << steps;
        *exitCode = started ? run.exitCode : 99;
        return run.output;
    }
};

TEST_F(Smoke, PassesOnTheInstalledLibraryServerAndUninstaller) {
    DWORD code = 1;
    const std::string out = Run("", &code);
    EXPECT_EQ(code, 0u) << out;
    EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
    for (const char* line : {"step scan done", "ok   chart bars on line 80", "step clean done",
                             "ok   uninstaller ended after No", "\n0 failed"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    const size_t digest = out.find("page fnv1a=");
    ASSERT_NE(digest, std::string::npos) << out;
    const std::string page = out.substr(digest + 11, 8) + "\n";
    EXPECT_TRUE(WriteTextFile(BinPath("orvsmoke-page.txt"), page));
    // Both builds deliver the same page: the i686 half runs after the x86_64 one, whose digest
    // lies in the build tree beside this one.
    std::string reference;
    if (sizeof(void*) == 4 &&
        ReadWholeFile(BinPath("..\\..\\x86_64\\bin\\orvsmoke-page.txt"), &reference)) {
        EXPECT_EQ(page, reference) << "the x86_64 build scanned another page";
    }
}

// The C application built from the same header: a page whose colour bars match the chart.
TEST_F(Smoke, TheCApplicationScansAPage) {
    DWORD code = 1;
    const std::string out = Run("", &code, "orvsmokec.exe");
    EXPECT_EQ(code, 0u) << out;
    EXPECT_NE(out.find("orvsmokec: scanner \"Orvane Test Scanner\" (id 7), modes 0x9F, area "
                       "2550 x 3300\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("page of 38400 bytes; line 80: ffffff ffff00 00ffff ff00ff 000000\n"
                       "orvsmokec: closed 0\n"),
              std::string::npos)
        << out;
    std::printf("%s", out.c_str());
}

// The guide's second C program: a copy that finds the scanner held waits in its window for the
// scanner-free message, then opens; one that waits less than the holder holds gives up.
TEST_F(Smoke, TheWaitingCApplicationOpensOnceTheScannerIsFree) {
    OutFileRun holder = StartWithOutFile("orvwaitc.exe", "hold=6000");
    ASSERT_NE(holder.process, nullptr);
    std::string holding;
    Eventually(
        [&] {
            ReadWholeFile(holder.out, &holding);
            return holding.find("open 0") != std::string::npos;
        },
        30000);
    DWORD code = 0;
    const std::string late = Run("wait=300", &code, "orvwaitc.exe");
    EXPECT_EQ(late, "orvwaitc: open -1001\norvwaitc: timed out\n");
    EXPECT_EQ(static_cast<int16_t>(code), ORV_ERR_SCANNER_IN_USE);
    const std::string out = Run("wait=30000", &code, "orvwaitc.exe");
    RunResult held = FinishOutFileRun(&holder, 30000);
    EXPECT_FALSE(held.timedOut);
    EXPECT_EQ(held.output, "orvwaitc: open 0\norvwaitc: close 0\n");
    EXPECT_EQ(code, 0u) << out;
    EXPECT_EQ(out, "orvwaitc: open -1001\norvwaitc: scanner free, open 0\norvwaitc: close 0\n");
}

TEST_F(Smoke, ReportsFailuresWithoutTheServerOrWithAnotherPicture) {
    // No server program: no client, every scan check missing, a non-zero exit code.
    ASSERT_TRUE(DeleteFileA((AppDir() + "ORVMAIN.EXE").c_str()));
    DWORD code = 0;
    std::string out = Run("scan", &code);
    EXPECT_NE(code, 0u) << out;

    // A server drawing a configured image instead of the chart: the bars no longer match.
    ASSERT_TRUE(PlaceInAppDir("ORVMAIN.EXE"));
    ASSERT_TRUE(WriteTextFile(AppDir() + "GRAY.BMP", BitmapFile(1, 1, [](int, int) {
                                  return Rgb{128, 128, 128};
                              })));
    ASSERT_TRUE(
        WriteTextFile(AppDir() + "ORVMAIN.INI", "[Scanner]\r\nImage=" + AppDir() + "GRAY.BMP\r\n"));
    out = Run("scan", &code);
    EXPECT_NE(out.find("FAIL chart bars on line 80"), std::string::npos) << out;
    EXPECT_NE(code, 0u) << out;
}

} // namespace
