// The Program Manager client against the PROGMAN service of Wine's shell (real groups and .lnk
// items) and against our stand-in, which records every command and answers group descriptions as
// told. Both serve on the session's desktop; a conversation goes to the service that answers the
// connection first, which is the window created last: the stand-in, started after the shell.
// Every stand-in case checks the stand-in's log for exactly what was sent, so an answer from the
// shell fails the test. No Program Manager at all is shown on a desktop of its own whose shell
// has been ended, by client calls on a thread attached to that desktop.
#include "harness.h"
#include "progman_client.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

const char kGroup[] = "Kelto Applications";
const char kItem[] = "Orvane 2.0";

// Runs `work` on a thread of its own attached to `desktop`.
template <typename Work> void OnDesktop(HDESK desktop, Work work) {
    std::thread thread([&] {
        if (SetThreadDesktop(desktop))
            work();
    });
    thread.join();
}

struct StandInFixture : ::testing::Test {
    HANDLE standIn = nullptr;

    void SetUp() override {
        ResetInstall();
        ASSERT_TRUE(PlaceInAppDir("progman_standin.exe"));
    }
    void TearDown() override {
        StopStandIn();
        ResetInstall();
    }

    std::string Log() {
        std::string log;
        ReadWholeFile(AppDir() + "progman_standin.log", &log);
        return log;
    }
    // Starts the stand-in with settings words such as "Reply=12" and waits until its service is
    // registered.
    void StartStandIn(const std::string& settings) {
        standIn = StartProgmanStandIn(AppDir(), settings);
        ASSERT_NE(standIn, nullptr);
    }
    void StopStandIn() { StopProgram(&standIn); }
    // The commands and requests the stand-in received.
    std::string Received() {
        std::string log = Log();
        size_t ready = log.find("READY \r\n");
        return ready == std::string::npos ? log : log.substr(ready + 8);
    }
};

TEST_F(StandInFixture, CommandTextsAsSent) {
    StartStandIn("Reply=0");
    int results[8] = {};
    {
        results[0] = ProgmanCreateGroup(kGroup, "");
        results[1] = ProgmanCreateGroup(kGroup, "C:\\WINDOWS\\KELTO32");
        results[2] = ProgmanShowGroup(kGroup, 8);
        results[3] = ProgmanAddItem("C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE", kItem, "", 3);
        results[4] = ProgmanAddItem("C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE", kItem,
                                    "C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE", 3);
        results[5] = ProgmanDeleteItem(kItem);
        results[6] = ProgmanExit(5);
        results[7] = ProgmanExit(0);
    }
    for (int result : results)
        EXPECT_EQ(result, 1);
    EXPECT_EQ(Received(), "EXECUTE [CreateGroup(Kelto Applications)]\r\n"
                          "EXECUTE [CreateGroup(Kelto Applications,C:\\WINDOWS\\KELTO32)]\r\n"
                          "EXECUTE [ShowGroup(Kelto Applications,8)]\r\n"
                          "EXECUTE [AddItem(C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE,Orvane 2.0)]\r\n"
                          "EXECUTE [AddItem(C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE,Orvane 2.0,"
                          "C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE,3)]\r\n"
                          "EXECUTE [DeleteItem(Orvane 2.0)]\r\n"
                          "EXECUTE [ExitProgman(1)]\r\n"
                          "EXECUTE [ExitProgman(0)]\r\n");
}

TEST_F(StandInFixture, RefusedCommandReportsFailure) {
    StartStandIn("Refuse=[ShowGroup");
    int shown = ProgmanShowGroup(kGroup, 8);
    int created = ProgmanCreateGroup(kGroup, "C:\\WINDOWS\\KELTO32");
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(created, 1);
    EXPECT_NE(Received().find("EXECUTE [ShowGroup(Kelto Applications,8)]"), std::string::npos);
}

// What the stand-in answers to a description request, and whether the group must go.
struct CountCase {
    const char* settings;
    int32_t count;    // -1: no count could be had
    bool deleted;     // DeleteGroup sent
    int deleteResult; // of ProgmanDeleteGroupIfEmpty
};

TEST_F(StandInFixture, GroupDeletedOnlyWhenReportedEmpty) {
    const CountCase cases[] = {
        {"Reply=12", 12, false, 1},
        {"Reply=10", 10, false, 1},
        {"Reply=0", 0, true, 1},
        {"Reply=none", -1, false, 0},
        {"Reply=text:\"Kelto_Applications\"", -1, false, 0}, // no fields after the name
        {"Reply=text:\"Kelto\",C:\\K.GRP,7", 7, false, 1},   // count ends with the text
        {"Reply=text:\"Kelto\",C:\\K.GRP,0\r\n\"x\",1,2", 0, true, 1},
        {"Reply=text:\"Kelto\",C:\\K.GRP\r\n,5,", -1, false, 0}, // second comma not on line one
        {"Reply=text:\"Kelto\",C:\\K.GRP,-3", -1, false, 0},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.settings);
        StartStandIn(c.settings);
        int32_t count = -1;
        int requested = ProgmanRequestItemCount(kGroup, &count);
        int result = ProgmanDeleteGroupIfEmpty(kGroup);
        EXPECT_EQ(requested, 1);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(result, c.deleteResult);
        std::string expected = "REQUEST Kelto Applications\r\nREQUEST Kelto Applications\r\n";
        if (c.deleted)
            expected += "EXECUTE [DeleteGroup(Kelto Applications)]\r\n";
        EXPECT_EQ(Received(), expected);
        StopStandIn();
    }
}

TEST_F(StandInFixture, EmptyNamesAndOverlongCommandsAreNotSent) {
    StartStandIn("Reply=0");
    std::string longPath = "C:\\" + std::string(250, 'P');
    int32_t count = -1;
    int results[] = {
        ProgmanShowGroup("", 8),
        ProgmanShowGroup(nullptr, 8),
        ProgmanDeleteItem(""),
        ProgmanDeleteGroupIfEmpty(""),
        ProgmanRequestItemCount("", &count),
        ProgmanExecute(""),
        ProgmanCreateGroup(nullptr, "C:\\X"),
        ProgmanAddItem("", kItem, "", 0),
        ProgmanCreateGroup(kGroup, longPath.c_str()),
        ProgmanAddItem(longPath.c_str(), kItem, "", 0),
    };
    for (int result : results)
        EXPECT_EQ(result, 0);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(Received(), "");
    // 255 characters are sent whole, 256 are not sent.
    std::string name(240, 'G');
    EXPECT_EQ(ProgmanCreateGroup((name + "H").c_str(), ""), 0);
    EXPECT_EQ(ProgmanCreateGroup(name.c_str(), ""), 1);
    EXPECT_EQ(Received(), "EXECUTE [CreateGroup(" + name + ")]\r\n");
}

TEST(NoProgramManager, EveryOperationFailsAtOnce) {
    ResetInstall();
    char name[64];
    snprintf(name, sizeof name, "OrvNoProgman%lu", GetCurrentProcessId());
    HDESK desktop = CreateDesktopA(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(desktop, nullptr);
    // Wine starts a shell for a desktop when it is first used, and that shell serves PROGMAN:
    // end it, found as the process that owns this desktop's window (never the session's shell).
    DWORD sessionShell = 0, shell = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &sessionShell);
    bool ended = false;
    int results[6] = {-1, -1, -1, -1, -1, -1};
    int32_t count = -1;
    DWORD elapsed = 0;
    OnDesktop(desktop, [&] {
        GetWindowThreadProcessId(GetDesktopWindow(), &shell);
        if (!shell || shell == sessionShell || shell == GetCurrentProcessId())
            return;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, shell);
        if (!process)
            return;
        ended = TerminateProcess(process, 0) && WaitForSingleObject(process, 5000) == 0;
        CloseHandle(process);
        DWORD start = GetTickCount();
        results[0] = ProgmanShowGroup(kGroup, 8);
        results[1] = ProgmanCreateGroup(kGroup, "C:\\WINDOWS\\KELTO32");
        results[2] = ProgmanAddItem("C:\\WINDOWS\\KELTO32\\ORVCNTL.EXE", kItem, "", 0);
        results[3] = ProgmanDeleteGroupIfEmpty(kGroup);
        results[4] = ProgmanExit(0);
        results[5] = ProgmanRequestItemCount(kGroup, &count);
        elapsed = GetTickCount() - start;
    });
    CloseDesktop(desktop);
    ASSERT_NE(shell, sessionShell);
    ASSERT_TRUE(ended);
    for (int result : results)
        EXPECT_EQ(result, 0);
    EXPECT_EQ(count, -1);
    EXPECT_LT(elapsed, 1000u);
}

// Wine's shell keeps groups as Start Menu folders and items as shortcuts in them.
std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path);
    return std::string(path) + "\\";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(WineShell, GroupsAndItemsAsFoldersAndShortcuts) {
    ResetInstall();
    ASSERT_TRUE(PlaceInAppDir("progman_standin.exe", "ORVCNTL.EXE"));
    std::string program = AppDir() + "ORVCNTL.EXE";
    std::string group = ProgramsFolder() + kGroup + "\\";
    std::string link = group + kItem + ".lnk";
    DeleteFileA(link.c_str());
    RemoveDirectoryA(group.c_str());
    ASSERT_FALSE(Exists(group));

    // Wine's shell accepts showing a group it does not have, without making it.
    EXPECT_EQ(ProgmanShowGroup(kGroup, 8), 1);
    EXPECT_FALSE(Exists(group));
    EXPECT_EQ(ProgmanCreateGroup(kGroup, AppDir().c_str()), 1);
    EXPECT_TRUE(Exists(group));
    EXPECT_EQ(ProgmanShowGroup(kGroup, 8), 1);
    EXPECT_EQ(ProgmanDeleteItem(kItem), 0); // no such item yet
    EXPECT_EQ(ProgmanAddItem(program.c_str(), kItem, "", 0), 1);
    EXPECT_EQ(ProgmanExit(0), 1);
    EXPECT_TRUE(Exists(link)) << link;

    EXPECT_EQ(ProgmanShowGroup(kGroup, 8), 1);
    EXPECT_EQ(ProgmanDeleteItem(kItem), 1);
    EXPECT_FALSE(Exists(link));
    int32_t count = -1;
    EXPECT_EQ(ProgmanRequestItemCount(kGroup, &count), 1);
    EXPECT_EQ(count, -1);
    // Another program's item in the group: the shell reports no count, so the group stays whole.
    std::string other = group + "Kelto Paint.lnk";
    ASSERT_TRUE(WriteTextFile(other, "shortcut of another program"));
    EXPECT_EQ(ProgmanShowGroup(kGroup, 8), 1);
    EXPECT_EQ(ProgmanDeleteGroupIfEmpty(kGroup), 0);
    EXPECT_TRUE(Exists(other));

    char command[128];
    snprintf(command, sizeof command, "[DeleteGroup(%s)]", kGroup);
    // Why an unknown count keeps the group: the shell's DeleteGroup takes every item with it.
    EXPECT_EQ(ProgmanExecute(command), 1);
    EXPECT_FALSE(Exists(other));
    EXPECT_FALSE(Exists(group));
    EndFolderWindows();
    ResetInstall();
}

} // namespace
