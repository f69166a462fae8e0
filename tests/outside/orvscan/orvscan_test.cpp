// The sample application orvscan.exe as a user runs it: pages in all four modes written as
// bitmaps that show the server's test chart, two copies sharing the scanner (the second waits
// for the scanner-free notification; on a 64-bit Windows with 32-bit support also a 32-bit and a
// 64-bit copy), and a library failure reaching the exit code.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bitmap_file.h"
#include "harness.h"
#include "orvlib.h"
#include "table_line.h"

namespace {

// A 200 x 120 page at 150 dpi: the chart's frame, ramp (lines 12 to 23) and colour bars (lines 90
// to 107, 25 pixels each) fall on known pixels.
constexpr int kWidth = 200, kLines = 120;
constexpr char kSmallPage[] = " /res:150 /area:0,0,200,120";

int Gray(const Rgb& c) {
    return (c.r * 77 + c.g * 150 + c.b * 29) >> 8;
}

// Runs orvscan with its output in a file of its own.
RunResult RunOrvscan(const std::string& arguments, DWORD timeoutMs = 60000,
                     const char* program = "orvscan.exe") {
    static int runs = 0;
    std::string outputPath = AppDir() + "orvscan-output-" + std::to_string(++runs) + ".txt";
    return RunProgram(AppDir() + program + " " + arguments, timeoutMs, nullptr, outputPath.c_str());
}

struct Mode {
    const char* name;
    int bits;
};
constexpr Mode kModes[] = {{"bw", 1}, {"gray4", 4}, {"gray8", 8}, {"color", 24}};

// What the chart's colour c looks like in a mode's bitmap.
Rgb Expected(const Mode& mode, const Rgb& c) {
    int g = Gray(c);
    switch (mode.bits) {
    case 1:
        return g >= 128 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    case 4:
        return Rgb{(g >> 4) * 17, (g >> 4) * 17, (g >> 4) * 17};
    case 8:
        return Rgb{g, g, g};
    default:
        return c;
    }
}

constexpr Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

// The bitmap orvscan wrote of the small page in a mode: headers, palette and the chart.
void ExpectChartBitmap(const std::string& path, const Mode& mode) {
    BitmapImage bmp;
    ASSERT_TRUE(bmp.Load(path));
    const int colours = mode.bits <= 8 ? 1 << mode.bits : 0;
    EXPECT_EQ(bmp.file.bfType, 0x4D42);
    EXPECT_EQ(bmp.info.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(bmp.info.biWidth, kWidth);
    EXPECT_EQ(bmp.info.biHeight, kLines); // positive: rows bottom-up
    EXPECT_EQ(bmp.info.biPlanes, 1);
    EXPECT_EQ(bmp.info.biBitCount, mode.bits);
    EXPECT_EQ(bmp.info.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(bmp.file.bfOffBits,
              sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 4u * colours);
    EXPECT_EQ(bmp.info.biSizeImage, static_cast<DWORD>(bmp.RowBytes() * kLines));
    ASSERT_EQ(bmp.bytes.size(), bmp.file.bfOffBits + bmp.info.biSizeImage);
    ASSERT_EQ(bmp.file.bfSize, bmp.bytes.size());
    if (colours) {
        EXPECT_EQ(bmp.PaletteEntry(0), (Rgb{0, 0, 0}));
        EXPECT_EQ(bmp.PaletteEntry(colours - 1), (Rgb{255, 255, 255}));
    }

    // The chart: black frame in the corners, white paper, the gray ramp's ends and middle, the
    // eight colour bars left to right.
    EXPECT_EQ(bmp.At(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(bmp.At(kWidth - 1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(bmp.At(0, kLines - 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(bmp.At(kWidth - 1, kLines - 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(bmp.At(100, 6), (Rgb{255, 255, 255}));
    EXPECT_LT(Gray(bmp.At(5, 18)), 32);
    EXPECT_GT(Gray(bmp.At(194, 18)), 224);
    EXPECT_EQ(bmp.At(100, 18), Expected(mode, Rgb{128, 128, 128}));
    for (int bar = 0; bar < 8; ++bar)
        EXPECT_EQ(bmp.At(bar * 25 + 12, 99), Expected(mode, kBars[bar])) << "bar " << bar;
}

struct OrvscanRuns : ::testing::Test {
    void SetUp() override {
        ResetInstall();
        ASSERT_TRUE(PlaceScanner());
        // The program lives apart from the build tree's copy of the library.
        ASSERT_TRUE(PlaceInAppDir("orvscan.exe"));
    }
    void TearDown() override {
        // By name: "orvscan*" would end this program too.
        for (const char* program : {"orvscan.exe", "orvscan64.exe"})
            KillProcessesNamed(program);
        ResetInstall();
    }
    static void ServerSettings(const std::string& text) {
        ASSERT_TRUE(WriteTextFile(AppDir() + "ORVMAIN.INI", text));
    }
};

TEST_F(OrvscanRuns, EveryModeWritesTheChartAsABitmapOfItsDepth) {
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        std::string path = AppDir() + mode.name + ".bmp";
        // The colour page goes through the library's "Scanning" dialog: the same image.
        std::string progress = mode.bits == 24 ? " /progress" : "";
        RunResult run =
            RunOrvscan(std::string("/mode:") + mode.name + kSmallPage + progress + " /out:" + path);
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_NE(run.output.find("wrote " + path), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(progress.empty() ? "without progress" : "with progress"),
                  std::string::npos);
        ExpectChartBitmap(path, mode);
    }
}

// One copy (holder) scans the small gray page with slow line blocks; a second one (waiter),
// started while the first fetches lines, finds the scanner busy, waits for the scanner-free
// notification and scans. Both images are the chart and identical; *page gets them.
void SecondCopyWaitsAndScans(const char* holder, const char* waiter, std::string* page) {
    // Slow line blocks keep the first copy holding the scanner for a few seconds.
    OrvscanRuns::ServerSettings(
        "[Faults]\r\nDelayMs=100\r\nDelayItems=8\r\n[Log]\r\nReceived=1\r\n");
    const std::string log = AppDir() + "ORVMAIN.LOG"; // an earlier run's says nothing of this one
    ASSERT_TRUE(!FileExists(log) || DeleteFileA(log.c_str()));
    std::string first = AppDir() + "first.bmp", second = AppDir() + "second.bmp";
    HANDLE firstProcess =
        StartProgram(AppDir() + holder + " /mode:gray8 /lines:4" + kSmallPage + " /out:" + first);
    ASSERT_NE(firstProcess, nullptr);
    // Wait until the first copy is fetching lines: it holds the scanner open.
    std::string received;
    for (int i = 0; i < 300 && received.find("REQUEST item=8") == std::string::npos; ++i) {
        Sleep(50);
        ReadWholeFile(log, &received);
    }
    ASSERT_NE(received.find("REQUEST item=8"), std::string::npos) << received;

    RunResult run = RunOrvscan(std::string("/mode:gray8 /wait:60") + kSmallPage + " /out:" + second,
                               90000, waiter);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("busy; waiting"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("wrote " + second), std::string::npos) << run.output;

    // The first copy was done before the second got the scanner.
    DWORD firstExit = 259;
    EXPECT_EQ(WaitForSingleObject(firstProcess, 0), WAIT_OBJECT_0);
    GetExitCodeProcess(firstProcess, &firstExit);
    CloseHandle(firstProcess);
    EXPECT_EQ(firstExit, 0u);
    // Same settings, same page: the two images are identical, and they are the chart.
    ExpectChartBitmap(first, kModes[2]); // gray8
    std::string other;
    ASSERT_TRUE(ReadWholeFile(first, page));
    ASSERT_TRUE(ReadWholeFile(second, &other));
    EXPECT_EQ(page->size(), other.size());
    EXPECT_TRUE(*page == other);
    auto digest = [](const std::string& bytes) {
        return Fnv1a(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    };
    std::printf("page of %s (holder): %zu bytes, FNV-1a %08x; of %s (waiter): %zu bytes, FNV-1a "
                "%08x\n",
                holder, page->size(), static_cast<unsigned>(digest(*page)), waiter, other.size(),
                static_cast<unsigned>(digest(other)));
}

TEST_F(OrvscanRuns, ASecondCopyWaitsForTheScannerAndThenScans) {
    std::string page;
    SecondCopyWaitsAndScans("orvscan.exe", "orvscan.exe", &page);
}

// On a 64-bit Windows with 32-bit support: the 32-bit orvscan.exe and the x86_64 one (with
// ORVLIB64.DLL beside ORVLIB32.DLL) share the 32-bit server and the client table.
struct MixedOrvscanRuns : OrvscanRuns {
    void SetUp() override {
        OrvscanRuns::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(OnWow64()) << "not a 32-bit program on a 64-bit Windows with 32-bit support";
        ASSERT_TRUE(PlaceInWindows64("ORVLIB64.DLL"));
        ASSERT_TRUE(PlaceInAppDir64("orvscan.exe", "orvscan64.exe"));
    }
};

TEST_F(MixedOrvscanRuns, A32BitAndA64BitCopyWaitForEachOtherOnOneServer) {
    const HeldTable table = HoldTable();
    ASSERT_TRUE(table.fresh && table.view) << "a table was left, or none could be made";

    const char* const orders[2][2] = {{"orvscan.exe", "orvscan64.exe"},
                                      {"orvscan64.exe", "orvscan.exe"}};
    std::string pages[2];
    for (int order = 0; order < 2; ++order) {
        SCOPED_TRACE(orders[order][0]);
        SecondCopyWaitsAndScans(orders[order][0], orders[order][1], &pages[order]);
        // The last copy to unload the library closed the server.
        EXPECT_TRUE(WaitForProcessesGone("ORVMAIN.EXE", 5000));
    }
    EXPECT_TRUE(pages[0] == pages[1]);

    // Nothing left in the table: no entry, no holder, one id for each of the four copies.
    const TableHeader header = HeldTableHeader(table);
    EXPECT_EQ(header.entryCount, 0);
    EXPECT_EQ(header.openClient, 0);
    EXPECT_EQ(header.idCounter, 4);
    std::printf("table after both orders: %d entries, holder %d, id counter %d; servers %d\n",
                header.entryCount, header.openClient, header.idCounter,
                CountProcessesNamed("ORVMAIN.EXE"));
    ReleaseTable(table);
}

TEST_F(OrvscanRuns, LibraryFailuresAndBadRequestsEndWithoutAnImage) {
    // The server refuses to start the page: ORV_Start_Scan's -1003 is the exit code.
    ServerSettings("[Faults]\r\nNackItems=6\r\n");
    std::string path = AppDir() + "refused.bmp";
    RunResult run = RunOrvscan(std::string(kSmallPage) + " /out:" + path);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(-1003)) << run.output;
    EXPECT_NE(run.output.find("ORV_Start_Scan failed with status -1003"), std::string::npos)
        << run.output;
    EXPECT_FALSE(FileExists(path));

    // A mode the scanner lacks and a bad argument are refused before any scan.
    TearDown();
    SetUp();
    ServerSettings("[Scanner]\r\nModes=1\r\n");
    run = RunOrvscan(std::string("/mode:color") + kSmallPage + " /out:" + path);
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_NE(run.output.find("no color mode"), std::string::npos) << run.output;
    run = RunOrvscan("/mode:sepia");
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_NE(run.output.find("usage:"), std::string::npos) << run.output;
    EXPECT_FALSE(FileExists(path));
}

} // namespace
