// The applet entry and the Scanner Setup dialog: answers to the caller, the fold, the driver
// source dialog, setup mode, Close and Escape.
#include "applet_driver.h"
#include "applet_ids.h"
#include "config_names.h"

namespace {

class MainDialog : public AppletTest {};

TEST_F(MainDialog, CallerGetsItsAnswersAndTheDialogOpensCollapsed) {
    for (const char* entry : {"", "/orv"}) {
        AppletRun run;
        ASSERT_TRUE(run.Start(entry)) << entry;
        EXPECT_TRUE(IsCollapsed(run.dialog));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(run.dialog, IDC_CHOICE_LIST)));
        // Empty installed list: nothing to remove or to make the default.
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_REMOVE)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_SET_DEFAULT)));
        EXPECT_EQ(ItemText(run.dialog, IDC_CLOSE), "Cancel");
        // With an empty list Close asks nothing.
        Press(run.dialog, IDC_CLOSE);
        ASSERT_TRUE(run.Finish());
        EXPECT_NE(run.output.find("CPL_GETCOUNT 0"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("CPL_INIT 1"), std::string::npos);
        EXPECT_NE(run.output.find("CPL_DBLCLK 0"), std::string::npos);
    }
}

TEST_F(MainDialog, AddExpandsOnceAndDisablesItselfEscapeDoesNothingEnterCloses) {
    AppletRun run;
    ASSERT_TRUE(run.Start());
    RECT collapsed;
    GetWindowRect(run.dialog, &collapsed);
    ExpandWithMedium(run.dialog);
    RECT full;
    GetWindowRect(run.dialog, &full);
    EXPECT_GT(full.bottom - full.top, collapsed.bottom - collapsed.top);
    EXPECT_FALSE(IsCollapsed(run.dialog));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(run.dialog, IDC_INSTALL)));
    // The choice list shows every model of the list file, the first one selected.
    HWND choice = GetDlgItem(run.dialog, IDC_CHOICE_LIST);
    std::vector<std::string> lines = ListLines(choice);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Kelto Sheetfeed 300");
    EXPECT_EQ(lines[2], "Vexa FlatBed IIc");
    EXPECT_EQ(SelectedLine(choice), "Kelto Sheetfeed 300");

    // Escape does nothing; Enter presses the default button.
    HWND installed = GetDlgItem(run.dialog, IDC_INSTALLED_LIST);
    Key(installed, VK_ESCAPE);
    EXPECT_TRUE(NoPopupWithin(run.dialog, 500));
    EXPECT_FALSE(run.ended);
    EXPECT_TRUE(IsWindow(run.dialog));
    Key(installed, VK_RETURN);
    EXPECT_TRUE(run.Finish());
}

TEST_F(MainDialog, DriverSourceDialogAcceptsADrivePathAndRefusesOthers) {
    ASSERT_TRUE(CopyDirectoryFiles(MediumDir() + "DRIVER\\", "C:\\DISK1\\DRIVER\\"));
    ASSERT_TRUE(CopyFileA(BinPath("cplcaller.exe").c_str(), "C:\\DISK1\\SETUP.EXE", FALSE));
    AppletRun run;
    ASSERT_TRUE(run.Start());
    Press(run.dialog, IDC_ADD);
    HWND source = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(source);
    EXPECT_EQ(ItemText(source, IDC_SOURCE_PATH), "A:\\Setup.exe");
    const char* kRefused = "Please verify the drive door is closed and the path is correct.";
    // No drive, and a drive path without the marker file.
    for (const char* path : {"DISK1\\SETUP.EXE", "\\\\server\\DISK1\\SETUP.EXE",
                             "C:\\NOWHERE\\SETUP.EXE", "C:SETUP.EXE"}) {
        Type(source, IDC_SOURCE_PATH, path);
        Press(source, IDOK);
        EXPECT_EQ(AnswerMessage(source, IDOK), kRefused) << path;
        EXPECT_TRUE(IsWindow(source));
    }
    // Browse fills the field through the common open dialog.
    Type(source, IDC_SOURCE_PATH, "");
    Press(source, IDC_BROWSE);
    HWND open = WaitForOwnedPopup(source, 10000);
    ASSERT_TRUE(open);
    HWND name = GetDlgItem(open, 0x47c) ? GetDlgItem(open, 0x47c) : GetDlgItem(open, 0x480);
    ASSERT_TRUE(name);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\DISK1\\SETUP.EXE"));
    Press(open, IDOK);
    ASSERT_TRUE(WaitForWindowGone(open, 5000));
    EXPECT_EQ(ItemText(source, IDC_SOURCE_PATH), "C:\\DISK1\\SETUP.EXE");
    Press(source, IDOK);
    ASSERT_TRUE(WaitForWindowGone(source, 5000));
    ASSERT_TRUE(Eventually([&] { return !IsCollapsed(run.dialog); }));

    // The models now come from C:\DISK1\DRIVER\.
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "Kelto Sheetfeed 300"));
    Press(run.dialog, IDC_INSTALL);
    EXPECT_TRUE(Eventually([] { return InstalledSetBytes() == "11"; }));
    EXPECT_TRUE(SameContent(AppDir() + "ORVDR01.EXE", BinPath("ORVDR01.EXE")));
    // No ORVANE.IFF: the current scanner reads as 1, so Close asks nothing.
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(MainDialog, SetupModeDerivesTheSourceOpensExpandedAndCentred) {
    ASSERT_TRUE(CopyDirectoryFiles(MediumDir() + "DRIVER\\", "C:\\SETUP\\DRIVER\\"));
    ASSERT_TRUE(CopyFileA(BinPath("cplcaller.exe").c_str(), "C:\\SETUP\\SETUP.EXE", FALSE));
    AppletRun run;
    ASSERT_TRUE(run.Start("/setup", "Orvane Installation", "C:\\SETUP\\SETUP.EXE"));
    ASSERT_TRUE(Eventually([&] { return !IsWindowEnabled(GetDlgItem(run.dialog, IDC_ADD)); }));
    EXPECT_FALSE(IsCollapsed(run.dialog));
    EXPECT_TRUE(NoPopupWithin(run.dialog, 300));
    EXPECT_EQ(ListLines(GetDlgItem(run.dialog, IDC_CHOICE_LIST)).size(), 8u);
    RECT rect;
    GetWindowRect(run.dialog, &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2);

    // Install takes its files from C:\SETUP\DRIVER\ without asking; messages carry the
    // installation caption.
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "Kelto Lost Driver"));
    Press(run.dialog, IDC_INSTALL);
    HWND box = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), "Orvane Installation");
    EXPECT_EQ(AnswerMessage(run.dialog, IDOK), "Can not find source file ORVDR55.EX_");
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "Vexa Port Scanner"));
    Press(run.dialog, IDC_INSTALL);
    EXPECT_TRUE(Eventually([] { return InstalledSetBytes() == "17"; }));
    EXPECT_TRUE(SameContent(AppDir() + "ORVDR07.EXE", BinPath("ORVDR07.EXE")));
    // No ORVANE.IFF: the current scanner reads as 1, so Close asks nothing.
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(MainDialog, SetupModeWithoutTheMediumAsksAndCancelKeepsItCollapsed) {
    CreateDirectoryA("C:\\SETUP\\", nullptr);
    ASSERT_TRUE(CopyFileA(BinPath("cplcaller.exe").c_str(), "C:\\SETUP\\SETUP.EXE", FALSE));
    AppletRun run;
    ASSERT_TRUE(run.Start("/setup", "Orvane Installation", "C:\\SETUP\\SETUP.EXE"));
    HWND source = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(source);
    EXPECT_EQ(WindowText(source), "Orvane Installation");
    EXPECT_EQ(ItemText(source, IDC_SOURCE_PATH), "C:\\SETUP\\DRIVER\\");
    Press(source, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(source, 5000));
    EXPECT_TRUE(IsCollapsed(run.dialog));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_ADD)));
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(MainDialog, CloseWithInstalledModelsButNoDefaultAsksFirst) {
    InstallIds({1});
    WriteSelection(0, "");
    AppletRun run;
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(ListLines(GetDlgItem(run.dialog, IDC_INSTALLED_LIST)),
              std::vector<std::string>{"Kelto Sheetfeed 300"});
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_REMOVE)));
    // The window's close box goes the same way as the button.
    PostMessageA(run.dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(AnswerMessage(run.dialog, IDCANCEL), "Do you want to quit without select scanner?");
    EXPECT_TRUE(NoPopupWithin(run.dialog, 300));
    EXPECT_FALSE(run.ended);
    Press(run.dialog, IDC_CLOSE);
    EXPECT_EQ(AnswerMessage(run.dialog, IDOK), "Do you want to quit without select scanner?");
    EXPECT_TRUE(run.Finish());
    EXPECT_NE(run.output.find("CPL_DBLCLK 0"), std::string::npos);
}

TEST_F(MainDialog, CloseWithADefaultScannerAsksNothing) {
    InstallIds({1});
    WriteSelection(1, "ORVDR01.EXE");
    AppletRun run;
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(ItemText(run.dialog, IDC_DEFAULT_NAME), "Kelto Sheetfeed 300");
    EXPECT_EQ(SelectedLine(GetDlgItem(run.dialog, IDC_INSTALLED_LIST)), "Kelto Sheetfeed 300");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

} // namespace
