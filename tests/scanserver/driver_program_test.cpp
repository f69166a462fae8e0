// The driver program stand-ins: minimised "OrvDriver" windows titled with their own names.
#include "harness.h"

#include <gtest/gtest.h>

namespace {

TEST(DriverProgram, StartsMinimisedUnderItsOwnNameAndEndsOnClose) {
    ResetInstall();
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

} // namespace
