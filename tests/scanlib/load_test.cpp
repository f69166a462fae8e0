// Load: eight application processes scan concurrently through one server, each for many cycles
// of init, open (or waiting for the free notification), a page, close and quit. Leaks: long runs
// of page transfers and of init/quit leave the application's and the server's memory, the
// global atoms and their windows where they were.
//
// The default run is reduced; the full counts run with
//   ORV_LOAD_CYCLES=100 ORV_LEAK_PAGES=1000 ./run test -R load_test
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "harness.h"
#include "orvlib.h"
#include "process_probe.h"
#include "table_line.h"

namespace {

constexpr int kApplications = 8;
constexpr int kWidth = 64, kLines = 16; // a small colour page: 3072 bytes
constexpr char kImageName[] = "LOADPAGE.BMP";

int EnvCount(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// A pattern no two neighbouring pixels share, so a shifted, repeated or truncated line shows.
uint8_t PatternByte(int x, int y, int channel) {
    uint32_t v = static_cast<uint32_t>(x * 7919 + y * 104729 + channel * 15485863);
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    return static_cast<uint8_t>(v >> 24);
}

// The page the server makes of the image at its own size: lines top-down, red, green, blue.
std::vector<uint8_t> ExpectedPage() {
    std::vector<uint8_t> page;
    for (int y = 0; y < kLines; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                page.push_back(PatternByte(x, y, c));
    return page;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The value of "key=" in a result line, or -99999 when missing.
long Field(const std::string& line, const char* key) {
    const std::string search = std::string(" ") + key + "=";
    size_t at = line.find(search);
    return at == std::string::npos ? -99999
                                   : std::strtol(line.c_str() + at + search.size(), nullptr, 0);
}

std::string HashField(const std::string& line) {
    size_t at = line.find(" hash=");
    return at == std::string::npos ? "" : line.substr(at + 6, 8);
}

struct Load : ::testing::Test {
    void SetUp() override {
        Clear();
        ASSERT_TRUE(PlaceScanner());
        ASSERT_TRUE(PlaceInWindows("scanapp.exe"));
        ASSERT_TRUE(WriteTextFile(
            AppDir() + kImageName, BitmapFile(kWidth, kLines, [](int x, int y) {
                return Rgb{PatternByte(x, y, 0), PatternByte(x, y, 1), PatternByte(x, y, 2)};
            })));
        ASSERT_TRUE(WriteTextFile(AppDir() + "ORVMAIN.INI",
                                  "[Scanner]\r\nImage=" + AppDir() + kImageName + "\r\n"));
    }
    void TearDown() override { Clear(); }
    static void Clear() {
        KillProcessesNamed("scanapp*"); // the x86_64 copy too
        ResetInstall();
    }
    static std::string OutPath(int n) {
        return WindowsDir() + "load-" + std::to_string(n) + ".out";
    }
    static HANDLE Start(int n, const std::string& commands, const char* program = "scanapp.exe") {
        DeleteFileA(OutPath(n).c_str());
        return StartProgram(WindowsDir() + program + " out=" + OutPath(n) + " " + commands);
    }
    static std::string Output(int n) {
        std::string text, clean;
        ReadWholeFile(OutPath(n), &text);
        DeleteFileA(OutPath(n).c_str());
        for (char c : text)
            if (c != '\r')
                clean += c;
        return clean;
    }
};

// Eight applications scan concurrently, the odd-numbered ones running oddProgram: every page
// arrives whole, every client gets an id of its own, and nothing is left afterwards.
void EightApplicationsShareOneServer(const char* oddProgram) {
    const int cycles = EnvCount("ORV_LOAD_CYCLES", 15);
    const HeldTable table = HoldTable();
    ASSERT_TRUE(table.fresh && table.view) << "a table was left, or none could be made";

    const DWORD start = GetTickCount();
    HANDLE processes[kApplications];
    for (int n = 0; n < kApplications; ++n) {
        processes[n] = Load::Start(n,
                                   "cycles=" + std::to_string(cycles) + "," +
                                       std::to_string(kWidth) + "," + std::to_string(kLines),
                                   n % 2 ? oddProgram : "scanapp.exe");
        ASSERT_NE(processes[n], nullptr);
    }
    const DWORD limit = 60000 + static_cast<DWORD>(cycles) * kApplications * 1000;
    const DWORD waited = WaitForMultipleObjects(kApplications, processes, TRUE, limit);
    const double seconds = (GetTickCount() - start) / 1000.0;
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the applications did not finish in " << limit << " ms";
    for (HANDLE process : processes) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }

    const std::string expectedHash = [] {
        char text[16];
        const std::vector<uint8_t> page = ExpectedPage();
        std::snprintf(text, sizeof text, "%08x", Fnv1a(page.data(), page.size()));
        return std::string(text);
    }();
    std::set<long> ids;
    int good = 0, heard = 0, timedOut = 0, duplicates = 0;
    std::map<std::string, int> faults; // first differing line, by kind
    for (int n = 0; n < kApplications; ++n) {
        const std::string out = Load::Output(n);
        int lines = 0;
        for (const std::string& line : Lines(out)) {
            if (line.rfind("cycle ", 0) != 0)
                continue;
            ++lines;
            duplicates += !ids.insert(Field(line, "id")).second;
            heard += Field(line, "heard");
            timedOut += Field(line, "waited");
            const bool ok = Field(line, "init") == 0 && Field(line, "open") == 0 &&
                            Field(line, "got") == kWidth * kLines * 3 &&
                            HashField(line) == expectedHash && Field(line, "end") == kWidth * 3 &&
                            Field(line, "close") == 0;
            good += ok;
            if (!ok)
                faults.emplace(line, n);
        }
        EXPECT_EQ(lines, cycles) << "application " << n << ":\n" << out;
    }
    for (const auto& fault : faults)
        ADD_FAILURE() << "application " << fault.second << ": " << fault.first;
    EXPECT_EQ(good, cycles * kApplications);
    EXPECT_EQ(duplicates, 0);
    // A fresh table hands out 1, 2, 3 ... : every id once, none skipped.
    EXPECT_EQ(ids.size(), static_cast<size_t>(cycles * kApplications));
    if (!ids.empty()) {
        EXPECT_EQ(*ids.begin(), 1);
        EXPECT_EQ(*ids.rbegin(), cycles * kApplications);
    }

    // Nothing left behind in the table: no entry, no holder, the counter at the last id.
    const TableHeader after = HeldTableHeader(table);
    EXPECT_EQ(after.entryCount, 0);
    EXPECT_EQ(after.openClient, 0);
    EXPECT_EQ(after.idCounter, cycles * kApplications);
    ReleaseTable(table);

    // The last application to unload the library closed the server.
    EXPECT_TRUE(WaitForProcessesGone("ORVMAIN.EXE", 5000))
        << CountProcessesNamed("ORVMAIN.EXE") << " servers still running";

    std::printf("load: %d applications (every second one %s) x %d cycles = %d cycles in %.1f s: "
                "%.2f cycles/s; opens after a notification %d, after a 250 ms wait %d\n",
                kApplications, oddProgram, cycles, cycles * kApplications, seconds,
                cycles * kApplications / seconds, heard, timedOut);
}

TEST_F(Load, EightApplicationsShareOneServerWithoutLosingAnything) {
    EightApplicationsShareOneServer("scanapp.exe");
}

// On a 64-bit Windows with 32-bit support: half of the applications are the x86_64 build with
// ORVLIB64.DLL, the other half and the server the 32-bit ones, all on one table and server.
struct MixedLoad : Load {
    void SetUp() override {
        Load::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(OnWow64()) << "not a 32-bit program on a 64-bit Windows with 32-bit support";
        ASSERT_TRUE(PlaceInWindows64("ORVLIB64.DLL"));
        ASSERT_TRUE(PlaceInWindows64("scanapp.exe", "scanapp64.exe"));
    }
};

TEST_F(MixedLoad, FourApplicationsOfEachArchitectureShareOneServerWithoutLosingAnything) {
    EightApplicationsShareOneServer("scanapp64.exe");
}

// A process unloading the library while the table is empty leaves the server to a process that
// still has the library loaded, between one client and the next; that process closes it.
TEST_F(Load, TheServerStaysForAProcessBetweenClientsAndGoesWithTheLast) {
    const std::string ready = WindowsDir() + "between-ready", go = WindowsDir() + "between-go";
    DeleteFileA(ready.c_str());
    DeleteFileA(go.c_str());
    const std::string page = "," + std::to_string(kWidth) + "," + std::to_string(kLines);
    HANDLE staying = Start(0, "init quit signal=" + ready + " wait=" + go + " init open pages=2" +
                                  page + " close quit");
    ASSERT_NE(staying, nullptr);
    WaitForFile(ready, 30000);
    // The table is empty now; this process registers, quits and unloads.
    HANDLE leaving = Start(1, "init quit");
    ASSERT_NE(leaving, nullptr);
    EXPECT_EQ(WaitForSingleObject(leaving, 60000), WAIT_OBJECT_0);
    CloseHandle(leaving);
    EXPECT_NE(Output(1).find("init 0 2\nquit"), std::string::npos);
    Sleep(500); // a close would have ended the server by now
    EXPECT_EQ(CountProcessesNamed("ORVMAIN.EXE"), 1);
    WriteTextFile(go, "");
    EXPECT_EQ(WaitForSingleObject(staying, 60000), WAIT_OBJECT_0);
    CloseHandle(staying);
    DeleteFileA(ready.c_str());
    DeleteFileA(go.c_str());
    const std::string out = Output(0);
    EXPECT_NE(out.find("open 0\npages 2 good=2"), std::string::npos) << out;
    EXPECT_TRUE(WaitForProcessesGone("ORVMAIN.EXE", 5000));
}

struct Sample {
    ProcessFootprint application, server;
    std::vector<std::string> atoms;
};

// Waits for the application's signal file, reads both processes and the atoms, then lets the
// application go on.
bool SampleAt(HANDLE application, const std::string& signal, Sample* sample) {
    const std::string path = WindowsDir() + signal;
    for (int i = 0; i < 30000 && !FileExists(path); ++i) {
        if (WaitForSingleObject(application, 20) == WAIT_OBJECT_0)
            return false;
    }
    DeleteFileA(path.c_str());
    const bool read = ReadFootprint(GetProcessId(application), &sample->application) &&
                      ReadFootprint(ProcessIdNamed("ORVMAIN.EXE"), &sample->server);
    sample->atoms = GlobalAtomNames();
    return read && WriteTextFile(path + ".go", "");
}

std::string Describe(const char* what, const Sample& before, const Sample& after) {
    char text[400];
    std::snprintf(
        text, sizeof text,
        "%s: application private %zu -> %zu KB, pagefile %zu -> %zu KB, windows %d -> %d; "
        "server private %zu -> %zu KB, pagefile %zu -> %zu KB, windows %d -> %d; "
        "global atoms %d -> %d",
        what, before.application.privateBytes / 1024, after.application.privateBytes / 1024,
        before.application.pagefileBytes / 1024, after.application.pagefileBytes / 1024,
        before.application.windows, after.application.windows, before.server.privateBytes / 1024,
        after.server.privateBytes / 1024, before.server.pagefileBytes / 1024,
        after.server.pagefileBytes / 1024, before.server.windows, after.server.windows,
        static_cast<int>(before.atoms.size()), static_cast<int>(after.atoms.size()));
    std::string atoms;
    for (const std::string& name : before.atoms)
        if (std::find(after.atoms.begin(), after.atoms.end(), name) == after.atoms.end())
            atoms += " -" + name;
    for (const std::string& name : after.atoms)
        if (std::find(before.atoms.begin(), before.atoms.end(), name) == before.atoms.end())
            atoms += " +" + name;
    return text + atoms + std::string("; server windows ") + before.server.classes + " -> " +
           after.server.classes + "; application windows " + before.application.classes + " -> " +
           after.application.classes;
}

// Growth allowed between the two samples: a quarter of what leaking one page block or one
// attribute block a run would add, so such a leak cannot stay under it.
void ExpectFlat(const char* what, const Sample& before, const Sample& after, size_t allowed) {
    const std::string figures = Describe(what, before, after);
    std::printf("%s\n", figures.c_str());
    // Wine reports PrivateUsage of another process as 0: the pagefile figure is the one read.
    EXPECT_LE(after.application.pagefileBytes, before.application.pagefileBytes + allowed)
        << figures;
    EXPECT_LE(after.server.pagefileBytes, before.server.pagefileBytes + allowed) << figures;
    EXPECT_EQ(after.application.windows, before.application.windows) << figures;
    EXPECT_EQ(after.server.windows, before.server.windows) << figures;
    EXPECT_EQ(after.atoms.size(), before.atoms.size()) << figures;
}

TEST_F(Load, LongRunsOfPagesAndOfInitQuitLeaveMemoryAtomsAndWindowsFlat) {
    const int pages = EnvCount("ORV_LEAK_PAGES", 300), cycles = EnvCount("ORV_LEAK_CYCLES", 1000);
    const std::string page = "," + std::to_string(kWidth) + "," + std::to_string(kLines);
    // Warm-up runs first: the heaps, the stack pages Wine copies blocks onto and the server's
    // buffers reach their working size before the first sample.
    // A go file left by an earlier run would let the application run ahead of the samples.
    for (const char* name : {"leak-a", "leak-b", "leak-c", "leak-d"}) {
        DeleteFileA((WindowsDir() + name).c_str());
        DeleteFileA((WindowsDir() + name + ".go").c_str());
    }
    auto pause = [](const char* name) {
        return " signal=" + WindowsDir() + name + " wait=" + WindowsDir() + name + ".go";
    };
    HANDLE application =
        Start(0, "init open pages=50" + page + pause("leak-a") + " pages=" + std::to_string(pages) +
                     page + pause("leak-b") + " initquit=100" + pause("leak-c") +
                     " initquit=" + std::to_string(cycles) + pause("leak-d") + " close quit");
    ASSERT_NE(application, nullptr);
    Sample a, b, c, d;
    const bool sampled = SampleAt(application, "leak-a", &a) &&
                         SampleAt(application, "leak-b", &b) &&
                         SampleAt(application, "leak-c", &c) && SampleAt(application, "leak-d", &d);
    const bool ended = WaitForSingleObject(application, 60000) == WAIT_OBJECT_0;
    DWORD exitCode = 0;
    GetExitCodeProcess(application, &exitCode);
    TerminateProcess(application, 1);
    CloseHandle(application);
    const std::string out = Output(0);
    ASSERT_TRUE(sampled) << "application exit code " << exitCode << ", servers running "
                         << CountProcessesNamed("ORVMAIN.EXE") << "\n"
                         << out;
    EXPECT_TRUE(ended) << out;
    EXPECT_NE(out.find("pages " + std::to_string(pages) + " good=" + std::to_string(pages)),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("initquit " + std::to_string(cycles) + " good=" + std::to_string(cycles)),
              std::string::npos)
        << out;
    ExpectFlat("pages", a, b, static_cast<size_t>(pages) * kWidth * kLines * 3 / 4);
    ExpectFlat("init/quit", c, d, static_cast<size_t>(cycles) * sizeof(ScannerAttributes) / 4);
}

} // namespace
