// Source selection through Wine's real source manager. The manager of the build's bitness
// (system32) is placed as TWAIN_32.DLL in the Windows directory, where the system loads it from,
// and our test data source as sane.ds in its source folder (twain_64 or twain_32), one of the two
// files the manager looks for. A second thread finds the
// manager's "Select Source" dialog and clicks OK or Cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "config_names.h"
#include "harness.h"
#include "twain_registration.h"

namespace {

constexpr int kSourceList = 1001;
const char kDialogTitle[] = "Select Source";
const char kOurSource[] = "Acme TWAIN";

std::string ManagerPath() {
    return WindowsDir() + "TWAIN_32.DLL";
}
std::string SourceSlot() {
    return TwainSourceDir() + "sane.ds";
}
std::string ChoicePath() {
    return AppDir() + kTwainChoiceFile;
}

// Moves a file aside for the test and puts it back afterwards.
struct SavedFile {
    explicit SavedFile(std::string path) : path(std::move(path)) {
        saved = MoveFileExA(this->path.c_str(), (this->path + ".orvsaved").c_str(),
                            MOVEFILE_REPLACE_EXISTING);
    }
    ~SavedFile() {
        DeleteFileA(path.c_str());
        if (saved)
            MoveFileExA((path + ".orvsaved").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    std::string path;
    bool saved;
};

std::string Profile(const char* key) {
    char value[64];
    GetPrivateProfileStringA(kTwainSection, key, "<none>", value, sizeof value,
                             ChoicePath().c_str());
    return value;
}

// Answers the selection dialog from a second thread: records what it lists, picks a source and
// clicks OK, or clicks Cancel.
struct DialogAnswer {
    void Start(const char* choose, std::string screenshot = "") {
        worker = std::thread([=] {
            HWND dialog = WaitForWindow(nullptr, kDialogTitle, 20000);
            Eventually([&] { return !dialog || IsWindowVisible(dialog); });
            if (!dialog)
                return;
            shown = true;
            HWND list = GetDlgItem(dialog, kSourceList);
            int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char text[64] = "";
                SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                listed.push_back(text);
            }
            if (choose)
                SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(choose));
            if (!screenshot.empty()) {
                Sleep(300);
                saved = SaveScreenshot(dialog, screenshot);
            }
            SendMessageA(GetDlgItem(dialog, choose ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
        });
    }
    void Finish() {
        if (worker.joinable())
            worker.join();
    }
    ~DialogAnswer() { Finish(); }
    std::thread worker;
    bool shown = false;
    bool saved = false;
    std::vector<std::string> listed;
};

class TwainSelection : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstall();
        ASSERT_TRUE(CreateDirectoryA(AppDir().c_str(), nullptr));
    }
    void TearDown() override { ResetInstall(); }
    void InstallManager() {
        ASSERT_TRUE(CopyFileA(WineTwainManager().c_str(), ManagerPath().c_str(), FALSE));
    }
    void InstallOurSource() {
        ASSERT_TRUE(CopyFileA(BinPath("orvtwain.ds").c_str(), SourceSlot().c_str(), FALSE));
    }
    SavedFile manager{ManagerPath()};
    SavedFile source{SourceSlot()};
};

TEST_F(TwainSelection, WithoutTheManagerNothingIsShownOrWritten) {
    InitTwainIdentity(nullptr);
    EXPECT_EQ(OpenTwainManager(), 1);
    // A file that is no module cannot be loaded either.
    ASSERT_TRUE(WriteTextFile(ManagerPath(), "not a module"));
    EXPECT_EQ(OpenTwainManager(), 1);
    DeleteFileA(ManagerPath().c_str());
    for (TwainRecording form : {TwainRecording::AtOnce, TwainRecording::Remembered})
        EXPECT_EQ(SelectTwainSource(nullptr, form), -1);
    EXPECT_EQ(RecordTwainSource(), 0);
    EXPECT_FALSE(FileExists(ChoicePath()));
}

TEST_F(TwainSelection, ManagerOpensAndClosesByItsFirstOrdinal) {
    InstallManager();
    InitTwainIdentity(nullptr);
    ASSERT_EQ(OpenTwainManager(), 0);
    EXPECT_EQ(CloseTwainManager(), 0);
    // Closed means unloaded: a second close finds no manager.
    EXPECT_NE(CloseTwainManager(), 0);
    ASSERT_EQ(OpenTwainManager(), 0);
    EXPECT_EQ(CloseTwainManager(), 0);
}

TEST_F(TwainSelection, ChosenSourceIsRecordedAtOnce) {
    InstallManager();
    InstallOurSource();
    DialogAnswer answer;
    answer.Start(kOurSource, BinPath("twain_select_source.bmp"));
    EXPECT_EQ(SelectTwainSource(nullptr, TwainRecording::AtOnce), 0);
    answer.Finish();
    EXPECT_TRUE(answer.shown);
    EXPECT_TRUE(answer.saved);
    EXPECT_NE(std::find(answer.listed.begin(), answer.listed.end(), kOurSource),
              answer.listed.end());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(ChoicePath(), &text));
    EXPECT_NE(text.find("[Orvane]"), std::string::npos) << text;
    EXPECT_EQ(Profile(kTwainSetupKey), "Y");
    EXPECT_EQ(Profile(kTwainDsKey), kOurSource);
    EXPECT_LT(text.find("Setup=Y"), text.find("TwainDS=Acme TWAIN")) << text;
}

TEST_F(TwainSelection, CancelKeepsTheRecordedSource) {
    InstallManager();
    InstallOurSource();
    const std::string before = "[Orvane]\r\nSetup=Y\r\nTwainDS=Older Source\r\n";
    ASSERT_TRUE(WriteTextFile(ChoicePath(), before));
    DialogAnswer answer;
    answer.Start(nullptr);
    EXPECT_EQ(SelectTwainSource(nullptr, TwainRecording::AtOnce), -1);
    answer.Finish();
    EXPECT_TRUE(answer.shown);
    std::string after;
    ASSERT_TRUE(ReadWholeFile(ChoicePath(), &after));
    EXPECT_EQ(after, before);
}

TEST_F(TwainSelection, InstallationRemembersTheChoiceUntilItIsRecorded) {
    InstallManager();
    InstallOurSource();
    DialogAnswer answer;
    answer.Start(kOurSource);
    EXPECT_EQ(SelectTwainSource(nullptr, TwainRecording::Remembered), 0);
    answer.Finish();
    EXPECT_FALSE(FileExists(ChoicePath()));
    EXPECT_EQ(RecordTwainSource(), 0);
    EXPECT_EQ(Profile(kTwainSetupKey), "Y");
    EXPECT_EQ(Profile(kTwainDsKey), kOurSource);

    // A cancelled second selection forgets the first choice: nothing is recorded.
    DeleteFileA(ChoicePath().c_str());
    DialogAnswer cancel;
    cancel.Start(nullptr);
    EXPECT_EQ(SelectTwainSource(nullptr, TwainRecording::Remembered), -1);
    cancel.Finish();
    EXPECT_TRUE(cancel.shown);
    EXPECT_EQ(RecordTwainSource(), 0);
    EXPECT_FALSE(FileExists(ChoicePath()));
}

TEST_F(TwainSelection, NoDefaultSourceStillShowsTheDialog) {
    InstallManager();
    // Neither our source nor Wine's camera source is there: no default source to offer.
    SavedFile camera(TwainSourceDir() + "gphoto2.ds");
    TW_IDENTITY app = {};
    app.ProtocolMajor = 1;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    HMODULE module = LoadLibraryA(ManagerPath().c_str());
    ASSERT_NE(module, nullptr);
    auto entry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(1))));
    ASSERT_NE(entry, nullptr);
    HWND parent = nullptr;
    ASSERT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    TW_IDENTITY source = {};
    EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &source),
              TWRC_FAILURE);
    TW_STATUS status = {};
    EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    EXPECT_NE(status.ConditionCode, TWCC_LOWMEMORY);
    EXPECT_NE(status.ConditionCode, TWCC_SUCCESS);
    entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
    FreeLibrary(module);

    DialogAnswer answer;
    answer.Start(nullptr);
    EXPECT_EQ(SelectTwainSource(nullptr, TwainRecording::AtOnce), -1);
    answer.Finish();
    EXPECT_TRUE(answer.shown);
    EXPECT_TRUE(answer.listed.empty());
    EXPECT_FALSE(FileExists(ChoicePath()));
}

} // namespace
