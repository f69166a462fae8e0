// Set As Default: port-and-speed models and their fields, TWAIN models through Wine's source
// manager, pixel-driver models and SETSCAN.INI.
#include "applet_driver.h"
#include "applet_ids.h"
#include "config_names.h"

namespace {

class DefaultScanner : public AppletTest {
protected:
    void SetDefault(HWND dialog, const char* model) {
        ASSERT_TRUE(SelectLine(dialog, IDC_INSTALLED_LIST, model)) << model;
        Press(dialog, IDC_SET_DEFAULT);
    }
};

TEST_F(DefaultScanner, PortAndSpeedModelWritesItsOptions) {
    InstallIds({1, 7});
    WriteSelection(1, "ORVDR01.EXE");
    AppletRun run;
    ASSERT_TRUE(run.Start());
    HWND dialog = run.dialog;
    // A plain model: the option fields are off and empty.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)));
    EXPECT_EQ(ItemText(dialog, IDC_PORT), "");

    // Selecting the port model shows the stored options (defaults 200 and 1).
    ASSERT_TRUE(SelectLine(dialog, IDC_INSTALLED_LIST, "Vexa Port Scanner"));
    // The speed is the last thing written.
    ASSERT_TRUE(Eventually([&] { return ItemText(dialog, IDC_SPEED) == "1"; }));
    EXPECT_EQ(ItemText(dialog, IDC_PORT), "200");
    EXPECT_EQ(ItemText(dialog, IDC_SPEED), "1");

    // Letters in the port field: named, focused, options not written, the model still chosen.
    Type(dialog, IDC_PORT, "abc");
    Press(dialog, IDC_SET_DEFAULT);
    EXPECT_EQ(AnswerMessage(dialog, IDOK), "Can not get port address");
    EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDC_PORT));
    // AttrNeedUpdate is the last key written.
    ASSERT_TRUE(Eventually([] {
        return SelectionValue(kScannerSection, kAttrNeedUpdateKey) == "Y" &&
               SelectionValue(kScannerSection, kCurrentScannerIdKey) == "7";
    }));
    EXPECT_EQ(SelectionValue(kOptionsSection, kScannerPortKey), "<none>");
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentDriverKey), "ORVDR07.EXE");
    EXPECT_EQ(ItemText(dialog, IDC_DEFAULT_NAME), "Vexa Port Scanner");
    EXPECT_EQ(ItemText(dialog, IDC_CLOSE), "Close");

    // A speed beyond the 16-bit record is no number either.
    Type(dialog, IDC_PORT, "888");
    Type(dialog, IDC_SPEED, "70000");
    Press(dialog, IDC_SET_DEFAULT);
    EXPECT_EQ(AnswerMessage(dialog, IDOK), "Can not get scanner speed");
    EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDC_SPEED));
    EXPECT_EQ(SelectionValue(kOptionsSection, kScannerPortKey), "<none>");

    // The default model again: only port and speed are written.
    WritePrivateProfileStringA(kScannerSection, kAttrNeedUpdateKey, "N",
                               (AppDir() + kSelectionFile).c_str());
    Type(dialog, IDC_PORT, "888");
    Type(dialog, IDC_SPEED, "2");
    Press(dialog, IDC_SET_DEFAULT);
    ASSERT_TRUE(Eventually([] {
        return SelectionValue(kOptionsSection, kScannerSpeedKey) == "2" &&
               SelectionValue(kOptionsSection, kScannerPortKey) == "0888";
    }));
    EXPECT_EQ(SelectionValue(kScannerSection, kAttrNeedUpdateKey), "N");

    // Empty fields stop before anything is written.
    Type(dialog, IDC_PORT, "");
    Press(dialog, IDC_SET_DEFAULT);
    EXPECT_EQ(AnswerMessage(dialog, IDOK), "Please set scanner port address.");
    Type(dialog, IDC_PORT, "300");
    Type(dialog, IDC_SPEED, "");
    Press(dialog, IDC_SET_DEFAULT);
    EXPECT_EQ(AnswerMessage(dialog, IDOK), "Please set scanner speed.");
    EXPECT_EQ(SelectionValue(kOptionsSection, kScannerPortKey), "0888");

    // Another kind switches the fields off and empties them; back again shows the stored ones.
    ASSERT_TRUE(SelectLine(dialog, IDC_INSTALLED_LIST, "Kelto Sheetfeed 300"));
    ASSERT_TRUE(Eventually([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)); }));
    EXPECT_EQ(ItemText(dialog, IDC_PORT), "");
    EXPECT_EQ(ItemText(dialog, IDC_SPEED), "");
    ASSERT_TRUE(SelectLine(dialog, IDC_INSTALLED_LIST, "Vexa Port Scanner"));
    ASSERT_TRUE(Eventually([&] { return ItemText(dialog, IDC_SPEED) == "2"; }));
    EXPECT_EQ(ItemText(dialog, IDC_PORT), "888");

    // A double-click on an installed line makes it the default.
    DoubleClickLine(dialog, IDC_INSTALLED_LIST, "Kelto Sheetfeed 300");
    EXPECT_TRUE(Eventually([] {
        return SelectionValue(kScannerSection, kCurrentDriverKey) == "ORVDR01.EXE" &&
               SelectionValue(kScannerSection, kCurrentScannerIdKey) == "1";
    }));
    Press(dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(DefaultScanner, PortModelOpenedAsDefaultShowsStoredOptions) {
    InstallIds({7});
    WriteSelection(7, "ORVDR07.EXE");
    std::string file = AppDir() + kSelectionFile;
    WritePrivateProfileStringA(kOptionsSection, kScannerPortKey, "0200", file.c_str());
    WritePrivateProfileStringA(kOptionsSection, kScannerSpeedKey, "3", file.c_str());
    AppletRun run;
    ASSERT_TRUE(run.Start());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_PORT)));
    EXPECT_EQ(ItemText(run.dialog, IDC_PORT), "200");
    EXPECT_EQ(ItemText(run.dialog, IDC_SPEED), "3");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

// Stored options the unsigned 16-bit fields cannot show read as the defaults: 70000 would show as
// 4464 and -1 as 4294967295.
TEST_F(DefaultScanner, StoredOptionsOutsideTheirFieldsShowTheDefaults) {
    InstallIds({7});
    WriteSelection(7, "ORVDR07.EXE");
    std::string file = AppDir() + kSelectionFile;
    WritePrivateProfileStringA(kOptionsSection, kScannerPortKey, "70000", file.c_str());
    WritePrivateProfileStringA(kOptionsSection, kScannerSpeedKey, "-1", file.c_str());
    AppletRun run;
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(ItemText(run.dialog, IDC_PORT), "200");
    EXPECT_EQ(ItemText(run.dialog, IDC_SPEED), "1");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(DefaultScanner, PixelDriverKindRewritesSetscanWheneverAsked) {
    InstallIds({12, 14});
    WriteSelection(12, "ORVDR12.EXE");
    AppletRun run;
    ASSERT_TRUE(run.Start());
    // Opening the dialog asked the kind of the default.
    EXPECT_EQ(SetscanValue(kKeltoSection, kDirectoryKey), AppDir().substr(0, AppDir().size() - 1));
    EXPECT_EQ(SetscanValue(kScannerSection, kDriverKey), "VEXSCAN");
    EXPECT_EQ(SetscanValue("VEXSCAN", kPixelSetupKey), "no");
    // Selecting the other model asks again.
    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Vexa FlatBed Pro"));
    // The pixel driver's own section is written last.
    ASSERT_TRUE(Eventually([] { return SetscanValue("FLATSCAN", kPixelSetupKey) == "no"; }));
    EXPECT_EQ(SetscanValue(kScannerSection, kDriverKey), "FLATSCAN");
    EXPECT_EQ(SetscanValue("VEXSCAN", kPixelSetupKey), "no");
    // Setting it as default, after the file went away, writes it again.
    DeleteFileA((WindowsDir() + kPixelDriverFile).c_str());
    Press(run.dialog, IDC_SET_DEFAULT);
    ASSERT_TRUE(Eventually([] {
        return SelectionValue(kScannerSection, kAttrNeedUpdateKey) == "Y" &&
               SelectionValue(kScannerSection, kCurrentScannerIdKey) == "14";
    }));
    EXPECT_EQ(SetscanValue(kScannerSection, kDriverKey), "FLATSCAN");
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentDriverKey), "ORVDR12.EXE");
    // And removing one does too.
    DeleteFileA((WindowsDir() + kPixelDriverFile).c_str());
    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Vexa FlatBed IIc"));
    ASSERT_TRUE(Eventually([] { return SetscanValue("VEXSCAN", kPixelSetupKey) == "no"; }));
    DeleteFileA((WindowsDir() + kPixelDriverFile).c_str());
    Press(run.dialog, IDC_REMOVE);
    ASSERT_TRUE(Eventually(
        [&] { return ListLines(GetDlgItem(run.dialog, IDC_INSTALLED_LIST)).size() == 1; }));
    EXPECT_EQ(SetscanValue(kScannerSection, kDriverKey), "VEXSCAN");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

// Wine's source manager placed where the system loads it from, our test source where the
// manager looks for sources; both put back afterwards.
class TwainDefault : public AppletTest {
protected:
    void SetUp() override {
        AppletTest::SetUp();
        savedSource = MoveFileExA(SourceSlot().c_str(), (SourceSlot() + ".orvsaved").c_str(),
                                  MOVEFILE_REPLACE_EXISTING);
        ASSERT_TRUE(CopyFileA(WineTwainManager().c_str(), ManagerPath().c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(BinPath("orvtwain.ds").c_str(), SourceSlot().c_str(), FALSE));
    }
    void TearDown() override {
        AppletTest::TearDown();
        DeleteFileA(ManagerPath().c_str());
        DeleteFileA(SourceSlot().c_str());
        if (savedSource)
            MoveFileExA((SourceSlot() + ".orvsaved").c_str(), SourceSlot().c_str(),
                        MOVEFILE_REPLACE_EXISTING);
    }
    static std::string ManagerPath() { return WindowsDir() + "TWAIN_32.DLL"; }
    static std::string SourceSlot() { return TwainSourceDir() + "sane.ds"; }
    static std::string TwainChoice(const char* key) {
        char value[64];
        GetPrivateProfileStringA(kTwainSection, key, "<none>", value, sizeof value,
                                 (AppDir() + kTwainChoiceFile).c_str());
        return value;
    }
    // Answers the manager's "Select Source" dialog: picks source, or cancels when null.
    static bool AnswerSelectSource(const char* source) {
        HWND select = WaitForWindow(nullptr, "Select Source", 20000);
        if (!select || !Eventually([&] { return IsWindowVisible(select) != 0; }))
            return false;
        if (source)
            SendMessageA(GetDlgItem(select, 1001), LB_SELECTSTRING, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(source));
        PostMessageA(select, WM_COMMAND, source ? IDOK : IDCANCEL, 0);
        return WaitForWindowGone(select, 5000);
    }
    bool savedSource = false;
};

TEST_F(TwainDefault, SourceIsPickedOrCancelledInSelectSource) {
    InstallIds({1, 20, 99});
    WriteSelection(1, "ORVDR01.EXE");
    AppletRun run;
    ASSERT_TRUE(run.Start());
    HWND installed = GetDlgItem(run.dialog, IDC_INSTALLED_LIST);
    // The list takes the focus on the default's line, then a double-click on the TWAIN model
    // whose selection is cancelled: the line chosen before comes back.
    EXPECT_EQ(SelectedLine(installed), "Kelto Sheetfeed 300");
    PostMessageA(run.dialog, WM_COMMAND, MAKEWPARAM(IDC_INSTALLED_LIST, LBN_SETFOCUS),
                 reinterpret_cast<LPARAM>(installed));
    DoubleClickLine(run.dialog, IDC_INSTALLED_LIST, "Kelto TWAIN Scanner");
    ASSERT_TRUE(AnswerSelectSource(nullptr));
    EXPECT_TRUE(Eventually([&] { return SelectedLine(installed) == "Kelto Sheetfeed 300"; }));

    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Kelto TWAIN Scanner"));
    Press(run.dialog, IDC_SET_DEFAULT);
    ASSERT_TRUE(AnswerSelectSource(nullptr));
    // Cancelled: neither the default nor the source changes.
    EXPECT_TRUE(NoPopupWithin(run.dialog, 500));
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentScannerIdKey), "1");
    EXPECT_FALSE(FileExists(AppDir() + kTwainChoiceFile));
    EXPECT_EQ(ItemText(run.dialog, IDC_CLOSE), "Cancel");

    Press(run.dialog, IDC_SET_DEFAULT);
    ASSERT_TRUE(AnswerSelectSource("Acme TWAIN"));
    ASSERT_TRUE(Eventually([] {
        return SelectionValue(kScannerSection, kAttrNeedUpdateKey) == "Y" &&
               SelectionValue(kScannerSection, kCurrentScannerIdKey) == "20";
    }));
    EXPECT_EQ(TwainChoice(kTwainDsKey), "Acme TWAIN");
    EXPECT_EQ(TwainChoice(kTwainSetupKey), "Y");
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentDriverKey), "ORVDR99.EXE");

    // The reserved id 99 runs the selection but never becomes the default.
    WritePrivateProfileStringA(kTwainSection, kTwainDsKey, "other",
                               (AppDir() + kTwainChoiceFile).c_str());
    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Any TWAIN Source"));
    Press(run.dialog, IDC_SET_DEFAULT);
    ASSERT_TRUE(AnswerSelectSource("Acme TWAIN"));
    ASSERT_TRUE(Eventually([] { return TwainChoice(kTwainDsKey) == "Acme TWAIN"; }));
    Sleep(300);
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentScannerIdKey), "20");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

} // namespace
