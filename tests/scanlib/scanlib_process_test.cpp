// The library in real processes: test applications load it from the Windows directory, share
// the client table and talk to the scanning server stand-in, whose log shows what it received.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "orvlib.h"

namespace {

const char* const kDrivers[] = {"ORVDR07.EXE", "ORVDR01.EXE", "ORVDR12.EXE", "ORVDR99.EXE"};

std::string Run(const char* program, const std::string& args, DWORD timeoutMs = 60000) {
    RunResult result = RunProgram(BinPath(program) + " " + args, timeoutMs);
    EXPECT_FALSE(result.timedOut) << program << " " << args;
    return WithoutCarriageReturns(result.output);
}
std::string App(const std::string& args) {
    return Run("orvapp.exe", args);
}
std::string Probe(const std::string& args) {
    return Run("ddeprobe.exe", args);
}

struct LibraryProcesses : ::testing::Test {
    void SetUp() override {
        Clear();
        ASSERT_TRUE(PlaceScanner());
        ASSERT_TRUE(ServerSettings("[Faults]\r\n"));
    }
    void TearDown() override { Clear(); }
    static void Clear() {
        ResetInstall();
        for (const char* driver : kDrivers)
            KillProcessesNamed(driver);
        std::string scratch = WindowsDir() + "ORVTEST\\";
        DeleteFileA((scratch + ORV_LIBRARY_FILE).c_str());
        RemoveDirectoryA(scratch.c_str());
    }
    static void ServerFaults(const std::string& faults) {
        ASSERT_TRUE(ServerSettings("[Faults]\r\n" + faults));
    }
};

TEST_F(LibraryProcesses, FrameExportsRegisterSubscribeAndRemoveClients) {
    std::string out = App("load version setup=5 init init-again msgid=1 table quit=1 quit=9 table "
                          "init msgid=77");
    EXPECT_NE(out.find("load ok\nversion 2 0 0\nsetup -1\ninit 0 1\ninit -1012 -1\nmsgid "),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("msgid 0\n"), std::string::npos) << "connected: a registered message";
    EXPECT_NE(out.find("table counter=1 count=1 ids=1 conv=set model=Orvane Test Scanner\n"
                       "quit 1\nquit 9\ntable counter=1 count=0 ids= conv=set"),
              std::string::npos)
        << out;
    // Ids are not reused; the message id is returned for an unknown client too.
    EXPECT_NE(out.find("init 0 2\nmsgid "), std::string::npos) << out;
    EXPECT_EQ(CountLinesStartingWith(out, "msgid 0"), 0) << out;
}

TEST_F(LibraryProcesses, TwoApplicationsShareOneTableAndOneServer) {
    std::string flagA = WindowsDir() + "orvtest-a.flag", flagB = WindowsDir() + "orvtest-b.flag";
    DeleteFileA(flagA.c_str());
    DeleteFileA(flagB.c_str());
    std::string first;
    std::thread firstApp(
        [&] { first = App("load init init signal=" + flagA + " wait=" + flagB + " table"); });
    WaitForFile(flagA, 30000);
    std::string second = App("load table init table signal=" + flagB);
    firstApp.join();
    DeleteFileA(flagA.c_str());
    DeleteFileA(flagB.c_str());

    EXPECT_NE(first.find("init 0 1\ninit 0 2\n"), std::string::npos) << first;
    EXPECT_NE(second.find("table counter=2 count=2 ids=1,2 "), std::string::npos) << second;
    EXPECT_NE(second.find("init 0 3\ntable counter=3 count=3 ids=1,2,3 "), std::string::npos)
        << second;
    EXPECT_NE(first.find("table counter=3 count=3 ids=1,2,3 "), std::string::npos) << first;
    // The server was started once; the driver program at every load, and one copy of it runs.
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "INITIATE app=Orvane topic=Vellicor"), 2)
        << ServerLog();
    EXPECT_EQ(CountProcessesNamed("ORVMAIN.EXE"), 1);
    EXPECT_TRUE(Eventually([] { return CountProcessesNamed("ORVDR07.EXE") == 1; }, 10000));
}

TEST_F(LibraryProcesses, TheLastProcessToUnloadWithAnEmptyTableClosesTheServer) {
    std::string flag = WindowsDir() + "orvtest-a.flag", done = WindowsDir() + "orvtest-b.flag";
    DeleteFileA(flag.c_str());
    DeleteFileA(done.c_str());
    std::string holder;
    std::thread holderApp(
        [&] { holder = App("load init signal=" + flag + " wait=" + done + " quit=1 unload"); });
    WaitForFile(flag, 30000);
    // Another process's client remains: this unload leaves the server running.
    std::string other = App("load init quit=2 unload");
    EXPECT_NE(other.find("init 0 2\nquit 2\nunload"), std::string::npos) << other;
    EXPECT_EQ(CountProcessesNamed("ORVMAIN.EXE"), 1);
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "CLOSE"), 0) << ServerLog();

    WriteTextFile(done, "");
    holderApp.join();
    DeleteFileA(flag.c_str());
    DeleteFileA(done.c_str());
    EXPECT_NE(holder.find("quit 1\nunload"), std::string::npos) << holder;
    EXPECT_TRUE(WaitForProcessesGone("ORVMAIN.EXE", 5000));
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "CLOSE"), 1) << ServerLog();
}

// Two processes taking turns with the scanner, each open a conversation of its own: each process
// keeps one client window of the library, and none once it unloaded the library.
TEST_F(LibraryProcesses, TurnsBetweenTwoProcessesKeepOneClientWindowEachAndNoneAfterUnload) {
    const std::string flag = WindowsDir() + "orvtest-turn";
    auto turn = [&](const char* name) { return flag + name + ".flag"; };
    for (const char* name : {"a1", "a2", "b1", "b2"})
        DeleteFileA(turn(name).c_str());
    const std::string round = " open windows close signal=";
    std::string first;
    std::thread firstApp([&] {
        first =
            App("load init windows" + round + turn("a1") + " wait=" + turn("b1") + round +
                turn("a2") + " wait=" + turn("b2") + round + turn("a3") + " quit=1 unload windows");
    });
    const std::string second =
        App("load wait=" + turn("a1") + " init" + round + turn("b1") + " wait=" + turn("a2") +
            round + turn("b2") + " quit=2 unload windows");
    firstApp.join();
    for (const char* name : {"a1", "a2", "a3", "b1", "b2"})
        DeleteFileA(turn(name).c_str());
    EXPECT_EQ(CountLinesStartingWith(first, "open 0"), 3) << first;
    EXPECT_EQ(CountLinesStartingWith(second, "open 0"), 2) << second;
    EXPECT_EQ(CountLinesStartingWith(first, "windows 1"), 4) << first;
    EXPECT_EQ(CountLinesStartingWith(second, "windows 1"), 2) << second;
    EXPECT_NE(first.find("unload\nwindows 0\n"), std::string::npos) << first;
    EXPECT_NE(second.find("unload\nwindows 0\n"), std::string::npos) << second;
}

TEST_F(LibraryProcesses, ServerLaunchFailuresReachInit) {
    ServerFaults("NoMainWindow=1\r\n");
    EXPECT_NE(App("load init").find("load ok\ninit -1008 -1"), std::string::npos);
    KillProcessesNamed("ORVMAIN.EXE");

    std::string server = AppDir() + "ORVMAIN.EXE";
    SetFileAttributesA(server.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileA(server.c_str()));
    EXPECT_NE(App("load init").find("load ok\ninit -1009 -1"), std::string::npos);
    EXPECT_EQ(CountProcessesNamed("ORVDR07.EXE"), 0) << "no driver without a server";
}

TEST_F(LibraryProcesses, ScannerSelectionDecidesTheDriverStart) {
    struct Case {
        int id;
        const char* driver;
        int status;
    } cases[] = {{0, "ORVDR07.EXE", -1002},
                 {149, "", -1002},
                 {150, "ORVDR07.EXE", -1002},
                 {151, "", -35},
                 {152, "", -37},
                 {153, "ORVDR07.EXE", -38},
                 {154, "", -36},
                 {155, "", -36},
                 {156, "", -36},
                 {157, "", -1002},
                 {-4, "", -1002}};
    for (const Case& c : cases) {
        ASSERT_TRUE(SelectScanner(c.id, c.driver));
        std::string out = App("load init");
        EXPECT_NE(out.find("init " + std::to_string(c.status) + " -1"), std::string::npos)
            << c.id << ": " << out;
    }
    EXPECT_EQ(CountProcessesNamed("ORVDR07.EXE"), 0);
    EXPECT_EQ(CountLinesStartingWith(ServerLog(), "INITIATE"), 0)
        << "no conversation without a driver";
    ASSERT_TRUE(SelectScanner(149, "ORVDR07.EXE"));
    EXPECT_NE(App("load init").find("init 0 1"), std::string::npos);
    EXPECT_EQ(CountProcessesNamed("ORVDR07.EXE"), 1);
}

std::string StaticText(HWND box) {
    std::string longest;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) WINAPI -> BOOL {
            char className[32] = "", text[256] = "";
            GetClassNameA(child, className, sizeof className);
            GetWindowTextA(child, text, sizeof text);
            auto* best = reinterpret_cast<std::string*>(param);
            if (_stricmp(className, "Static") == 0 && std::strlen(text) > best->size())
                *best = text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&longest));
    return longest;
}

TEST_F(LibraryProcesses, AMissingDriverProgramIsReportedInAMessageBox) {
    ASSERT_TRUE(SelectScanner(99, "ORVDR99.EXE"));
    std::string out;
    std::thread app([&] { out = App("load init"); });
    HWND box = WaitForMessageBox("OrvLib - error", 20000);
    std::string text = box ? StaticText(box) : "";
    if (box)
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    app.join();
    ASSERT_NE(box, nullptr) << out;
    EXPECT_EQ(text.rfind("Can't launch Orvane. ( error_code : ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), " )") << text;
    EXPECT_NE(out.find("init -1019 -1"), std::string::npos) << out;
}

TEST_F(LibraryProcesses, ServersNotTakingTheConversationGiveNoConversation) {
    for (const char* fault : {"RefuseInitiate=1\r\n", "NoInitiateAnswer=1\r\n"}) {
        ServerFaults(fault);
        std::string out = App("load init msgid=1");
        EXPECT_NE(out.find("init -1002 -1\nmsgid 0"), std::string::npos) << fault << out;
        KillProcessesNamed("ORVMAIN.EXE");
    }
}

TEST_F(LibraryProcesses, ABusyPokeIsPostedAgainUntilAcknowledged) {
    ServerFaults("BusyPokes=3\r\n");
    std::string out = Probe("connect poke=4 end");
    EXPECT_NE(out.find("connect 0\npoke ok\nend"), std::string::npos) << out;
    std::string log = ServerLog();
    EXPECT_EQ(CountLinesStartingWith(log, "POKE item=4 format=512 bytes="), 4) << log;
    // The same block each time.
    size_t first = log.find("POKE item=4");
    std::string line = log.substr(first, log.find('\n', first) - first);
    EXPECT_EQ(CountLinesStartingWith(log, line), 4) << log;
}

TEST_F(LibraryProcesses, AnswersForOtherItemsAreDroppedAndNegativeAnswersFail) {
    ServerFaults("ForeignReplies=1\r\nNackItems=9\r\n");
    std::string out = Probe("connect caps request=1,513 requestack=9 end");
    EXPECT_NE(out.find("connect 0\ncaps id=7 mode="), std::string::npos) << out;
    EXPECT_NE(out.find("model=Orvane Test Scanner\nrequest data "), std::string::npos) << out;
    EXPECT_NE(out.find("requestack fail\nend"), std::string::npos) << out;
}

long long Growth(const std::string& out, const std::string& key) {
    size_t at = out.find(key + " ");
    if (at == std::string::npos)
        return -1;
    at = out.find("growth=", at);
    return at == std::string::npos ? -1 : std::atoll(out.c_str() + at + 7);
}

TEST_F(LibraryProcesses, RepeatedExchangesLeaveTheLibraryProcessFlat) {
    // Live heap bytes, where every DDE block lives: one reply or packed lParam lost per exchange
    // would show as thousands of bytes here.
    std::string out = Probe("connect capsloop=200 pokeloop=200 end");
    long long capabilities = Growth(out, "capsloop"), pokes = Growth(out, "pokeloop");
    EXPECT_GE(capabilities, 0) << out;
    EXPECT_LT(capabilities, 512) << out;
    EXPECT_NE(out.find("pokeloop acked=200 "), std::string::npos) << out;
    EXPECT_GE(pokes, 0) << out;
    EXPECT_LT(pokes, 512) << out;
}

TEST_F(LibraryProcesses, TraceLinesAreWrittenByteExactWithTheSwitchAtOne) {
    ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"));
    std::string out = App("load version init version setup=1 msgid=1 quit=1 init-again");
    std::string log;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVLIB.LOG", &log)) << out;
    size_t at = out.find("msgid ");
    ASSERT_NE(at, std::string::npos) << out;
    std::string message = out.substr(at + 6, out.find('\n', at) - at - 6);
    const std::string expected = "enter : ORV_Init, fId=0\r\n"
                                 "exit  : ORV_Init, 0, fId=1\r\n"
                                 "enter : ORV_Get_Version, fId=0\r\n"
                                 "exit  : ORV_Get_Version, fId=0\r\n"
                                 "enter : ORV_Setup, fId=1\r\n"
                                 "exit  : ORV_Setup, -1, fId=1\r\n"
                                 "enter : ORV_Get_Msg_Id, fId=1\r\n"
                                 "exit  : ORV_Get_Msg_Id, " +
                                 message +
                                 ", fId=1\r\n"
                                 "enter : ORV_Quit, fId=1\r\n"
                                 "exit  : ORV_Quit, fId=1\r\n"
                                 "enter : ORV_Init, fId=0\r\n"
                                 "exit  : ORV_Init, 0, fId=2\r\n";
    EXPECT_EQ(log, expected);
    // A second process (a new table: the first left none behind) appends to the same log.
    App("load init");
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVLIB.LOG", &log));
    EXPECT_EQ(log, expected + "enter : ORV_Init, fId=0\r\nexit  : ORV_Init, 0, fId=1\r\n");
}

TEST_F(LibraryProcesses, TraceShowsFailedInitAndOtherLevelsWriteNothing) {
    std::string server = AppDir() + "ORVMAIN.EXE";
    SetFileAttributesA(server.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileA(server.c_str()));
    ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"));
    App("load init");
    std::string log;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVLIB.LOG", &log));
    EXPECT_EQ(log, "enter : ORV_Init, fId=0\r\nexit  : ORV_Init, -1009, fId=0\r\n");

    DeleteFileA((AppDir() + "ORVLIB.LOG").c_str());
    ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=2\r\n"));
    App("load init version setup=1 quit=1");
    EXPECT_FALSE(FileExists(AppDir() + "ORVLIB.LOG"));
}

TEST_F(LibraryProcesses, TheLibraryLoadsOnlyFromTheWindowsDirectory) {
    std::string scratch = WindowsDir() + "ORVTEST\\";
    CreateDirectoryA(scratch.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(BinPath(ORV_LIBRARY_FILE).c_str(), (scratch + ORV_LIBRARY_FILE).c_str(), FALSE));
    EXPECT_NE(App("load=" + scratch + ORV_LIBRARY_FILE).find("load failed"), std::string::npos);
    // The refused copy has found or started the server all the same, and, with nobody else
    // using it, closed it again.
    EXPECT_NE(ServerLog().find("INITIATE app=Orvane topic=Vellicor\n"), std::string::npos)
        << ServerLog();
    EXPECT_TRUE(WaitForProcessesGone("ORVMAIN.EXE", 5000)) << ServerLog();
    std::string lower = ORV_LIBRARY_FILE; // the same place in other letter cases
    CharLowerA(&lower[0]);
    EXPECT_NE(App("load=c:\\WINDOWS\\" + lower + " init").find("load ok\ninit 0 1"),
              std::string::npos);
}

} // namespace
