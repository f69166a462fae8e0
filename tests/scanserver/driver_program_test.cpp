// The driver program stand-ins: minimised "OrvDriver" windows titled with their own names, one
// copy of each at a time, living as long as the scanning server.
#include "harness.h"

#include <gtest/gtest.h>

namespace {

// The server as a driver program sees it, a top-level window of class "OrvMain": here the test's
// own, so the test decides when the server goes.
struct ServerWindow {
    HWND window = nullptr;
    ServerWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrvMain";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "OrvMain", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    }
    ~ServerWindow() { Close(); }
    void Close() {
        if (window)
            DestroyWindow(window);
        window = nullptr;
    }
};

TEST(DriverProgram, StartsMinimisedUnderItsOwnNameAndEndsOnClose) {
    ResetInstall();
    ServerWindow server;
    ASSERT_NE(server.window, nullptr);
    ASSERT_TRUE(PlaceInAppDir("ORVDR07.EXE"));
    ASSERT_TRUE(PlaceInAppDir("ORVDR12.EXE"));
    HANDLE first = StartProgram("\"" + AppDir() + "ORVDR07.EXE\"");
    HANDLE second = StartProgram("\"" + AppDir() + "ORVDR12.EXE\"");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    HWND window = WaitForWindow("OrvDriver", "ORVDR07.EXE", 10000);
    ASSERT_NE(window, nullptr);
    EXPECT_NE(WaitForWindow("OrvDriver", "ORVDR12.EXE", 10000), nullptr);
    EXPECT_TRUE(IsIconic(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(first, 5000), WAIT_OBJECT_0);
    // The reset ends every driver program still running.
    EXPECT_EQ(CountProcessesNamed("ORVDR*"), 1);
    ResetInstall();
    EXPECT_EQ(WaitForSingleObject(second, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(CountProcessesNamed("ORVDR*"), 0);
    CloseHandle(first);
    CloseHandle(second);
}

// The library starts the driver program at every load: a second copy ends at once, the one
// running ends once the server has gone, and one started with no server ends at once too.
TEST(DriverProgram, OneCopyRunsAndEndsWithTheServer) {
    ResetInstall();
    ASSERT_TRUE(PlaceInAppDir("ORVDR07.EXE"));
    const std::string command = "\"" + AppDir() + "ORVDR07.EXE\"";
    ServerWindow server;
    ASSERT_NE(server.window, nullptr);
    HANDLE running = StartProgram(command);
    ASSERT_NE(running, nullptr);
    ASSERT_NE(WaitForWindow("OrvDriver", "ORVDR07.EXE", 10000), nullptr);
    HANDLE again = StartProgram("\"" + AppDir() + "orvdr07.exe\""); // under any spelling
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(WaitForSingleObject(again, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(running, 0), WAIT_TIMEOUT);
    EXPECT_EQ(CountProcessesNamed("ORVDR07.EXE"), 1);

    server.Close();
    EXPECT_EQ(WaitForSingleObject(running, 5000), WAIT_OBJECT_0)
        << "still running without a server";
    HANDLE alone = StartProgram(command);
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(WaitForSingleObject(alone, 10000), WAIT_OBJECT_0);
    for (HANDLE process : {running, again, alone}) {
        DWORD code = 1;
        GetExitCodeProcess(process, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process);
    }
}

} // namespace
