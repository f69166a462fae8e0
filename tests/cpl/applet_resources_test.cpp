// The applet's resources as the built module carries them: every dialog and string in each of the
// nine blocks under the one resource language, English text in the untranslated blocks.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "applet_ids.h"
#include "harness.h"
#include "language.h"

namespace {

// clang-format off
constexpr int kStrings[] = {IDS_SETUP_CAPTION, IDS_APPLET_CAPTION, IDS_SOURCE_MISSING, IDS_NO_PORT,
                            IDS_NO_SPEED, IDS_QUIT_WITHOUT_DEFAULT, IDS_SET_PORT, IDS_SET_SPEED,
                            IDS_BAD_SOURCE_PATH, IDS_CLOSE_LABEL, IDS_DRIVER_FILE_MISSING,
                            IDS_MODEL_EXISTS, IDS_EMPTY_MODEL_FIELD, IDS_REPLACE_PIXEL_DRIVER,
                            IDS_USER_MODEL_LINE, IDS_VERSION_FORMAT, IDS_PIXEL_DRIVER_FILTER,
                            IDS_PROGRAM_FILTER, IDS_DRIVER_NAME_SPACE};
constexpr int kMainControls[] = {IDC_CLOSE, IDC_DEFAULT_GROUP, IDC_HARDWARE_GROUP, IDC_PORT_LABEL,
                                 IDC_SPEED_LABEL, IDC_SET_DEFAULT, IDC_ADD, IDC_REMOVE,
                                 IDC_HELP_BUTTON, IDC_INSTALL, IDC_INSTALLED_LIST, IDC_CHOICE_LIST,
                                 IDC_DEFAULT_NAME, IDC_PORT, IDC_SPEED, IDC_CHOICE_GROUP,
                                 IDC_INSTALLED_GROUP, IDC_BROWSE};
// clang-format on

struct AppletModule : ::testing::Test {
    HMODULE module = nullptr;
    void SetUp() override {
        module = LoadLibraryExA(BinPath("ORVCPL32.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }
    std::string Text(int block, int k) {
        char text[512] = "";
        LoadStringA(module, StringId(block, k), text, sizeof text);
        return text;
    }
    bool HasDialog(int id) {
        return FindResourceExA(module, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(id),
                               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) != nullptr;
    }
};

TEST_F(AppletModule, EveryBlockHoldsTheWholeSet) {
    for (int block = 1; block <= 9; ++block) {
        for (int k : {IDD_MAIN, IDD_DRIVER_SOURCE, IDD_HELP, IDD_NEW_MODEL})
            EXPECT_TRUE(HasDialog(DialogId(block, k))) << DialogId(block, k);
        for (int k : kStrings)
            EXPECT_FALSE(Text(block, k).empty()) << StringId(block, k);
        // The list line is part of the list file's format, not of a language.
        EXPECT_EQ(Text(block, IDS_USER_MODEL_LINE), "   %d       |  %s| ORVDR07.EX_  |  I%s\r\n");
    }
}

TEST_F(AppletModule, OnlyGermanSpanishAndItalianAreTranslated) {
    for (int block : {2, 6, 7, 8, 9})
        for (int k : kStrings)
            EXPECT_EQ(Text(block, k), Text(1, k)) << StringId(block, k);
    for (int block : {3, 4, 5})
        for (int k :
             {IDS_SETUP_CAPTION, IDS_APPLET_CAPTION, IDS_QUIT_WITHOUT_DEFAULT, IDS_CLOSE_LABEL,
              IDS_BAD_SOURCE_PATH, IDS_MODEL_EXISTS, IDS_DRIVER_NAME_SPACE})
            EXPECT_NE(Text(block, k), Text(1, k)) << StringId(block, k);
    EXPECT_EQ(Text(1, IDS_QUIT_WITHOUT_DEFAULT), "Do you want to quit without select scanner?");
    // UTF-8 sources arrive as Windows-1252.
    EXPECT_EQ(Text(3, IDS_CLOSE_LABEL), "Schlie\xdf"
                                        "en");
    EXPECT_EQ(Text(4, IDS_SETUP_CAPTION), "Instalaci\xf3n de Orvane");
    EXPECT_EQ(Text(5, IDS_NO_SPEED), "Impossibile leggere la velocit\xe0 dello scanner");
}

// The main dialog of every block, created hidden from the module: every control is there.
TEST_F(AppletModule, MainDialogsCarryEveryControl) {
    for (int block = 1; block <= 9; ++block) {
        HWND dialog = CreateDialogParamA(
            module, MAKEINTRESOURCEA(DialogId(block, IDD_MAIN)), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) WINAPI -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(dialog, nullptr) << block;
        ShowWindow(dialog, SW_HIDE);
        for (int id : kMainControls)
            EXPECT_NE(GetDlgItem(dialog, id), nullptr) << block << " " << id;
        // The fold lies below every control of the upper part.
        RECT fold, hardware;
        GetWindowRect(GetDlgItem(dialog, IDC_CHOICE_GROUP), &fold);
        GetWindowRect(GetDlgItem(dialog, IDC_HARDWARE_GROUP), &hardware);
        EXPECT_GE(fold.top, hardware.bottom) << block;
        DestroyWindow(dialog);
    }
}

} // namespace
