// The applet's resources as the built module carries them: every dialog and string in each of the
// nine blocks under the one resource language, English text in the untranslated blocks.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "applet_ids.h"
#include "harness.h"
#include "language.h"

namespace {

constexpr int kStrings[] = {kSetupCaption,         kAppletCaption,
                            kMsgSourceMissing,     kMsgNoPort,
                            kMsgNoSpeed,           kMsgQuitWithoutDefault,
                            kMsgSetPort,           kMsgSetSpeed,
                            kMsgBadSourcePath,     kCloseLabel,
                            kMsgDriverFileMissing, kMsgModelExists,
                            kMsgEmptyModelField,   kMsgReplacePixelDriver,
                            kUserModelLine,        kVersionFormat,
                            kPixelDriverFilter,    kProgramFilter};
constexpr int kMainControls[] = {kIdClose,       kIdDefaultGroup,   kIdHardwareGroup,
                                 kIdPortLabel,   kIdSpeedLabel,     kIdSetDefault,
                                 kIdAdd,         kIdRemove,         kIdHelp,
                                 kIdInstall,     kIdInstalledList,  kIdChoiceList,
                                 kIdDefaultName, kIdPort,           kIdSpeed,
                                 kIdChoiceGroup, kIdInstalledGroup, kIdBrowse};

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
        for (int k : {kMainDialog, kDriverSourceDialog, kHelpDialog, kNewModelDialog})
            EXPECT_TRUE(HasDialog(DialogId(block, k))) << DialogId(block, k);
        for (int k : kStrings)
            EXPECT_FALSE(Text(block, k).empty()) << StringId(block, k);
        // The list line is part of the list file's format, not of a language.
        EXPECT_EQ(Text(block, kUserModelLine), "   %d       |  %s| ORVDR07.EX_  |  I%s\r\n");
    }
}

TEST_F(AppletModule, OnlyGermanSpanishAndItalianAreTranslated) {
    for (int block : {2, 6, 7, 8, 9})
        for (int k : kStrings)
            EXPECT_EQ(Text(block, k), Text(1, k)) << StringId(block, k);
    for (int block : {3, 4, 5})
        for (int k : {kSetupCaption, kAppletCaption, kMsgQuitWithoutDefault, kCloseLabel,
                      kMsgBadSourcePath, kMsgModelExists})
            EXPECT_NE(Text(block, k), Text(1, k)) << StringId(block, k);
    EXPECT_EQ(Text(1, kMsgQuitWithoutDefault), "Do you want to quit without select scanner?");
    // UTF-8 sources arrive as Windows-1252.
    EXPECT_EQ(Text(3, kCloseLabel), "Schlie\xdf"
                                    "en");
    EXPECT_EQ(Text(4, kSetupCaption), "Instalaci\xf3n de Orvane");
    EXPECT_EQ(Text(5, kMsgNoSpeed), "Impossibile leggere la velocit\xe0 dello scanner");
}

// The main dialog of every block, created hidden from the module: every control is there.
TEST_F(AppletModule, MainDialogsCarryEveryControl) {
    for (int block = 1; block <= 9; ++block) {
        HWND dialog = CreateDialogParamA(
            module, MAKEINTRESOURCEA(DialogId(block, kMainDialog)), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) WINAPI -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(dialog, nullptr) << block;
        ShowWindow(dialog, SW_HIDE);
        for (int id : kMainControls)
            EXPECT_NE(GetDlgItem(dialog, id), nullptr) << block << " " << id;
        // The fold lies below every control of the upper part.
        RECT fold, hardware;
        GetWindowRect(GetDlgItem(dialog, kIdChoiceGroup), &fold);
        GetWindowRect(GetDlgItem(dialog, kIdHardwareGroup), &hardware);
        EXPECT_GE(fold.top, hardware.bottom) << block;
        DestroyWindow(dialog);
    }
}

} // namespace
