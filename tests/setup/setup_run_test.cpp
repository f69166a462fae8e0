// ORVSETUP.EXE run for real from the test medium (built by outside/medium from this tree, see
// tests/setup/CMakeLists.txt) and driven from here like a user would: the wizard through its
// property-sheet messages (button presses posted, never sent), list selections, the progress
// dialog's Cancel and the exit confirmation. Each case checks what the installation left in the
// prefix: files, configuration files, registry, Program Manager items.
#include "harness.h"
#include "setup_driver.h"
#include "windows_bitness.h"

#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int kWelcomeText = 720;
constexpr int kWelcomeNext = 722;
constexpr int kModelList = 623;
constexpr int kChosenName = 625;
constexpr int kGauge = 622;
constexpr int kNextButton = 0x3024; // the property sheet's Next button
constexpr DWORD kRunLimitMs = 60000;
const char kCaption[] = "Orvane Installation";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane20";
const char kSharedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
const char kGroup[] = "Kelto Applications";

std::string Medium() {
    return BinPath("medium\\");
}

// The installation groups of the manifest list: source directory, destination, names.
struct Group {
    std::string source;
    std::string destination;
    std::string kind; // "driver", "win64", "added" or empty
    std::vector<std::string> names;
};
std::vector<Group> ReadManifest() {
    std::vector<Group> groups;
    std::string text;
    ReadWholeFile(SourcePath("setup/manifest.txt"), &text);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind("group ", 0) == 0) {
            char source[32] = "", destination[32] = "", kind[16] = "";
            int id = 0;
            sscanf(line.c_str(), "group %d %31s %31s %15s", &id, source, destination, kind);
            groups.push_back({source, destination, kind, {}});
        } else {
            groups.back().names.push_back(line);
        }
    }
    return groups;
}

std::string SystemDir() {
    char path[MAX_PATH];
    GetSystemDirectoryA(path, sizeof path);
    return std::string(path) + "\\";
}

// Where a group's files land in an installation.
std::string InstalledDir(const Group& group) {
    if (group.destination == "-")
        return WindowsDir();
    if (_stricmp(group.destination.c_str(), "SYSTEM") == 0)
        return SystemDir();
    return WindowsDir() + group.destination + "\\";
}

std::string Compressed(std::string name) {
    name.back() = '_';
    return name;
}

std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path);
    return std::string(path) + "\\";
}

// Everything an installation may leave, except the platform's own system libraries, which the
// SYSTEM group only rewrites with the same files.
void RemoveInstallation() {
    KillProcessesNamed("ORVSETUP.EXE");
    ResetInstall();
    for (const Group& group : ReadManifest())
        if (group.destination == "-")
            for (const std::string& name : group.names)
                DeleteFileA((WindowsDir() + name).c_str());
    DeleteFileA((WindowsDir() + "ORVANE.LST").c_str());
    DeleteTree(WindowsDir() + "PIXTRAN\\");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSharedKey);
    DeleteTree(ProgramsFolder() + kGroup + "\\");
    CloseShellFolderWindows();
}

// Moves a file aside for the whole run and puts it back afterwards.
struct SavedFiles : ::testing::Environment {
    std::vector<std::string> paths = {WindowsDir() + "TWAIN_32.DLL", TwainSourceDir() + "sane.ds",
                                      TwainSourceDir() + "gphoto2.ds"};
    void SetUp() override {
        for (const std::string& path : paths)
            MoveFileExA(path.c_str(), (path + ".orvsaved").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    void TearDown() override {
        for (const std::string& path : paths) {
            DeleteFileA(path.c_str());
            MoveFileExA((path + ".orvsaved").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
};
const auto* g_saved = ::testing::AddGlobalTestEnvironment(new SavedFiles);

void Press(HWND sheet, int button) {
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
}
std::string ItemText(HWND dialog, int id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
bool SelectModel(HWND page, const std::string& model) {
    HWND list = GetDlgItem(page, kModelList);
    std::vector<std::string> texts = ListBoxLines(list);
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == model)
            return SendMessageA(list, LB_SETCURSEL, i, 0) != LB_ERR;
    return false;
}

std::string Profile(const std::string& file, const char* section, const char* key) {
    char value[256];
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
    return value;
}

bool KeyExists(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
std::string RegText(const char* keyName, const char* value) {
    char data[512] = "";
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, keyName, value, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return data;
}
DWORD RegCount(const std::string& value) {
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSharedKey, value.c_str(), RRF_RT_REG_DWORD, nullptr,
                     &data, &size) != ERROR_SUCCESS)
        return 0;
    return data;
}

// One run of the installation program from the medium (or another copy of it).
struct SetupRun {
    HANDLE process = nullptr;
    void Start(const std::string& args = "", const std::string& exe = "") {
        std::string program = exe.empty() ? Medium() + "ORVSETUP.EXE" : exe;
        process = StartProgram("\"" + program + "\"" + (args.empty() ? "" : " " + args));
        ASSERT_NE(process, nullptr);
    }
    // Exit code, or STILL_ACTIVE when it did not end in time.
    DWORD Wait(DWORD timeoutMs = kRunLimitMs) {
        WaitForSingleObject(process, timeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        return code;
    }
    ~SetupRun() {
        if (!process)
            return;
        if (Wait(0) == STILL_ACTIVE)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
};

void Screenshot(HWND window, const char* name) {
    SaveScreenshot(window, BinPath(name));
}

class SetupProgram : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveInstallation();
        ASSERT_TRUE(FileExists(Medium() + "DRIVER\\ORVDRXX.EX_")) << "no test medium";
    }
    void TearDown() override { RemoveInstallation(); }

    // Starts the program and brings the wizard to the model page.
    HWND OpenModelPage(SetupRun* run, const std::string& args = "", const char* caption = kCaption,
                       const char* shots = nullptr) {
        run->Start(args);
        HWND sheet = FindVisibleDialog(caption, kNextButton, 20000);
        if (!sheet)
            return nullptr;
        HWND welcome = WaitForWizardPage(sheet, kWelcomeNext);
        if (!welcome)
            return nullptr;
        if (shots)
            Screenshot(GetAncestor(sheet, GA_ROOT), (std::string(shots) + "_welcome.bmp").c_str());
        Press(sheet, PSBTN_NEXT);
        return WaitForWizardPage(sheet, kModelList) ? sheet : nullptr;
    }
    // Chooses a model, goes to the name page and finishes; returns the name page's text.
    std::string ChooseAndFinish(HWND sheet, const std::string& model) {
        EXPECT_TRUE(SelectModel(CurrentWizardPage(sheet), model)) << model;
        Press(sheet, PSBTN_NEXT);
        HWND name = WaitForWizardPage(sheet, kChosenName);
        if (!name)
            return "<no name page>";
        std::string shown = ItemText(name, kChosenName);
        Press(sheet, PSBTN_FINISH);
        return shown;
    }
    void Install(const std::string& model) {
        SetupRun run;
        HWND sheet = OpenModelPage(&run);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(ChooseAndFinish(sheet, model), model);
        EXPECT_EQ(run.Wait(), 0u);
        CloseShellFolderWindows();
    }
};

TEST_F(SetupProgram, FullInstallationOfAPixelDriverModel) {
    SetupRun run;
    HWND sheet = OpenModelPage(&run, "", kCaption, "setup_en");
    ASSERT_NE(sheet, nullptr);
    // The working list is in place and the first model is preselected on the first visit.
    EXPECT_TRUE(FileExists(WindowsDir() + "ORVANE.LST"));
    HWND page = CurrentWizardPage(sheet);
    HWND list = GetDlgItem(page, kModelList);
    std::vector<std::string> models = ListBoxLines(list);
    ASSERT_EQ(models.size(), 41u);
    EXPECT_EQ(models[0], "Kelto FlatScan 300");
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
    Screenshot(GetAncestor(sheet, GA_ROOT), "setup_en_model.bmp");

    // Back and forth keeps the choice.
    ASSERT_TRUE(SelectModel(page, "Kelto ColorPro 24"));
    Press(sheet, PSBTN_NEXT);
    HWND name = WaitForWizardPage(sheet, kChosenName);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(ItemText(name, kChosenName), "Kelto ColorPro 24");
    Screenshot(GetAncestor(sheet, GA_ROOT), "setup_en_name.bmp");
    Press(sheet, PSBTN_BACK);
    page = WaitForWizardPage(sheet, kModelList);
    ASSERT_NE(page, nullptr);
    list = GetDlgItem(page, kModelList);
    EXPECT_EQ(ListBoxLines(list)[SendMessageA(list, LB_GETCURSEL, 0, 0)], "Kelto ColorPro 24");
    Press(sheet, PSBTN_NEXT);
    ASSERT_NE(WaitForWizardPage(sheet, kChosenName), nullptr);
    Press(sheet, PSBTN_FINISH);
    EXPECT_EQ(run.Wait(), 0u);
    CloseShellFolderWindows();

    // Every file the medium holds, expanded into its group's directory; what it lacks is absent.
    // The import library for 32-bit applications comes with every installation, the library for
    // 64-bit applications only on 64-bit Windows.
    const bool windows64 = IsWindows64Bit();
    int installed = 0;
    for (const Group& group : ReadManifest()) {
        if (group.kind == "driver")
            continue;
        for (const std::string& name : group.names) {
            bool shipped = FileExists(Medium() + group.source + "\\" + Compressed(name)) &&
                           (group.kind != "win64" || windows64);
            EXPECT_EQ(FileExists(InstalledDir(group) + name), shipped) << name;
            installed += shipped;
        }
    }
    EXPECT_EQ(installed, windows64 ? 28 : 26);
    EXPECT_TRUE(FileExists(WindowsDir() + "ORVLIB32.LIB"));
    std::string built, expanded;
    ASSERT_TRUE(ReadWholeFile(BinPath("ORVMAIN.EXE"), &built));
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVMAIN.EXE", &expanded));
    EXPECT_TRUE(built == expanded);
    // The model's driver program and pixel driver; the working list is gone.
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR07.EXE"));
    EXPECT_TRUE(FileExists(WindowsDir() + "PIXTRAN\\COLORPRO.PXW"));
    EXPECT_FALSE(FileExists(AppDir() + "ORVDR01.EXE"));
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVANE.LST"));

    std::string iss;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVANE.ISS", &iss));
    EXPECT_EQ(iss, "17");
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentScannerId"), "7");
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentDriver"), "ORVDR07.EXE");
    std::string setscan = WindowsDir() + "SETSCAN.INI";
    EXPECT_EQ(Profile(setscan, "Kelto", "Directory"), "C:\\windows\\KELTO32");
    EXPECT_EQ(Profile(setscan, "Scanner", "Driver"), "COLORPRO");
    EXPECT_EQ(Profile(setscan, "COLORPRO", "Setup"), "no");
    // No TWAIN source was chosen: the shipped ORVANE.INI stays as it was.
    EXPECT_EQ(Profile(AppDir() + "ORVANE.INI", "Orvane", "Setup"), "N");

    EXPECT_EQ(RegText(kUninstallKey, "DisplayName"), "Orvane 2.0");
    EXPECT_EQ(RegText(kUninstallKey, "UninstallString"), "C:\\windows\\ORVCLEAN.EXE");
    // No SharedDlls key: none is made.
    EXPECT_FALSE(KeyExists(kSharedKey));
    // Wine's shell keeps the items as shortcuts in the group's Start Menu folder.
    std::string group = ProgramsFolder() + kGroup + "\\";
    EXPECT_TRUE(FileExists(group + "Orvane 2.0.lnk"));
    EXPECT_TRUE(FileExists(group + "Uninstall Orvane 2.0.lnk"));
}

TEST_F(SetupProgram, SecondInstallationRaisesCountsAndKeepsTheEntry) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD five = 5;
    RegSetValueExA(key, "C:\\windows\\ORVLIB32.DLL", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&five), sizeof five);
    const char text[] = "a longer value";
    RegSetValueExA(key, "C:\\windows\\KELTO32\\ORVMAIN.EXE", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text), sizeof text);
    RegCloseKey(key);

    Install("Vellicor Port 1300");
    EXPECT_EQ(RegCount("C:\\windows\\ORVLIB32.DLL"), 6u);
    EXPECT_EQ(RegCount("C:\\windows\\KELTO32\\ORVMAIN.EXE"), 1u);
    // The SYSTEM run is named literally below the Windows directory.
    EXPECT_EQ(RegCount("C:\\windows\\SYSTEM\\CTL3D32.DLL"), 1u);
    EXPECT_EQ(RegCount("C:\\windows\\TWUNK_32.EXE"), 1u); // counted even when not shipped
    EXPECT_EQ(RegCount("C:\\windows\\ORVLIB64.DLL"), IsWindows64Bit() ? 1u : 0u);
    EXPECT_EQ(RegCount("C:\\windows\\ORVLIB32.LIB"), 1u);
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentScannerId"), "13");
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentDriver"), "ORVDR13.EXE");
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR13.EXE"));
    // A port-and-speed model has no pixel driver: SETSCAN.INI is not written.
    EXPECT_FALSE(FileExists(WindowsDir() + "SETSCAN.INI"));

    // An existing uninstall key keeps its values.
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const char marker[] = "first installation";
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(marker),
                   sizeof marker);
    RegCloseKey(key);
    // The user's device in the server's settings survives the second installation.
    WritePrivateProfileStringA("Scanner", "Source", "SANE", (AppDir() + "ORVMAIN.INI").c_str());
    Install("Vellicor Port 1300");
    EXPECT_EQ(Profile(AppDir() + "ORVMAIN.INI", "Scanner", "Source"), "SANE");
    EXPECT_EQ(RegText(kUninstallKey, "DisplayName"), marker);
    EXPECT_EQ(RegCount("C:\\windows\\ORVLIB32.DLL"), 7u);
    EXPECT_EQ(RegCount("C:\\windows\\KELTO32\\ORVANE.ISS"), 2u);
    EXPECT_EQ(RegCount("C:\\windows\\SYSTEM\\OLEPRO32.DLL"), 2u);
    std::string iss;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVANE.ISS", &iss));
    EXPECT_EQ(iss, std::string("1") + char('0' + 13));
    std::string group = ProgramsFolder() + kGroup + "\\";
    EXPECT_TRUE(FileExists(group + "Orvane 2.0.lnk"));
}

// The medium ships an empty installed set that every installation lays down again: the models
// installed before are put back into it, so a second model joins the first instead of replacing
// it, and the first one's driver program stays reachable.
TEST_F(SetupProgram, SecondModelJoinsTheModelsInstalledBefore) {
    Install("Kelto ColorPro 24");
    Install("Vellicor Port 1300");
    std::string iss;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVANE.ISS", &iss));
    EXPECT_EQ(iss, std::string("2") + char('0' + 7) + char('0' + 13));
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentScannerId"), "13");
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentDriver"), "ORVDR13.EXE");
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR07.EXE"));
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR13.EXE"));
    // The first model installed again changes neither the set nor its order.
    Install("Kelto ColorPro 24");
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVANE.ISS", &iss));
    EXPECT_EQ(iss, std::string("2") + char('0' + 7) + char('0' + 13));
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentScannerId"), "7");
}

// The commands Program Manager receives, recorded by the stand-in service.
TEST_F(SetupProgram, ProgramManagerCommands) {
    std::string dir = WindowsDir() + "temp\\orvsetup_progman\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    HANDLE standIn = StartProgmanStandIn(dir, "Lifetime=120");
    ASSERT_NE(standIn, nullptr);
    Install("Kelto FlatScan 300");
    StopProgram(&standIn);
    std::string log;
    ReadWholeFile(dir + "progman_standin.log", &log);
    DeleteTree(dir);
    const char* expected[] = {
        "EXECUTE [ShowGroup(Kelto Applications,8)]",
        "EXECUTE [CreateGroup(Kelto Applications,C:\\windows\\KELTO32)]",
        "EXECUTE [DeleteItem(Orvane 2.0)]",
        "EXECUTE [AddItem(C:\\windows\\KELTO32\\ORVCNTL.EXE,Orvane 2.0)]",
        "EXECUTE [ExitProgman(0)]",
        "EXECUTE [ShowGroup(Kelto Applications,8)]",
        "EXECUTE [CreateGroup(Kelto Applications,C:\\windows\\)]",
        "EXECUTE [DeleteItem(Uninstall Orvane 2.0)]",
        "EXECUTE [AddItem(C:\\windows\\ORVCLEAN.EXE,Uninstall Orvane 2.0)]",
        "EXECUTE [ExitProgman(0)]",
    };
    size_t at = 0;
    for (const char* line : expected) {
        size_t found = log.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        if (found != std::string::npos)
            at = found + strlen(line);
    }
}

TEST_F(SetupProgram, TwainModelNeedsAChosenSource) {
    // No data source at all: the wizard stays on the model page.
    {
        SetupRun run;
        HWND sheet = OpenModelPage(&run);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(SelectModel(CurrentWizardPage(sheet), "Kelto TWAIN Scanner"));
        Press(sheet, PSBTN_NEXT);
        // Wine's manager may still show its (empty) selection dialog: cancel it.
        HWND select = FindVisibleDialog("Select Source", IDCANCEL, 5000);
        if (select)
            PostMessageA(select, WM_COMMAND, IDCANCEL, 0);
        Sleep(500);
        HWND page = WaitForWizardPage(sheet, kModelList);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(GetDlgItem(CurrentWizardPage(sheet), kChosenName), nullptr);
        Press(sheet, PSBTN_CANCEL);
        EXPECT_EQ(run.Wait(), 0u);
    }
    RemoveInstallation();
    ASSERT_TRUE(
        CopyFileA(BinPath("orvtwain.ds").c_str(), (TwainSourceDir() + "sane.ds").c_str(), FALSE));
    // The TWAIN model with the source picked in the manager's dialog, up to the name page.
    auto chooseTwain = [](HWND sheet) {
        EXPECT_TRUE(SelectModel(CurrentWizardPage(sheet), "Kelto TWAIN Scanner"));
        Press(sheet, PSBTN_NEXT);
        HWND select = FindVisibleDialog("Select Source", 1001, 20000);
        if (!select)
            return false;
        Sleep(300);
        SendMessageA(GetDlgItem(select, 1001), LB_SETCURSEL, 0, 0);
        EXPECT_EQ(ListBoxLines(GetDlgItem(select, 1001)).at(0), "Acme TWAIN");
        PostMessageA(select, WM_COMMAND, IDOK, 0);
        return WaitForWizardPage(sheet, kChosenName) != nullptr;
    };
    // A source picked for the TWAIN model, then Back and another model: no source is recorded.
    {
        SetupRun back;
        HWND sheet = OpenModelPage(&back);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(chooseTwain(sheet));
        Press(sheet, PSBTN_BACK);
        ASSERT_NE(WaitForWizardPage(sheet, kModelList), nullptr);
        EXPECT_EQ(ChooseAndFinish(sheet, "Kelto ColorPro 24"), "Kelto ColorPro 24");
        EXPECT_EQ(back.Wait(), 0u);
        CloseShellFolderWindows();
        EXPECT_EQ(Profile(AppDir() + "ORVANE.INI", "Orvane", "Setup"), "N");
        EXPECT_EQ(Profile(AppDir() + "ORVANE.INI", "Orvane", "TwainDS"), "<none>");
    }
    SetupRun run;
    HWND sheet = OpenModelPage(&run);
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(chooseTwain(sheet));
    Press(sheet, PSBTN_FINISH);
    EXPECT_EQ(run.Wait(), 0u);
    CloseShellFolderWindows();
    EXPECT_EQ(Profile(AppDir() + "ORVANE.INI", "Orvane", "Setup"), "Y");
    EXPECT_EQ(Profile(AppDir() + "ORVANE.INI", "Orvane", "TwainDS"), "Acme TWAIN");
    EXPECT_EQ(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentScannerId"), "12");
    DeleteFileA((TwainSourceDir() + "sane.ds").c_str());
}

TEST_F(SetupProgram, CancelInTheWizardLeavesOnlyTheTwainFiles) {
    SetupRun run;
    HWND sheet = OpenModelPage(&run);
    ASSERT_NE(sheet, nullptr);
    Press(sheet, PSBTN_CANCEL);
    EXPECT_EQ(run.Wait(), 0u);
    EXPECT_TRUE(FileExists(WindowsDir() + "TWAIN_32.DLL"));
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVANE.LST"));
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVLIB32.DLL"));
    EXPECT_FALSE(FileExists(AppDir()));
    EXPECT_FALSE(KeyExists(kUninstallKey));
}

TEST_F(SetupProgram, CancelDuringTheCopyAsksFirst) {
    // A copy of the medium whose first files are large, so the copy is still running when the
    // Cancel arrives (the LZ routines copy a file that is not compressed as it is).
    std::string slow = WindowsDir() + "temp\\orvsetup_slow\\";
    DeleteTree(slow);
    CreateDirectoryA(slow.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA((Medium() + "ORVSETUP.EXE").c_str(), (slow + "ORVSETUP.EXE").c_str(), FALSE));
    for (const Group& group : ReadManifest()) {
        CreateDirectoryA((slow + group.source).c_str(), nullptr);
        for (const std::string& name : group.names) {
            std::string file = group.source + "\\" + Compressed(name);
            CopyFileA((Medium() + file).c_str(), (slow + file).c_str(), FALSE);
        }
    }
    // Group 120 is copied from its last name to its first: TWUNK_32.EXE, TWUNK_16.EXE,
    // TWAIN_32.DLL, TWAIN.DLL, then these, the 5th to the 8th file of the run.
    for (const char* name : {"ORVTWAIN.TX_", "ORVPORT.TX_", "ORVSCAN.TX_", "ORVLIC.TX_"})
        ASSERT_TRUE(WriteTextFile(slow + "UTILS\\" + name, std::string(16 << 20, 'x')));

    SetupRun run;
    run.Start("", slow + "ORVSETUP.EXE");
    HWND sheet = FindVisibleDialog(kCaption, kNextButton, 20000);
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(WaitForWizardPage(sheet, kWelcomeNext), nullptr);
    Press(sheet, PSBTN_NEXT);
    ASSERT_NE(WaitForWizardPage(sheet, kModelList), nullptr);
    ChooseAndFinish(sheet, "Kelto FlatScan 300");
    // Cancel while the first large file is copied (a cancel before the copy loop starts is
    // cleared by it).
    HWND progress = FindVisibleDialog(kCaption, kGauge, 10000);
    ASSERT_NE(progress, nullptr);
    for (int i = 0; i < 1000 && ItemText(progress, 620).find("ORVTWAIN") == std::string::npos; ++i)
        Sleep(5);
    Screenshot(progress, "setup_en_progress.bmp");
    PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
    HWND confirm = FindVisibleDialog(kCaption, IDNO, 10000);
    ASSERT_NE(confirm, nullptr);
    Sleep(300);
    Screenshot(confirm, "setup_en_exit.bmp");
    EXPECT_NE(ItemText(confirm, 720).find("Exit Setup?"), std::string::npos);
    // The question comes after the file being copied when Cancel was pressed, or the one after
    // it: which one, the source item tells. No goes on; a Cancel posted together with the No is
    // seen before the next file starts, so the question comes again after exactly one more file.
    // Yes after the 10th file of the run stops the copy.
    std::vector<Group> groups = ReadManifest();
    const Group& windows = groups.front();
    auto fileNumber = [&] {
        std::string source = ItemText(progress, 620);
        for (size_t k = 0; k < windows.names.size(); ++k) {
            std::string name = "\\" + Compressed(windows.names[windows.names.size() - 1 - k]);
            if (source.size() >= name.size() &&
                source.compare(source.size() - name.size(), name.size(), name) == 0)
                return static_cast<int>(k) + 1;
        }
        return 0;
    };
    int copied = fileNumber();
    ASSERT_GE(copied, 5);
    ASSERT_LE(copied, 10);
    while (copied < 10) {
        PostMessageA(confirm, WM_COMMAND, IDNO, 0);
        PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitForWindowGone(confirm, 5000));
        confirm = FindVisibleDialog(kCaption, IDNO, 10000);
        ASSERT_NE(confirm, nullptr);
        ASSERT_EQ(fileNumber(), ++copied);
    }
    PostMessageA(confirm, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(run.Wait(), 0u);

    // Exactly the last ten names of group 120 were copied; nothing after them, nothing
    // configured or registered.
    ASSERT_EQ(windows.names.size(), 13u);
    for (size_t i = 0; i < windows.names.size(); ++i)
        EXPECT_EQ(FileExists(WindowsDir() + windows.names[i]), i >= 3) << windows.names[i];
    EXPECT_FALSE(FileExists(AppDir()));
    EXPECT_FALSE(FileExists(WindowsDir() + "PIXTRAN"));
    EXPECT_FALSE(FileExists(AppDir() + "ORVDR01.EXE"));
    EXPECT_FALSE(FileExists(WindowsDir() + "SETSCAN.INI"));
    EXPECT_NE(Profile(AppDir() + "ORVANE.IFF", "Scanner", "CurrentScannerId"), "1");
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(FileExists(ProgramsFolder() + kGroup + "\\Orvane 2.0.lnk"));
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVANE.LST"));
    DeleteTree(slow);
}

TEST_F(SetupProgram, LanguageFromTheCommandLine) {
    {
        SetupRun run;
        HWND sheet = OpenModelPage(&run, "8", "Installation av Orvane", "setup_sv");
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(ItemText(CurrentWizardPage(sheet), 720),
                  "Klicka p\xe5 modellen f\xf6r din skanner.");
        Screenshot(GetAncestor(sheet, GA_ROOT), "setup_sv_model.bmp");
        Press(sheet, PSBTN_NEXT);
        HWND name = WaitForWizardPage(sheet, kChosenName);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(ItemText(name, 721), "Skannerns namn:");
        Screenshot(GetAncestor(sheet, GA_ROOT), "setup_sv_name.bmp");
        Press(sheet, PSBTN_CANCEL);
        EXPECT_EQ(run.Wait(), 0u);
    }
    // Text without digits reads as 0: English.
    SetupRun run;
    HWND sheet = OpenModelPage(&run, "abc");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(ItemText(CurrentWizardPage(sheet), 720), "Click the model of your scanner.");
    Press(sheet, PSBTN_CANCEL);
    EXPECT_EQ(run.Wait(), 0u);
}

TEST_F(SetupProgram, StartedOutsideADistribution) {
    std::string dir = WindowsDir() + "temp\\orvsetup_alone\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA((Medium() + "ORVSETUP.EXE").c_str(), (dir + "ORVSETUP.EXE").c_str(), FALSE));
    SetupRun run;
    run.Start("", dir + "ORVSETUP.EXE");
    HWND box = FindVisibleDialog("Scanner Controller - Error", IDOK, 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ItemText(box, 0xFFFF), dir + " \r\nInvalid pathname or directory.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(run.Wait(), 0u);
    EXPECT_FALSE(FileExists(WindowsDir() + "TWAIN_32.DLL"));
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVANE.LST"));
    DeleteTree(dir);
}

TEST_F(SetupProgram, DistributionCopy) {
    std::string root = "D:\\NETSETUP\\";
    DeleteTree(root);
    DeleteTree("D:\\NETSET2\\");
    ASSERT_TRUE(CreateDirectoryA("D:\\NETSETUP", nullptr)) << "drive D: is not mapped";
    ASSERT_TRUE(CreateDirectoryA("D:\\NETSET2", nullptr));
    {
        SetupRun run;
        run.Start("D:\\NETSETUP");
        EXPECT_EQ(run.Wait(), 0u); // ends by itself: no wizard
    }
    SetupRun second;
    second.Start("D:\\NETSET2\\");
    EXPECT_EQ(second.Wait(), 0u);
    // A target root that does not exist: nothing is made.
    SetupRun nowhere;
    nowhere.Start("D:\\NOWHERE");
    EXPECT_EQ(nowhere.Wait(), 0u);
    EXPECT_FALSE(FileExists("D:\\NOWHERE"));
    // A path longer than the target root is refused at once.
    SetupRun tooLong;
    tooLong.Start("D:\\" + std::string(300, 'x'));
    EXPECT_EQ(tooLong.Wait(5000), 0u);

    int files = 0;
    for (const Group& group : ReadManifest()) {
        for (const std::string& name : group.names) {
            std::string shipped = Medium() + group.source + "\\" + Compressed(name);
            std::string medium, copy, copy2;
            bool present = ReadWholeFile(shipped, &medium);
            EXPECT_EQ(ReadWholeFile(root + group.source + "\\" + Compressed(name), &copy), present)
                << name;
            ReadWholeFile("D:\\NETSET2\\" + group.source + "\\" + Compressed(name), &copy2);
            EXPECT_TRUE(copy == medium && copy2 == medium) << name;
            files += present;
        }
    }
    EXPECT_EQ(files, 79);
    EXPECT_FALSE(FileExists(WindowsDir() + "ORVANE.LST"));
    EXPECT_FALSE(FileExists(AppDir()));
    DeleteTree(root);
    DeleteTree("D:\\NETSET2\\");
}

} // namespace
