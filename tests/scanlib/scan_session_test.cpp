// Scanning end to end: the test application scanapp.exe (built against orvlib.h and the import
// library) scans pages from the scanning server stand-in; the server's receive log shows what
// the library sent, the page bytes are checked against the server's test chart, and the
// "Scanning" dialog is read on the screen and pressed from here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "orvlib.h"

namespace {

// The value after "prefix" on the first line that starts with it.
std::string LineAfter(const std::string& text, const std::string& prefix, size_t skip = 0) {
    size_t at = 0;
    for (size_t n = 0;; ++n) {
        at = text.find(prefix, at);
        if (at == std::string::npos)
            return "";
        if (n == skip)
            break;
        at += prefix.size();
    }
    size_t end = text.find('\n', at);
    return text.substr(at + prefix.size(), end - at - prefix.size());
}

std::string Bytes(const std::string& hex, size_t offset, size_t count) {
    return hex.substr(offset * 2, count * 2);
}

struct ScanSession : ::testing::Test {
    void SetUp() override {
        Clear();
        ASSERT_TRUE(PlaceScanner());
        // Beside the library, so the application loads the installed copy.
        ASSERT_TRUE(PlaceInWindows("scanapp.exe"));
        Server("", "");
    }
    void TearDown() override { Clear(); }
    static void Clear() {
        ResetInstall();
        KillProcessesNamed("scanapp.exe");
        KillProcessesNamed("hungwindow.exe");
    }
    static void Selection(const std::string& more) {
        ASSERT_TRUE(SelectScanner(7, "ORVDR07.EXE", more));
    }
    static void Server(const std::string& scanner, const std::string& faults) {
        ASSERT_TRUE(ServerSettings("[Scanner]\r\n" + scanner + "[Faults]\r\n" + faults));
    }
    // Runs the application to its end.
    static std::string App(const std::string& args, DWORD timeoutMs = 60000) {
        OutFileRun app = StartWithOutFile("scanapp.exe", args);
        EXPECT_NE(app.process, nullptr) << args;
        RunResult run = FinishOutFileRun(&app, timeoutMs);
        EXPECT_FALSE(run.timedOut) << args;
        return run.output;
    }
};

// What the application sees of a page of `right` x `bottom` in `mode` at `dpi`.
std::string Page(int mode, int dpi, int right, int bottom) {
    return "setattr=" + std::to_string(mode) + "," + std::to_string(dpi) + "," +
           std::to_string(right) + "," + std::to_string(bottom);
}

TEST_F(ScanSession, CapabilityLevelsAndResolutionsFromTheServersAnswers) {
    struct Case {
        const char* scanner;
        const char* expected;
    } cases[] = {
        {"BrightnessLevels=0\r\nContrastLevels=4\r\nResolutionKind=range\r\nResolutionMin=100\r\n"
         "ResolutionMax=300\r\n",
         "res=7 area=0,0,2550,3300 adf=1 br=0,1,0 cr=1,4,2 decomp=1 model=Orvane Test Scanner"},
        {"BrightnessLevels=5\r\nContrastLevels=0\r\nResolutionMin=50\r\nResolutionMax=600\r\n"
         "Feeder=0\r\nDecompression=0\r\nModel=Flatbed Five\r\n",
         "res=47 area=0,0,2550,3300 adf=0 br=1,5,3 cr=0,1,0 decomp=0 model=Flatbed Five"},
        {"BrightnessLevels=4\r\nContrastLevels=5\r\nResolutionKind=list\r\n"
         "ResolutionList=75,150,300\r\nModes=9\r\n",
         "res=36 area=0,0,2550,3300 adf=1 br=1,4,2 cr=1,5,3 decomp=1 model=Orvane Test Scanner"},
    };
    for (const Case& c : cases) {
        Server(c.scanner, "");
        // Read before any client registered: the id plays no part.
        std::string out = App("caps init caps");
        EXPECT_NE(out.find(c.expected), std::string::npos) << c.scanner << "\n" << out;
        EXPECT_EQ(CountLinesStartingWith(out, "caps id=7 "), 2) << out;
    }
    EXPECT_NE(App("caps").find("caps id=7 mode=9 "), std::string::npos);
}

TEST_F(ScanSession, AttributesComeFromDefaultOrAttribsByAttrNeedUpdate) {
    const std::string sections =
        "[Default]\r\nMode=2\r\nRes=200\r\nScan_Right=640\r\nContrast=3\r\n"
        "[Attribs]\r\nMode=8\r\nRes=100\r\nScan_Right=320\r\nInvert=1\r\n";
    struct Case {
        const char* update;
        const char* expected;
    } cases[] = {
        {"AttrNeedUpdate=N\r\n",
         "getattr 0 mode=8 adf=0 bright=1 res=100 area=1,1,320,1 paper=1 contrast=1 orient=1 "
         "invert=1"},
        {"AttrNeedUpdate=No\r\n", "getattr 0 mode=8 adf=0 bright=1 res=100 area=1,1,320,1 "},
        {"AttrNeedUpdate=n\r\n", "getattr 0 mode=2 adf=0 bright=1 res=200 area=1,1,640,1 "},
        {"AttrNeedUpdate=Y\r\n", "getattr 0 mode=2 adf=0 bright=1 res=200 area=1,1,640,1 "},
        {"AttrNeedUpdate=\r\n", "getattr 0 mode=2 adf=0 bright=1 res=200 area=1,1,640,1 "},
        {"", "getattr 0 mode=2 adf=0 bright=1 res=200 area=1,1,640,1 paper=1 contrast=3 orient=1 "
             "invert=0"},
    };
    for (const Case& c : cases) {
        Selection(std::string(c.update) + sections);
        std::string out = App("getattr");
        EXPECT_NE(out.find(c.expected), std::string::npos) << c.update << "\n" << out;
    }
    // Nothing stored at all: the defaults.
    Selection("");
    EXPECT_NE(App("getattr").find("getattr 0 mode=1 adf=0 bright=1 res=300 area=1,1,1,1 paper=1 "
                                  "contrast=1 orient=1 invert=0"),
              std::string::npos);
}

// A stored value that does not fit its field reads as the key's default, not as the number its
// low bits spell (65936 would be 400 dpi, -40000 an edge of 25536, 4294967297 an inverted page).
TEST_F(ScanSession, AttributeValuesTooLargeForTheirFieldsReadAsDefaults) {
    Selection("[Default]\r\nMode=65538\r\nRes=65936\r\nScan_Right=-40000\r\nScan_Top=-3\r\n"
              "Invert=4294967297\r\nContrast=-1\r\nBright=7\r\nUseADF=abc\r\n");
    std::string out = App("getattr");
    EXPECT_NE(out.find("getattr 0 mode=1 adf=0 bright=7 res=300 area=1,-3,1,1 paper=1 contrast=1 "
                       "orient=1 invert=0"),
              std::string::npos)
        << out;
}

TEST_F(ScanSession, ContrastIsTheScannersNormalOnThisAndTheNextPage) {
    Server("ContrastLevels=7\r\n", "");
    Selection("[Default]\r\nContrast=9\r\nBright=5\r\n");
    std::string out = App("init open setattr=1,300,100,10,7 getattr start=0,0 get=10 "
                          "start=0,0 get=10 close");
    // The caller's record shows the normal value; the file still says 9.
    EXPECT_NE(out.find("setattr 0 mode=1 adf=0 bright=5 res=300 area=0,0,100,10 paper=1 "
                       "contrast=4 "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("getattr 0 mode=1 adf=0 bright=5 res=300 area=1,1,1,1 paper=1 contrast=9 "),
              std::string::npos)
        << out;
    const std::string log = ServerLog();
    // flags, format 512, mode 1, area 0,0,100,10, feeder 0, brightness 5, contrast 4, 0, 300 dpi
    const std::string parameters = "000000020100000000006400"
                                   "0a000000050004000000"
                                   "2c01";
    EXPECT_EQ(LineAfter(log, "POKE item=4 format=512 bytes=", 0), parameters) << log;
    EXPECT_EQ(LineAfter(log, "POKE item=4 format=512 bytes=", 1), parameters) << log;
    // A client that sets nothing scans with what the file gave it.
    out = App("init open start=0,0 close");
    EXPECT_EQ(Bytes(LineAfter(ServerLog(), "POKE item=4 format=512 bytes=", 2), 18, 2), "0900");
}

TEST_F(ScanSession, PaddedLinesLandAtTheirOffsetsAndMatchTheChart) {
    // One-bit page 100 pixels wide: 13 bytes a line from the server, 16 with padding.
    std::string out = App("init open " + Page(1, 300, 100, 10) +
                          " start=0,1 get=10 bytes=0,192 start=0,0 get=10 bytes=0,160 close");
    ASSERT_NE(out.find("get 160\n"), std::string::npos) << out;
    ASSERT_NE(out.find("get 130\n"), std::string::npos) << out;
    const std::string padded = LineAfter(out, "bytes ", 0), plain = LineAfter(out, "bytes ", 1);
    for (size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(Bytes(padded, k * 16, 13), Bytes(plain, k * 13, 13)) << "line " << k;
        EXPECT_EQ(Bytes(padded, k * 16 + 13, 3), "aaaaaa") << "gap after line " << k;
    }
    EXPECT_EQ(Bytes(padded, 160, 32), std::string(64, 'a')) << "nothing past the lines";
    EXPECT_EQ(Bytes(plain, 130, 30), std::string(60, 'a')) << "nothing past the lines";
    // The chart's black frame: the top line is black (set bits are white) up to the last pixel.
    EXPECT_EQ(Bytes(plain, 0, 12), std::string(24, '0'));

    // Eight-bit gray: 128 a padded line; 24-bit colour: 384.
    out = App("init open " + Page(8, 300, 100, 10) + " start=0,1 get=10 bytes=100,28 " +
              Page(16, 300, 100, 10) + " start=0,1 get=10 close");
    EXPECT_NE(out.find("get 1280\nbytes " + std::string(56, 'a')), std::string::npos) << out;
    EXPECT_NE(out.find("get 3840\n"), std::string::npos) << out;

    // A colour chart at 100 dpi: line 80 crosses the colour bars (white, yellow, cyan, green,
    // magenta, red, blue, black), each an eighth of the width.
    out = App("init open " + Page(16, 100, 100, 100) + " start=0,1 get=100,40000 close");
    ASSERT_NE(out.find("get 38400\n"), std::string::npos) << out;
    out = App("init open " + Page(16, 100, 100, 100) + " start=0,1 get=80,40000 get=1 " +
              "bytes=24,3 bytes=60,3 bytes=96,3 bytes=174,3 bytes=276,3 close");
    // Pixels 8, 20, 32, 58 and 92: white, yellow, cyan, magenta and black bars.
    EXPECT_NE(out.find("get 384\nbytes ffffff\nbytes ffff00\nbytes 00ffff\nbytes ff00ff\n"
                       "bytes 000000\n"),
              std::string::npos)
        << out;
}

TEST_F(ScanSession, EndOfPageGivesZeroLinesWithoutAskingTheServer) {
    std::string out = App("init open " + Page(1, 300, 100, 10) +
                          " start=0,1 get=10 get=5 bytes=0,96 get=5 bytes=0,96 get=3 close");
    const std::string zeros = std::string(160, '0') + std::string(32, 'a');
    EXPECT_NE(out.find("get 160\nget 80\nbytes " + zeros + "\nget 80\nbytes " + zeros +
                       "\nget 48\nclose 0"),
              std::string::npos)
        << out;
    // Two requests: the lines and the empty block; the later calls stay local.
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "REQUEST item=8 format=516"), 2) << ServerLog();
    // Without padding the width is the server's 13 bytes.
    out = App("init open " + Page(1, 300, 100, 10) + " start=0,0 get=10 get=4 get=4 close");
    EXPECT_NE(out.find("get 130\nget 52\nget 52\n"), std::string::npos) << out;
}

TEST_F(ScanSession, ACallersBufferSmallerThanTheLinesIsNotOverrun) {
    // Ten lines of 128 bytes (100 from the server) asked into 200 bytes, with and without
    // padding, then the zero lines of the page's end into 64 bytes.
    std::string out = App("init open " + Page(8, 300, 100, 40) +
                          " start=0,1 get=10,200,1 start=0,0 get=10,150,1 get=40,2000 "
                          "get=10,64,1 get=10,64,1 get=10,64,1 get=10,64,1 close");
    for (const char* expected :
         {"get 200 real=200 guard=intact heap=ok", "get 150 real=150 guard=intact heap=ok",
          "get 64 real=64 guard=intact heap=ok"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    // Two blocks of lines, the empty block that ends the page, one call after the end.
    EXPECT_EQ(CountLinesStartingWith(out, "get 64 real=64 guard=intact heap=ok"), 4) << out;
}

TEST_F(ScanSession, CancelFromTheDialogsButtonCancelsNowAndLater) {
    const std::string shown = WindowsDir() + "orvscan-shown.flag",
                      pressed = WindowsDir() + "orvscan-pressed.flag";
    DeleteFileA(shown.c_str());
    DeleteFileA(pressed.c_str());
    std::string out;
    std::thread app([&] {
        out = App("init open " + Page(8, 300, 100, 100) + " start=1,0 get=25 signal=" + shown +
                  " wait=" + pressed +
                  " pump=200 get=25 get=25 dialog focus start=1,0 get=25 "
                  "close");
    });
    WaitForFile(shown, 30000);
    HWND dialog = WaitForWindow("#32770", "Scanning", 5000);
    ASSERT_NE(dialog, nullptr);
    HWND button = GetDlgItem(dialog, IDCANCEL);
    ASSERT_NE(button, nullptr);
    PostMessageA(button, BM_CLICK, 0, 0);
    WriteTextFile(pressed, "");
    app.join();
    DeleteFileA(shown.c_str());
    DeleteFileA(pressed.c_str());
    EXPECT_NE(out.find("get 2500\n"), std::string::npos) << out;
    EXPECT_NE(out.find("pump\nget -2006\nget -2006\ndialog none\nfocus app\n"), std::string::npos)
        << out;
    // The next page starts afresh.
    EXPECT_NE(out.find("start 0\nget 2500\nclose 0"), std::string::npos) << out;
    // Each cancelled call told the server; the cancelled calls asked for no lines.
    const std::string log = ServerLog();
    EXPECT_EQ(CountLinesStartingWith(log, "REQUEST item=9 format=0"), 2) << log;
    EXPECT_EQ(CountLinesStartingWith(log, "REQUEST item=8 format=516"), 2) << log;

    // ORV_Cancel: the server answers the next line request "cancelled", not "failed".
    out = App("init open " + Page(8, 300, 100, 100) + " start=0,0 get=25 cancel get=25 close");
    EXPECT_NE(out.find("get 2500\ncancel 0\nget -2006\nclose 0"), std::string::npos) << out;
}

TEST_F(ScanSession, TheBarFillsByQuartersAndTheDialogGoesAtTheEnd) {
    std::string out = App("init open " + Page(8, 300, 100, 100) +
                          " start=1,0 dialog gauge get=25 gauge get=25 gauge get=25 gauge get=25 "
                          "dialog focus get=25 dialog close");
    // The last call meets the end of the page: zero lines of the server's width.
    std::vector<int> gauges;
    for (size_t at = out.find("gauge "); at != std::string::npos; at = out.find("gauge ", at + 1))
        gauges.push_back(std::atoi(out.c_str() + at + 6));
    ASSERT_EQ(gauges.size(), 4u) << out;
    const int expected[] = {0, 25, 50, 75};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(gauges[i], expected[i], 2) << "after " << i * 25 << " lines\n" << out;
    EXPECT_NE(out.find("dialog Scanning|Cancel|owned\n"), std::string::npos) << out;
    EXPECT_NE(out.find("get 2500\ndialog none\nfocus app\nget 2500\ndialog none\nclose 0"),
              std::string::npos)
        << out;
}

// Run with the user language of each block (LC_ALL) by CTest; plain runs expect English.
TEST_F(ScanSession, DialogTextsInTheUsersLanguage) {
    const char* block = std::getenv("ORV_SCAN_BLOCK");
    const char* language = std::getenv("ORV_SCAN_LANGUAGE");
    struct Texts {
        int block;
        const char* title;
        const char* button;
    } texts[] = {{3, "Seite wird gelesen", "Abbrechen"},
                 {4, "Leyendo la p\xe1gina", "Cancelar"},
                 {5, "Acquisizione in corso", "Annulla"}};
    std::string title = "Scanning", button = "Cancel";
    for (const Texts& t : texts)
        if (block && std::atoi(block) == t.block) {
            title = t.title;
            button = t.button;
        }
    const std::string shown = WindowsDir() + "orvscan-shown.flag",
                      taken = WindowsDir() + "orvscan-taken.flag";
    DeleteFileA(shown.c_str());
    DeleteFileA(taken.c_str());
    std::string out;
    std::thread app([&] {
        out = App("init open " + Page(8, 300, 100, 100) +
                  " start=1,0 get=50 dialog signal=" + shown + " wait=" + taken + " close");
    });
    WaitForFile(shown, 30000);
    HWND dialog = WaitForWindow("#32770", title.c_str(), 5000);
    EXPECT_NE(dialog, nullptr) << title;
    if (dialog) {
        Sleep(300);
        std::string name = std::string("scanning_") + (language ? language : "english") + ".bmp";
        EXPECT_TRUE(SaveScreenshot(dialog, BinPath(name.c_str())));
    }
    WriteTextFile(taken, "");
    app.join();
    DeleteFileA(shown.c_str());
    DeleteFileA(taken.c_str());
    EXPECT_NE(out.find("dialog " + title + "|" + button + "|owned\n"), std::string::npos) << out;
}

// The first client quits before it closes: quitting alone keeps the scanner, the close frees it.
TEST_F(ScanSession, ASecondClientWaitsForTheFirstAndHearsWhenItClosesEvenAfterQuitting) {
    const std::string held = WindowsDir() + "orvscan-held.flag",
                      tried = WindowsDir() + "orvscan-tried.flag",
                      closed = WindowsDir() + "orvscan-closed.flag";
    for (const std::string& flag : {held, tried, closed})
        DeleteFileA(flag.c_str());
    std::string first, second;
    std::thread firstApp([&] {
        first = App("init open open busy signal=" + held + " wait=" + tried +
                    " quit close signal=" + closed + " close");
    });
    WaitForFile(held, 30000);
    second = App("init msgid open busy notes signal=" + tried + " wait=" + closed +
                 " pump=300 notes busy open close");
    firstApp.join();
    for (const std::string& flag : {held, tried, closed})
        DeleteFileA(flag.c_str());
    EXPECT_NE(first.find("init 0 1\nopen 0\nopen 0\nbusy 1\n"), std::string::npos) << first;
    EXPECT_NE(first.find("quit\nclose 0\nsignal\nclose -1011"), std::string::npos) << first;
    EXPECT_NE(second.find("init 0 2\nmsgid set\nopen -1001\nbusy 1\nnotes 0 0 0\n"),
              std::string::npos)
        << second;
    EXPECT_NE(second.find("pump\nnotes 1 1 1\nbusy 0\nopen 0\nclose 0"), std::string::npos)
        << second;
    // Opening twice kept one conversation per client.
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "INITIATE app=Orvane topic=Vellicor"), 4)
        << ServerLog();
}

// A top-level window of another program that never takes its messages: the load's broadcasts
// (after starting the server and the driver program, the initiate) and the open's initiate pass
// it by, so a load that starts the server, ORV_Init and a page still succeed.
TEST_F(ScanSession, AHungTopLevelWindowHoldsUpNoLoadOrPage) {
    const std::string steps = "init open " + Page(8, 300, 100, 10) + " start=0,0 get=10 close";
    const std::string expected = "init 0 1\nopen 0\nsetattr 0 ";
    DWORD start = GetTickCount();
    std::string out = App(steps);
    const DWORD healthy = GetTickCount() - start;
    ASSERT_NE(out.find(expected), std::string::npos) << out;
    KillProcessesNamed("ORVMAIN.EXE"); // the next load starts it again

    HANDLE hung = StartProgram(BinPath("hungwindow.exe"));
    ASSERT_NE(hung, nullptr);
    ASSERT_NE(WaitForWindow("HungWindow", "never pumps", 10000), nullptr);
    start = GetTickCount();
    out = App(steps);
    const DWORD withHung = GetTickCount() - start;
    TerminateProcess(hung, 0);
    CloseHandle(hung);
    EXPECT_NE(out.find(expected), std::string::npos) << out;
    EXPECT_NE(out.find("get 1000\nclose 0"), std::string::npos) << out;
    // Four broadcasts, each waiting at most 3 s for the hung window.
    EXPECT_LT(withHung, healthy + 4 * 3000 + 2000) << "healthy run " << healthy << " ms";
    std::printf("figure: load, init, open, page, close: %lu ms; with a hung window %lu ms\n",
                healthy, withHung);
}

TEST_F(ScanSession, AClientWhoseWindowIsGoneLosesTheScannerAndItsEntry) {
    std::string out = App("init open adf " + Page(1, 300, 100, 50) +
                          " start=0,1 get=5 destroy get=5 get=5 open busy");
    EXPECT_NE(out.find("open 0\nadf 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("get 80\ndestroy\nget -2005\nget -2004\nopen -1011\nbusy 1"),
              std::string::npos)
        << out;
    // The conversation window went with the application's window: the server was told the page
    // is abandoned and asked for nothing more, and the next client is served.
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "REQUEST item=8 format=516"), 1) << ServerLog();
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "REQUEST item=9 format=0"), 1) << ServerLog();
    out = App("init open " + Page(1, 300, 100, 50) + " start=0,1 get=50 close");
    EXPECT_NE(out.find("open 0\nsetattr 0 mode=1 adf=0 bright=1 res=300 area=0,0,100,50 "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("get 800\nclose 0"), std::string::npos) << out;
}

TEST_F(ScanSession, DecompressionControlCodesAndWhatReachesTheServer) {
    ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"));
    std::string out = App("cntl=1,1 init setdecomp=1,0 open cntl=1,4 cntl=0,5 cntl=0,0 cntl=0,1,0 "
                          "cntl=0,2,1,0 cntl=0,4,1,0 cntl=0,2,0 decompdata=1 flush graphic=1 " +
                          Page(1, 300, 100, 10) +
                          " start=0,1 setdecomp=1,0 graphic=10 decompdata=1 decompdata=2 flush " +
                          Page(8, 300, 100, 10) + " start=0,1 setdecomp=1,1 graphic=10 close");
    EXPECT_NE(
        out.find(
            "cntl -1013\ninit 0 1\nsetdecomp -1011\nopen 0\ncntl -1013\ncntl -1014\ncntl -1014\n"
            "cntl -1015\ncntl -1016\ncntl -1016\ncntl -1015\ndecompdata -1017 "
            "delivered=-1\nflush -1017\ngraphic -1018 bytes=0 lines=0\n"),
        std::string::npos)
        << out;
    // 1-bit at 300 dpi: 16 / 4 * 4 stays 16; the page's setup carried mode 8.
    EXPECT_NE(out.find("setdecomp 0\ngraphic 0 bytes=160 lines=10\n"), std::string::npos) << out;
    EXPECT_NE(out.find("decompdata 0 delivered=1 reply=11,12,13,14,0 mode=8\n"
                       "decompdata 0 delivered=1 reply=11,12,13,14,2 mode=8\nflush 0\n"),
              std::string::npos)
        << out;
    // 8-bit at 300 dpi: 128 / 4 = 32 bytes a line.
    EXPECT_NE(out.find("setdecomp 0\ngraphic 0 bytes=320 lines=10\nclose 0"), std::string::npos)
        << out;
    const std::string log = ServerLog();
    EXPECT_NE(log.find("POKE item=7 format=516 bytes=0020040208000a000000"), std::string::npos)
        << log;
    EXPECT_NE(log.find("POKE item=7 format=516 bytes=0020040201000a000000"), std::string::npos)
        << log;
    EXPECT_NE(log.find("POKE item=10 format=516 bytes=002004020b000c000d000e000000\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("POKE item=10 format=516 bytes=002004020b000c000d000e000200\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(CountLinesStartingWith(log, "REQUEST item=15 format=516"), 3) << log;
    // The trace: nothing for a non-zero first argument, the empty text for unknown numbers.
    std::string trace;
    ReadWholeFile(AppDir() + "ORVLIB.LOG", &trace);
    trace = WithoutCarriageReturns(trace);
    EXPECT_EQ(trace.find("-1013"), std::string::npos) << trace;
    EXPECT_NE(trace.find("\n, fId=0\n, -1014, fId=0\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("enter : Zentrix - get_graphic_data, fId=0\n"
                         "exit  : Zentrix - get_graphic_data, 0, fId=0\n"),
              std::string::npos)
        << trace;

    // A server without page decompression refuses the exchanges.
    Server("Decompression=0\r\n", "");
    out = App("init open setdecomp=1,0 decompdata=2 flush close");
    EXPECT_NE(out.find("setdecomp 0\ndecompdata -18003 delivered=0\nflush -18003\n"),
              std::string::npos)
        << out;
}

TEST_F(ScanSession, TraceLinesOfTheScanningExports) {
    ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"));
    Server("BrightnessLevels=5\r\nContrastLevels=4\r\n", "");
    std::string out = App("busy init busy open setattr=8,300,100,40,7 start=1,0 get=16,8192 " +
                          std::string("cancel adf caps getattr close"));
    ASSERT_NE(out.find("get 1600\n"), std::string::npos) << out;
    std::string trace;
    ReadWholeFile(AppDir() + "ORVLIB.LOG", &trace);
    trace = WithoutCarriageReturns(trace);
    // Calls before the first ORV_Init write nothing.
    EXPECT_EQ(trace.compare(0, 23, "enter : ORV_Init, fId=0"), 0) << trace;
    const char* expected[] = {
        "enter : ORV_Is_Scanner_Busy, fId=1\nexit  : ORV_Is_Scanner_Busy, 0, fId=1\n"
        "enter : ORV_Open, fId=1\nexit  : ORV_Open, 0, fId=1\n",
        "enter : ORV_Set_Scanner_Attributes, fId=1\n    INPUT  :\n        ScanMode   : 8\n"
        "        UseADF     : 0\n        Brightness : 1\n        Resolution : 300\n"
        "        ScanArea   : L=0\n                   : T=0\n                   : R=100\n"
        "                   : B=40\n        PaperSize  : 1\n        Contrast   : 7\n"
        "        Orientation: 1\n        Invert     : 0\n"
        "exit  : ORV_Set_Scanner_Attributes, 0, fId=1\n",
        "enter : ORV_Start_Scan, fId=1\n        progress : 1\n        pad32    : 0\n"
        "exit  : ORV_Start_Scan, 0, fId=1\n",
        "enter : ORV_Get_Scan_Data, fId=1\n        bufsize    : 8192\n        line_count : 16\n"
        "exit  : ORV_Get_Scan_Data, 1600, fId=1\n",
        "enter : ORV_Cancel, fId=1\nexit  : ORV_Cancel, 0, fId=1\n"
        "enter : ORV_Is_Adf_Ready, fId=1\nexit  : ORV_Is_Adf_Ready, 1, fId=1\n",
        "enter : ORV_Get_Scanner_Capabilities, fId=1\n    OUTPUT :\n        ScanId     : 7\n"
        "        ScanMode   : 159\n        ScanRes    : 47\n        ScanArea   : L=0\n"
        "                   : T=0\n                   : R=2550\n                   : B=3300\n"
        "        HasADF     : 1\n        PageDecomp : 1\n        br_min_val : 1\n"
        "        br_max_val : 5\n        br_normal  : 3\n        cr_min_val : 1\n"
        "        cr_max_val : 4\n        cr_normal  : 2\n"
        "exit  : ORV_Get_Scanner_Capabilities, fId=1\n",
        "enter : ORV_Get_Scanner_Attributes, fId=1\nexit  : ORV_Get_Scanner_Attributes, 0, fId=1\n"
        "enter : ORV_Close, fId=1\nexit  : ORV_Close, 0, fId=1\n",
    };
    for (const char* lines : expected)
        EXPECT_NE(trace.find(lines), std::string::npos) << lines << "\n---\n" << trace;
}

} // namespace
