// Install and Remove: which files are copied from the medium, which installed ones stay, what
// the installed set and ORVANE.IFF hold afterwards.
#include "applet_driver.h"
#include "applet_ids.h"
#include "config_names.h"

namespace {

class DriverInstall : public AppletTest {
protected:
    std::string Installed(const char* name) { return AppDir() + name; }
    // Selects a model of the choice list, presses Install and waits until the installed set,
    // written last, took it.
    void InstallModel(HWND dialog, const char* model) {
        std::string before = InstalledSetBytes();
        ASSERT_TRUE(SelectLine(dialog, IDC_CHOICE_LIST, model)) << model;
        Press(dialog, IDC_INSTALL);
        ASSERT_TRUE(Eventually([&] { return InstalledSetBytes() != before; }));
    }
};

TEST_F(DriverInstall, PixelDriverModelGetsBothFilesUserModelOnlyTheProgram) {
    // A user-defined model, as the new-model dialog appends it.
    std::string list;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVANE.LST", &list));
    list.pop_back();
    list += "   100       |  Acme_Scan                         | ORVDR07.EX_  |  IACME\r\n";
    list.push_back('\0');
    ASSERT_TRUE(WriteTextFile(AppDir() + "ORVANE.LST", list));
    CreateDirectoryA(PixelDriverDir().c_str(), nullptr);

    AppletRun run;
    ASSERT_TRUE(run.Start());
    ExpandWithMedium(run.dialog);
    InstallModel(run.dialog, "Vexa FlatBed IIc");
    // ORVDR12.EX_ is stored plain, VEXSCAN.PX_ packed: both arrive as the built files.
    EXPECT_TRUE(SameContent(Installed("ORVDR12.EXE"), BinPath("ORVDR12.EXE")));
    EXPECT_TRUE(SameContent(PixelDriverDir() + "VEXSCAN.PXW", BinPath("pixdrv.PXW")));
    EXPECT_EQ(InstalledSetBytes(), "1<");
    // The label changes once the whole install is done.
    EXPECT_TRUE(Eventually([&] { return ItemText(run.dialog, IDC_CLOSE) == "Close"; }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_REMOVE)));

    InstallModel(run.dialog, "Acme Scan");
    EXPECT_TRUE(SameContent(Installed("ORVDR07.EXE"), BinPath("ORVDR07.EXE")));
    EXPECT_FALSE(FileExists(PixelDriverDir() + "ACME.PXW"));
    EXPECT_EQ(InstalledSetBytes(), std::string("2<") + static_cast<char>('0' + 100));
    // The installed list is sorted and keeps its selection.
    HWND installed = GetDlgItem(run.dialog, IDC_INSTALLED_LIST);
    EXPECT_EQ(ListLines(installed), (std::vector<std::string>{"Acme Scan", "Vexa FlatBed IIc"}));
    EXPECT_EQ(SelectedLine(installed), "Vexa FlatBed IIc");

    // Installing an installed model again is silent and changes nothing.
    DeleteFileA(Installed("ORVDR12.EXE").c_str());
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "Vexa FlatBed IIc"));
    Press(run.dialog, IDC_INSTALL);
    EXPECT_TRUE(NoPopupWithin(run.dialog, 700));
    EXPECT_FALSE(FileExists(Installed("ORVDR12.EXE")));
    EXPECT_EQ(ListLines(installed).size(), 2u);

    // A double-click on a line of the choice list installs it.
    DoubleClickLine(run.dialog, IDC_CHOICE_LIST, "Kelto Sheetfeed 300");
    EXPECT_TRUE(Eventually([&] { return InstalledSetBytes().size() == 4; }));
    EXPECT_EQ(ListLines(installed).size(), 3u);
    EXPECT_TRUE(FileExists(Installed("ORVDR01.EXE")));
    // No ORVANE.IFF: the current scanner reads as 1, so Close asks nothing.
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(DriverInstall, MissingSourceFilesAreNamedAndNothingIsCopied) {
    AppletRun run;
    ASSERT_TRUE(run.Start());
    ExpandWithMedium(run.dialog);
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "Kelto Lost Driver"));
    Press(run.dialog, IDC_INSTALL);
    EXPECT_EQ(AnswerMessage(run.dialog, IDOK), "Can not find source file ORVDR55.EX_");
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "Kelto Lost Pixel Driver"));
    Press(run.dialog, IDC_INSTALL);
    EXPECT_EQ(AnswerMessage(run.dialog, IDOK), "Can not find source file LOSTPIX.PX_");
    // The driver program of that model was there but is not copied either.
    EXPECT_FALSE(FileExists(Installed("ORVDR01.EXE")));
    EXPECT_EQ(InstalledSetBytes(), "0");
    EXPECT_TRUE(ListLines(GetDlgItem(run.dialog, IDC_INSTALLED_LIST)).empty());
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(DriverInstall, OlderInstalledProgramIsReplacedSameVersionIsKept) {
    // Version 1.5 installed under the name of ORVDR12.EXE (2.0 on the medium).
    ASSERT_TRUE(PlaceInAppDir("probe_1_5.dll", "ORVDR12.EXE"));
    AppletRun run;
    ASSERT_TRUE(run.Start());
    ExpandWithMedium(run.dialog);
    InstallModel(run.dialog, "Vexa FlatBed IIc");
    EXPECT_TRUE(SameContent(Installed("ORVDR12.EXE"), BinPath("ORVDR12.EXE")));
    // Another 2.0 program under that name: the medium's 2.0 does not replace it.
    ASSERT_TRUE(CopyFileA(BinPath("ORVDR01.EXE").c_str(), Installed("ORVDR12.EXE").c_str(), FALSE));
    InstallModel(run.dialog, "Vexa FlatBed Pro");
    EXPECT_TRUE(SameContent(Installed("ORVDR12.EXE"), BinPath("ORVDR01.EXE")));
    EXPECT_TRUE(SameContent(PixelDriverDir() + "FLATSCAN.PXW", BinPath("pixdrv.PXW")));
    EXPECT_EQ(InstalledSetBytes(), "2<>");
    // No ORVANE.IFF: the current scanner reads as 1, so Close asks nothing.
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(DriverInstall, RemovingTheDefaultClearsItSharedProgramStaysUntilTheLastUser) {
    InstallIds({12, 14, 7});
    WriteSelection(12, "ORVDR12.EXE");
    AppletRun run;
    ASSERT_TRUE(run.Start());
    HWND installed = GetDlgItem(run.dialog, IDC_INSTALLED_LIST);
    EXPECT_EQ(ItemText(run.dialog, IDC_DEFAULT_NAME), "Vexa FlatBed IIc");
    EXPECT_EQ(SelectedLine(installed), "Vexa FlatBed IIc");

    Press(run.dialog, IDC_REMOVE);
    // The emptied CurrentDriver is the last step.
    ASSERT_TRUE(Eventually([] {
        return SelectionValue(kScannerSection, kCurrentDriverKey).empty() &&
               SelectionValue(kScannerSection, kCurrentScannerIdKey) == "0";
    }));
    EXPECT_EQ(ListLines(installed).size(), 2u);
    EXPECT_EQ(ItemText(run.dialog, IDC_DEFAULT_NAME), "");
    EXPECT_TRUE(Eventually([&] { return ItemText(run.dialog, IDC_CLOSE) == "Close"; }));
    // Vexa FlatBed Pro still uses ORVDR12.EXE.
    EXPECT_TRUE(FileExists(Installed("ORVDR12.EXE")));
    EXPECT_EQ(InstalledSetBytes(), "27>");
    // The line now at the removed line's place is selected.
    EXPECT_EQ(SelectedLine(installed), "Vexa FlatBed Pro");

    // Removing a model that is not the default leaves ORVANE.IFF alone.
    WritePrivateProfileStringA(kScannerSection, kCurrentScannerIdKey, nullptr,
                               (AppDir() + kSelectionFile).c_str());
    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Vexa Port Scanner"));
    Press(run.dialog, IDC_REMOVE);
    ASSERT_TRUE(Eventually([&] { return !FileExists(Installed("ORVDR07.EXE")); }));
    EXPECT_EQ(ListLines(installed).size(), 1u);
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentScannerIdKey), "<none>");
    // Past the end: the new last line.
    EXPECT_EQ(SelectedLine(installed), "Vexa FlatBed Pro");

    // The last user of ORVDR12.EXE goes: the program goes too, the pixel driver never.
    CreateDirectoryA(PixelDriverDir().c_str(), nullptr);
    ASSERT_TRUE(WriteTextFile(PixelDriverDir() + "FLATSCAN.PXW", "pixel driver"));
    Press(run.dialog, IDC_REMOVE);
    ASSERT_TRUE(Eventually([&] { return !FileExists(Installed("ORVDR12.EXE")); }));
    EXPECT_TRUE(ListLines(installed).empty());
    EXPECT_TRUE(FileExists(PixelDriverDir() + "FLATSCAN.PXW"));
    EXPECT_EQ(InstalledSetBytes(), "0");
    EXPECT_EQ(SelectedLine(installed), "");
    EXPECT_TRUE(Eventually([&] { return !IsWindowEnabled(GetDlgItem(run.dialog, IDC_REMOVE)); }));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.dialog, IDC_SET_DEFAULT)));
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

} // namespace
