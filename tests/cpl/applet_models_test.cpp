// The new-model dialog, the help dialog, and the screenshots of every dialog (English, and
// German in the run with a German user language).
#include "applet_driver.h"
#include "applet_ids.h"
#include "config_names.h"

namespace {

const char kAcmeLine[] =
    "   100       |  Acme_Scan                         | ORVDR07.EX_  |  IACME\r\n";

class NewModel : public AppletTest {
protected:
    void SetUp() override {
        AppletTest::SetUp();
        CreateDirectoryA("C:\\DRV\\", nullptr);
        ASSERT_TRUE(CopyFileA((MediumDir() + "ACME.PXW").c_str(), "C:\\DRV\\ACME.PXW", FALSE));
    }
    // The new-model dialog, opened by the main dialog's Browse...
    static HWND OpenNewModel(HWND dialog) {
        Press(dialog, IDC_BROWSE);
        return WaitForOwnedPopup(dialog, 5000);
    }
    static std::string ListFile() {
        std::string list;
        ReadWholeFile(AppDir() + "ORVANE.LST", &list);
        return list;
    }
};

TEST_F(NewModel, AppendsTheModelCopiesItsPixelDriverAndRefusesWhatIsWrong) {
    std::string before = ListFile();
    AppletRun run;
    ASSERT_TRUE(run.Start());
    ExpandWithMedium(run.dialog);
    HWND model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    EXPECT_EQ(ItemText(model, IDC_MODEL_NAME), "");

    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDOK), "please enter scanner model name or driver.");
    Type(model, IDC_MODEL_NAME, "Acme Scan");
    Type(model, IDC_MODEL_DRIVER, "C:\\DRV\\MISSING.PXW");
    Press(model, IDOK);
    EXPECT_EQ(
        AnswerMessage(model, IDOK),
        "C:\\DRV\\MISSING.PXW\r\nThis file cannot be found.\r\nmake sure that the correct path "
        "and filename are given.");
    Type(model, IDC_MODEL_NAME, "VEXA FLATBED IIC");
    Type(model, IDC_MODEL_DRIVER, "C:\\DRV\\ACME.PXW");
    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDOK), "VEXA FLATBED IIC\r\nThe scanner model already exist.");
    EXPECT_EQ(ListFile(), before);
    EXPECT_FALSE(FileExists(PixelDriverDir() + "ACME.PXW"));

    Type(model, IDC_MODEL_NAME, "Acme Scan");
    Press(model, IDOK);
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    EXPECT_TRUE(SameContent(PixelDriverDir() + "ACME.PXW", "C:\\DRV\\ACME.PXW"));
    // The end marker gives way to the line, a new one follows it.
    EXPECT_EQ(ListFile(), before.substr(0, before.size() - 1) + kAcmeLine + std::string(1, '\0'));
    EXPECT_EQ(ListLines(GetDlgItem(run.dialog, IDC_CHOICE_LIST)).back(), "Acme Scan");

    // Opened again it shows the last values; the name is refused in any case.
    model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    EXPECT_EQ(ItemText(model, IDC_MODEL_NAME), "Acme Scan");
    EXPECT_EQ(ItemText(model, IDC_MODEL_DRIVER), "C:\\DRV\\ACME.PXW");
    Type(model, IDC_MODEL_NAME, "ACME SCAN");
    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDOK), "ACME SCAN\r\nThe scanner model already exist.");

    // A second model with the same pixel driver: asked before replacing, No keeps the file but
    // still appends the model.
    ASSERT_TRUE(WriteTextFile(PixelDriverDir() + "ACME.PXW", "installed"));
    Type(model, IDC_MODEL_NAME, "Acme Two");
    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDNO), "Do you want to replace the existing ACME.PXW?");
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    std::string kept;
    ReadWholeFile(PixelDriverDir() + "ACME.PXW", &kept);
    EXPECT_EQ(kept, "installed");
    EXPECT_NE(ListFile().find("   101       |  Acme_Two                          | ORVDR07.EX_  |  "
                              "IACME\r\n"),
              std::string::npos);

    // Yes replaces it; a driver path inside the pixel-driver directory, spelled another way, is
    // not copied onto itself.
    model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    Type(model, IDC_MODEL_NAME, "Acme Three");
    Type(model, IDC_MODEL_DRIVER, PixelDriverDir() + ".\\ACME.PXW");
    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDYES), "Do you want to replace the existing ACME.PXW?");
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    ReadWholeFile(PixelDriverDir() + "ACME.PXW", &kept);
    EXPECT_EQ(kept, "installed");

    // No ORVANE.IFF: the current scanner reads as 1, so Close asks nothing.
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

// A name with "_" or "|" is listed, compared and installed as the file reads it back; a pixel
// driver whose name holds a space, which would cut the line's last field, is refused.
TEST_F(NewModel, NamesAsTheListReadsThemBackAndPixelDriversWithoutSpaces) {
    ASSERT_TRUE(CopyFileA("C:\\DRV\\ACME.PXW", "C:\\DRV\\MY DRV.PXW", FALSE));
    AppletRun run;
    ASSERT_TRUE(run.Start());
    ExpandWithMedium(run.dialog);
    HWND model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    Type(model, IDC_MODEL_NAME, "My|Scan_2");
    Type(model, IDC_MODEL_DRIVER, "C:\\DRV\\MY DRV.PXW");
    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDOK), "MY DRV.PXW\r\nThe file name of a pixel driver must not "
                                          "contain a space.\r\nRename the file and try again.");
    EXPECT_EQ(ListFile().find("My_Scan"), std::string::npos);
    Type(model, IDC_MODEL_DRIVER, "C:\\DRV\\ACME.PXW");
    Press(model, IDOK);
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    EXPECT_NE(ListFile().find("|  My_Scan_2 "), std::string::npos);
    EXPECT_EQ(ListLines(GetDlgItem(run.dialog, IDC_CHOICE_LIST)).back(), "My Scan 2");

    model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    Type(model, IDC_MODEL_NAME, "my_scan 2");
    Press(model, IDOK);
    EXPECT_EQ(AnswerMessage(model, IDOK), "my_scan 2\r\nThe scanner model already exist.");
    Press(model, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(model, 5000));

    // Install finds the listed name: the user model's id goes into the installed set.
    ASSERT_TRUE(SelectLine(run.dialog, IDC_CHOICE_LIST, "My Scan 2"));
    Press(run.dialog, IDC_INSTALL);
    EXPECT_TRUE(
        Eventually([] { return InstalledSetBytes().find(char('0' + 100)) != std::string::npos; }));
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(NewModel, BrowseFillsTheDriverPathThroughTheOpenDialog) {
    AppletRun run;
    ASSERT_TRUE(run.Start());
    HWND model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    Press(model, IDC_BROWSE);
    HWND open = WaitForOwnedPopup(model, 10000);
    ASSERT_TRUE(open);
    HWND name = GetDlgItem(open, 0x47c) ? GetDlgItem(open, 0x47c) : GetDlgItem(open, 0x480);
    ASSERT_TRUE(name);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\DRV\\ACME.PXW"));
    Press(open, IDOK);
    ASSERT_TRUE(WaitForWindowGone(open, 5000));
    EXPECT_EQ(ItemText(model, IDC_MODEL_DRIVER), "C:\\DRV\\ACME.PXW");
    Press(model, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    // Cancel appends nothing.
    EXPECT_EQ(ListFile().find("Acme"), std::string::npos);
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

TEST_F(NewModel, AListFileThatCannotBeWrittenKeepsTheModelOutOfTheChoiceList) {
    AppletRun run;
    ASSERT_TRUE(run.Start());
    ExpandWithMedium(run.dialog);
    std::string before = ListFile();
    // Held open for reading only: the applet can read the list but not write it.
    HANDLE held = CreateFileA((AppDir() + "ORVANE.LST").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND model = OpenNewModel(run.dialog);
    ASSERT_TRUE(model);
    Type(model, IDC_MODEL_NAME, "Acme Scan");
    Type(model, IDC_MODEL_DRIVER, "C:\\DRV\\ACME.PXW");
    Press(model, IDOK);
    // The dialog still closes, and the pixel driver copy stays.
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    CloseHandle(held);
    EXPECT_EQ(ListFile(), before);
    EXPECT_TRUE(FileExists(PixelDriverDir() + "ACME.PXW"));
    EXPECT_EQ(ListLines(GetDlgItem(run.dialog, IDC_CHOICE_LIST)).back(), "Any TWAIN Source");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

class HelpDialog : public AppletTest {
protected:
    std::string VersionShown() {
        AppletRun run;
        if (!run.Start())
            return "<no dialog>";
        Press(run.dialog, IDC_HELP_BUTTON);
        HWND help = WaitForOwnedPopup(run.dialog, 5000);
        std::string text = help ? ItemText(help, IDC_VERSION_TEXT) : "<no help>";
        if (help) {
            // Escape closes it like OK.
            Key(GetDlgItem(help, IDOK), VK_ESCAPE);
            WaitForWindowGone(help, 5000);
        }
        Press(run.dialog, IDC_CLOSE);
        run.Finish();
        return text;
    }
};

TEST_F(HelpDialog, ShowsTheControllerVersion) {
    EXPECT_EQ(VersionShown(), "Version 1.00");
    ASSERT_TRUE(PlaceInAppDir("cntl_2_1.dll", "ORVCNTL.EXE"));
    EXPECT_EQ(VersionShown(), "Version 2.01");
    // A controller without a version resource.
    ASSERT_TRUE(WriteTextFile(AppDir() + "ORVCNTL.EXE", "no version"));
    EXPECT_EQ(VersionShown(), "Version 1.00");
}

// Every dialog of the applet, saved beside the test binaries as BMP.
void SaveAllScreens(AppletTest* test, const char* language, const char* title) {
    (void)test;
    AppletRun run;
    ASSERT_TRUE(run.Start("", title));
    auto shot = [&](HWND window, const char* name) {
        Sleep(400);
        EXPECT_TRUE(SaveScreenshot(
            window, BinPath((std::string("cpl_") + name + "_" + language + ".bmp").c_str())));
    };
    shot(run.dialog, "main_collapsed");
    Press(run.dialog, IDC_HELP_BUTTON);
    HWND help = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(help);
    shot(help, "help");
    Press(help, IDOK);
    ASSERT_TRUE(WaitForWindowGone(help, 5000));
    Press(run.dialog, IDC_BROWSE);
    HWND model = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(model);
    shot(model, "new_model");
    Press(model, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(model, 5000));
    Press(run.dialog, IDC_ADD);
    HWND source = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(source);
    shot(source, "driver_source");
    Type(source, IDC_SOURCE_PATH, MediumDir() + "SETUP.EXE");
    Press(source, IDOK);
    ASSERT_TRUE(WaitForWindowGone(source, 5000));
    ASSERT_TRUE(Eventually([&] { return !IsCollapsed(run.dialog); }));
    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Vexa Port Scanner"));
    shot(run.dialog, "main_expanded");
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

class Screens : public AppletTest {};

TEST_F(Screens, EnglishDialogs) {
    if (PRIMARYLANGID(GetUserDefaultLangID()) != LANG_ENGLISH)
        GTEST_SKIP() << "English user language only";
    InstallIds({1, 7, 12});
    WriteSelection(12, "ORVDR12.EXE");
    SaveAllScreens(this, "en", "Scanner Setup");
}

class German : public AppletTest {
protected:
    void SetUp() override {
        if (PRIMARYLANGID(GetUserDefaultLangID()) != LANG_GERMAN)
            GTEST_SKIP() << "run with a German user language (cpl_dialog_german)";
        AppletTest::SetUp();
    }
};

TEST_F(German, DialogsAndMessagesComeFromTheGermanBlock) {
    InstallIds({1, 7, 12});
    WriteSelection(12, "ORVDR12.EXE");
    SaveAllScreens(this, "de", "Scanner-Einrichtung");
    AppletRun run;
    ASSERT_TRUE(run.Start("", "Scanner-Einrichtung"));
    EXPECT_EQ(ItemText(run.dialog, IDC_CLOSE), "Abbrechen");
    ASSERT_TRUE(SelectLine(run.dialog, IDC_INSTALLED_LIST, "Vexa Port Scanner"));
    ASSERT_TRUE(Eventually([&] { return ItemText(run.dialog, IDC_SPEED) == "1"; }));
    Type(run.dialog, IDC_PORT, "x");
    Press(run.dialog, IDC_SET_DEFAULT);
    HWND box = WaitForOwnedPopup(run.dialog, 5000);
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), "Scanner-Einrichtung");
    EXPECT_EQ(AnswerMessage(run.dialog, IDOK), "Die Anschlussadresse kann nicht gelesen werden.");
    EXPECT_TRUE(Eventually([&] {
        return ItemText(run.dialog, IDC_CLOSE) == "Schlie\xdf"
                                                  "en";
    }));
    Press(run.dialog, IDC_CLOSE);
    EXPECT_TRUE(run.Finish());
}

} // namespace
