// The life of one installation, every step a real process as a user would run it: the test medium
// (tests/setup's fixture lays it out from this tree) → ORVSETUP.EXE with its wizard (model 7), and
// again over it (model 3) → the installed applet through the Control Panel caller (model 1
// installed from the medium and made the default, a model of the user's own defined and
// installed) → ORVSETUP.EXE once more (model 7), which keeps the user's model → a page scanned
// with orvscan.exe through the installed library, server and driver program → ORVCLEAN.EXE
// answered No, then Yes. The prefix's files (drive C:) and registry (HKLM\Software, HKCU) are
// compared with a snapshot taken before the installation; the comparison is printed and written
// to bin\lifecycle_comparison.txt.
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "applet_driver.h"
#include "applet_ids.h"
#include "bitmap_file.h"
#include "config_names.h"
#include "prefix_snapshot.h"
#include "setup_driver.h"
#include "windows_bitness.h"

namespace {

constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane20";
constexpr char kSharedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr char kGroup[] = "Kelto Applications";
constexpr char kScanDir[] = "C:\\ORVSCAN\\";
constexpr char kFirstModel[] = "Kelto ColorPro 24";   // id 7, pixel driver COLORPRO
constexpr char kSecondModel[] = "Kelto FlatScan 300"; // id 1, pixel driver FLATSCAN
constexpr char kAgainModel[] = "Kelto HandScan 400";  // id 3, pixel driver HANDSCAN
constexpr char kUserModel[] = "My Scan";              // id 100, the user's pixel driver MYSCAN
// The platform's own TWAIN manager in the Windows directory (a 64-bit prefix may have none): the
// installation lays its copy over it and counts it.
constexpr char kPlatformTwain[] = "C:\\windows\\TWAIN_32.DLL";

std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path);
    return std::string(path) + "\\";
}

std::string Upper(std::string text) {
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string Profile(const std::string& file, const char* section, const char* key) {
    char value[256];
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
    return value;
}

// The shared-file count key as a real Windows has it; the platform's own TWAIN manager, when the
// prefix has one in the Windows directory, counted once by the platform.
void CreateSharedCounts() {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    if (FileExists(kPlatformTwain))
        RegSetValueExA(key, kPlatformTwain, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                       sizeof one);
    RegCloseKey(key);
}

// Runs orvscan from its folder with its output in a file there.
DWORD RunOrvscan(const char* program, const std::string& arguments, std::string* output) {
    const std::string outputPath = std::string(kScanDir) + "orvscan-output.txt";
    RunResult run = RunProgram(std::string(kScanDir) + program + " " + arguments, 90000, kScanDir,
                               outputPath.c_str());
    *output = run.output;
    return run.exitCode;
}

template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(50))
        if (GetTickCount() - start >= timeoutMs)
            return false;
    return true;
}

// Everything an installation, the applet or a scan may leave, so the life cycle starts from a
// prefix without any of it (earlier tests of the run share the prefix).
void RemoveEverything() {
    for (const char* program : {"ORVSETUP.EXE", "ORVCLEAN.EXE", "cplcaller.exe", "orvscan.exe"})
        KillProcessesNamed(program);
    ResetInstall();
    for (const char* name :
         {"ORVLIB32.DLL", "ORVLIB32.LIB", "ORVLIB64.DLL", "ORVLIB64.LIB", "ORVCPL32.DLL",
          "ORVCLEAN.EXE", "ORVLIB.H", "ORVREAD.TXT", "ORVLIC.TXT", "ORVSCAN.TXT", "ORVPORT.TXT",
          "ORVTWAIN.TXT", "TWAIN.DLL", "TWUNK_16.EXE", "TWUNK_32.EXE", "ORVANE.LST"})
        DeleteFileA((WindowsDir() + name).c_str());
    DeleteTree(WindowsDir() + "PIXTRAN\\");
    DeleteTree(kScanDir);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSharedKey);
    DeleteTree(ProgramsFolder() + kGroup + "\\");
    CloseShellFolderWindows();
}

class LifeCycle : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveEverything();
        ASSERT_TRUE(FileExists(Medium() + "DRIVER\\ORVDRXX.EX_")) << "no test medium";
        CreateSharedCounts();
    }
    void TearDown() override {
        RemoveEverything();
        WriteTextFile(BinPath("lifecycle_comparison.txt"), report);
    }
    static std::string Medium() { return BinPath("medium\\"); }

    // Drive C: without the places the platform rewrites on its own (the test's temporary
    // files, Wine's logs) and the registry parts the system writes to.
    Snapshot Take() {
        Snapshot snapshot;
        SnapshotFiles("C:\\", {WindowsDir() + "temp\\", WindowsDir() + "logs\\"}, &snapshot);
        SnapshotRegistry(HKEY_LOCAL_MACHINE, "Software", "HKLM\\Software", &snapshot);
        SnapshotRegistry(HKEY_CURRENT_USER, "", "HKCU", &snapshot);
        return snapshot;
    }
    void Note(const std::string& text) {
        report += text;
        fputs(text.c_str(), stdout);
        fflush(stdout);
    }
    std::string report;
};

// Paths of a difference that name something of the system's (files of the installation, its
// registry entries); anything else is the platform's own doing.
bool Ours(const std::string& path) {
    static const char* const kMarks[] = {"ORV",      "KELTO",    "PIXTRAN",    "SETSCAN",
                                         "TWAIN",    "TWUNK",    "SHAREDDLLS", "CTL3D32",
                                         "MSVCRT20", "MSVCRT40", "OLEPRO32",   "CAT.INI"};
    std::string upper = Upper(path);
    for (const char* mark : kMarks)
        if (upper.find(mark) != std::string::npos)
            return true;
    return false;
}

std::vector<std::string> OursOnly(const std::vector<std::string>& paths) {
    std::vector<std::string> ours;
    for (const std::string& path : paths)
        if (Ours(path))
            ours.push_back(path);
    return ours;
}

TEST_F(LifeCycle, InstallConfigureScanUninstall) {
    const Snapshot before = Take();
    Note(std::string("== Before: ") + kPlatformTwain +
         (FileExists(kPlatformTwain) ? " present, counted once\n" : " absent\n"));

    // 1. The installation program from the medium, its wizard driven to Finish.
    DriveOutcome install = InstallWithWizard(Medium() + "ORVSETUP.EXE", kFirstModel);
    Note("== ORVSETUP.EXE\n" + install.log);
    ASSERT_TRUE(install.driven);
    EXPECT_EQ(install.exitCode, 0u);
    std::string iss;
    ASSERT_TRUE(ReadWholeFile(AppDir() + "ORVANE.ISS", &iss));
    EXPECT_EQ(iss, std::string("1") + char('0' + 7));
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR07.EXE"));
    EXPECT_TRUE(FileExists(WindowsDir() + "PIXTRAN\\COLORPRO.PXW"));
    EXPECT_TRUE(FileExists(ProgramsFolder() + kGroup + "\\Orvane 2.0.lnk"));
    EXPECT_TRUE(FileExists(ProgramsFolder() + kGroup + "\\Uninstall Orvane 2.0.lnk"));
    // The import library for 32-bit applications beside ORVLIB.H; the library for 64-bit
    // applications and its import library on 64-bit Windows only.
    EXPECT_TRUE(FileExists(WindowsDir() + "ORVLIB32.LIB"));
    EXPECT_EQ(FileExists(WindowsDir() + "ORVLIB64.DLL"), IsWindows64Bit());
    EXPECT_EQ(FileExists(WindowsDir() + "ORVLIB64.LIB"), IsWindows64Bit());
    const Snapshot installed = Take();
    Note(DescribeDifference("== What the installation added (+) and rewrote (~)",
                            CompareFiles(before, installed)));
    Note(DescribeDifference("== Registry after the installation",
                            Difference{OursOnly(CompareRegistry(before, installed).added),
                                       {},
                                       OursOnly(CompareRegistry(before, installed).rewritten)}));

    // The installation again over the first with another model, as a user who adds a scanner.
    DriveOutcome again = InstallWithWizard(Medium() + "ORVSETUP.EXE", kAgainModel);
    Note("== ORVSETUP.EXE again\n" + again.log);
    ASSERT_TRUE(again.driven);
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(InstalledSetBytes(), std::string("2") + char('0' + 7) + char('0' + 3));
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR03.EXE"));
    DWORD count = 0, size = sizeof count; // every count raised once more
    RegGetValueA(HKEY_LOCAL_MACHINE, kSharedKey, (AppDir() + "ORVMAIN.EXE").c_str(),
                 RRF_RT_REG_DWORD, nullptr, &count, &size);
    EXPECT_EQ(count, 2u);

    // 2. The installed applet: a further model from the medium, made the default scanner.
    {
        AppletRun applet;
        ASSERT_TRUE(applet.Start("", "Scanner Setup", BinPath("cplcaller.exe"),
                                 WindowsDir() + "ORVCPL32.DLL"));
        HWND dialog = applet.dialog;
        Press(dialog, IDC_ADD);
        HWND source = WaitForOwnedPopup(dialog, 5000);
        ASSERT_TRUE(source);
        Type(source, IDC_SOURCE_PATH, Medium() + "ORVSETUP.EXE");
        Press(source, IDOK);
        ASSERT_TRUE(WaitForWindowGone(source, 5000));
        ASSERT_TRUE(Eventually([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDC_ADD)); }));
        ASSERT_TRUE(SelectLine(dialog, IDC_CHOICE_LIST, kSecondModel));
        Press(dialog, IDC_INSTALL);
        ASSERT_TRUE(Eventually([&] { return InstalledSetBytes().size() == 4; }));
        ASSERT_TRUE(SelectLine(dialog, IDC_INSTALLED_LIST, kSecondModel));
        Press(dialog, IDC_SET_DEFAULT);
        ASSERT_TRUE(Eventually([] {
            return SelectionValue(kScannerSection, kCurrentScannerIdKey) == "1" &&
                   SelectionValue(kScannerSection, kAttrNeedUpdateKey) == "Y";
        }));
        SaveScreenshot(dialog, BinPath("lifecycle_applet.bmp"));
        // A model of the user's own with a pixel driver of theirs, installed beside.
        CreateDirectoryA(kScanDir, nullptr);
        const std::string userDriver = std::string(kScanDir) + "MYSCAN.PXW";
        ASSERT_TRUE(WriteTextFile(userDriver, "the user's pixel driver"));
        Press(dialog, IDC_BROWSE);
        HWND model = WaitForOwnedPopup(dialog, 5000);
        ASSERT_TRUE(model);
        Type(model, IDC_MODEL_NAME, kUserModel);
        Type(model, IDC_MODEL_DRIVER, userDriver);
        Press(model, IDOK);
        ASSERT_TRUE(WaitForWindowGone(model, 5000));
        ASSERT_TRUE(SelectLine(dialog, IDC_CHOICE_LIST, kUserModel));
        Press(dialog, IDC_INSTALL);
        ASSERT_TRUE(Eventually([] { return InstalledSetBytes().size() == 5; }));
        Press(dialog, IDC_CLOSE);
        EXPECT_TRUE(applet.Finish());
        Note("== Applet: installed \"" + std::string(kSecondModel) +
             "\" from the medium and made it the default; defined and installed \"" + kUserModel +
             "\"\n");
    }
    const std::string withUserModel =
        std::string("4") + char('0' + 7) + char('0' + 3) + char('0' + 1) + char('0' + 100);
    EXPECT_EQ(InstalledSetBytes(), withUserModel);
    EXPECT_EQ(SelectionValue(kScannerSection, kCurrentDriverKey), "ORVDR01.EXE");
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR01.EXE"));
    EXPECT_TRUE(FileExists(WindowsDir() + "PIXTRAN\\FLATSCAN.PXW"));
    EXPECT_EQ(Profile(WindowsDir() + "SETSCAN.INI", "Scanner", "Driver"), "FLATSCAN");

    // The installation once more: the shipped list replaces the one the user's model was added
    // to, and the model's line comes over with its id, so the uninstaller and the applet still
    // find it.
    DriveOutcome third = InstallWithWizard(Medium() + "ORVSETUP.EXE", kFirstModel);
    Note("== ORVSETUP.EXE once more\n" + third.log);
    ASSERT_TRUE(third.driven);
    EXPECT_EQ(third.exitCode, 0u);
    EXPECT_EQ(InstalledSetBytes(), withUserModel);
    std::string list;
    EXPECT_TRUE(ReadWholeFile(AppDir() + "ORVANE.LST", &list));
    EXPECT_NE(list.find("   100       |  My_Scan "), std::string::npos) << list;

    // 3. A page through the installed library, server and driver program, with a hand-made
    // trace switch.
    ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"));
    CreateDirectoryA(kScanDir, nullptr);
    ASSERT_TRUE(CopyFileA(BinPath("orvscan.exe").c_str(),
                          (std::string(kScanDir) + "orvscan.exe").c_str(), FALSE));
    std::string page = std::string(kScanDir) + "page.bmp";
    std::string output;
    DWORD scanned =
        RunOrvscan("orvscan.exe", "/mode:color /res:150 /area:0,0,200,120 /out:" + page, &output);
    Note("== orvscan.exe\n" + output);
    EXPECT_EQ(scanned, 0u) << output;
    BitmapImage bmp;
    ASSERT_TRUE(bmp.Load(page));
    EXPECT_EQ(bmp.info.biBitCount, 24);
    EXPECT_EQ(bmp.info.biWidth, 200);
    EXPECT_EQ(bmp.info.biHeight, 120);
    // The server's chart: black frame, white paper, the colour bars red (6th) and blue (7th).
    EXPECT_EQ(bmp.At(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(bmp.At(100, 6), (Rgb{255, 255, 255}));
    EXPECT_EQ(bmp.At(5 * 25 + 12, 99), (Rgb{255, 0, 0}));
    EXPECT_EQ(bmp.At(6 * 25 + 12, 99), (Rgb{0, 0, 255}));
    // A 32-bit test on 64-bit Windows: a 64-bit application scans the same page through the
    // installed ORVLIB64.DLL, server and driver program, and traces its calls to the same log.
    if (OnWow64()) {
        std::string trace32, traced;
        ReadWholeFile(AppDir() + "ORVLIB.LOG", &trace32);
        ASSERT_TRUE(CopyFileA(BinPath64("orvscan.exe").c_str(),
                              (std::string(kScanDir) + "orvscan64.exe").c_str(), FALSE));
        std::string page64 = std::string(kScanDir) + "page64.bmp", output64, bytes, bytes64;
        DWORD scanned64 = RunOrvscan(
            "orvscan64.exe", "/mode:color /res:150 /area:0,0,200,120 /out:" + page64, &output64);
        Note("== orvscan.exe, 64-bit, through ORVLIB64.DLL\n" + output64);
        EXPECT_EQ(scanned64, 0u) << output64;
        EXPECT_TRUE(ReadWholeFile(page, &bytes) && ReadWholeFile(page64, &bytes64) &&
                    bytes == bytes64)
            << "the 64-bit application's page differs";
        EXPECT_TRUE(ReadWholeFile(AppDir() + "ORVLIB.LOG", &traced) &&
                    traced.compare(0, trace32.size(), trace32) == 0 &&
                    traced.find("ORV_Init", trace32.size()) != std::string::npos)
            << traced;
    }
    std::string trace;
    EXPECT_TRUE(ReadWholeFile(AppDir() + "ORVLIB.LOG", &trace));
    EXPECT_NE(trace.find("ORV_Init"), std::string::npos);
    // The library closed the server when orvscan ended, and the driver program ends with it.
    EXPECT_TRUE(WaitUntil([] { return CountProcessesNamed("ORVMAIN.EXE") == 0; }, 15000));
    EXPECT_TRUE(WaitUntil([] { return CountProcessesNamed("ORVDR*") == 0; }, 15000));
    const Snapshot configured = Take();

    // 4. The uninstaller answered No: nothing changes.
    DriveOutcome no = AnswerUninstaller(WindowsDir() + "ORVCLEAN.EXE", false, [](HWND box) {
        Sleep(300); // let the box paint
        SaveScreenshot(box, BinPath("uninstall_confirm_en.bmp"));
    });
    Note("== ORVCLEAN.EXE, No\n" + no.log);
    ASSERT_TRUE(no.driven);
    EXPECT_EQ(no.exitCode, 0u);
    const Snapshot afterNo = Take();
    Difference noFiles = CompareFiles(configured, afterNo);
    Difference noRegistry = CompareRegistry(configured, afterNo);
    EXPECT_TRUE(noFiles.added.empty() && noFiles.removed.empty() && noFiles.rewritten.empty())
        << DescribeDifference("files", noFiles);
    EXPECT_TRUE(OursOnly(noRegistry.added).empty() && OursOnly(noRegistry.removed).empty() &&
                OursOnly(noRegistry.rewritten).empty())
        << DescribeDifference("registry", noRegistry);

    // 5. Yes: the prefix compared with the snapshot taken before the installation.
    DriveOutcome yes = AnswerUninstaller(WindowsDir() + "ORVCLEAN.EXE", true);
    Note("== ORVCLEAN.EXE, Yes\n" + yes.log);
    ASSERT_TRUE(yes.driven);
    EXPECT_EQ(yes.exitCode, 0u);
    DeleteTree(kScanDir); // the sample application is the user's, not the installation's
    const Snapshot after = Take();
    Difference files = CompareFiles(before, after);
    Difference registry = CompareRegistry(before, after);
    Note(DescribeDifference("== Files after the uninstallation, against before the installation",
                            files));
    Note(DescribeDifference("== Registry after the uninstallation, against before the installation",
                            registry));

    // What may stay: the files no installation lists (SETSCAN.INI, the hand-made CAT.INI, the
    // trace log, the pixel drivers) and their directories; the running uninstaller, which Wine
    // does not let delete itself; the group's Start Menu folder, which Wine's shell never
    // reports empty.
    const std::set<std::string> mayStay = {
        Upper(WindowsDir() + "SETSCAN.INI"),
        Upper(AppDir()),
        Upper(AppDir() + "CAT.INI"),
        Upper(AppDir() + "ORVLIB.LOG"),
        Upper(WindowsDir() + "PIXTRAN\\"),
        Upper(WindowsDir() + "PIXTRAN\\COLORPRO.PXW"),
        Upper(WindowsDir() + "PIXTRAN\\FLATSCAN.PXW"),
        Upper(WindowsDir() + "PIXTRAN\\HANDSCAN.PXW"),
        Upper(WindowsDir() + "PIXTRAN\\MYSCAN.PXW"),
        Upper(WindowsDir() + "ORVCLEAN.EXE"),
        // The TWAIN source manager the installation laid down where the prefix had none: the
        // uninstaller cannot tell it from the platform's and keeps it.
        Upper(WindowsDir() + "TWAIN.DLL"),
        Upper(WindowsDir() + "TWAIN_32.DLL"),
        Upper(WindowsDir() + "TWUNK_16.EXE"),
        Upper(WindowsDir() + "TWUNK_32.EXE"),
        Upper(ProgramsFolder() + kGroup + "\\"),
    };
    for (const std::string& path : files.added)
        EXPECT_TRUE(mayStay.count(Upper(path))) << "left behind: " << path;
    EXPECT_TRUE(files.removed.empty()) << DescribeDifference("removed", files);
    // Rewritten and still there: the platform's TWAIN manager, which the installation laid its
    // own copy over and whose platform count kept it, and the SYSTEM group's libraries, which
    // the installation expanded into the system directory (the uninstaller looks for them in
    // SYSTEM below the Windows directory); for a 32-bit installation program on 64-bit Windows
    // that is syswow64, which a 32-bit test also sees as system32.
    for (const std::string& path : files.rewritten) {
        std::string upper = Upper(path);
        bool expected = upper == Upper(kPlatformTwain) ||
                        upper.find("\\SYSTEM32\\") != std::string::npos ||
                        upper.find("\\SYSWOW64\\") != std::string::npos || !Ours(path);
        EXPECT_TRUE(expected) << "rewritten: " << path;
    }
    // A shared count stays only with a file that stays (the TWAIN manager, the running
    // uninstaller): two installations raised it twice, one removal lowers it once.
    auto uncounted = [](const std::vector<std::string>& paths) {
        std::vector<std::string> left;
        for (const std::string& path : OursOnly(paths)) {
            const std::string mark = "\\SHAREDDLLS\\";
            size_t at = Upper(path).find(mark);
            if (at == std::string::npos || !FileExists(path.substr(at + mark.size())))
                left.push_back(path);
        }
        return left;
    };
    EXPECT_TRUE(uncounted(registry.added).empty()) << DescribeDifference("registry", registry);
    EXPECT_TRUE(OursOnly(registry.removed).empty()) << DescribeDifference("registry", registry);
    EXPECT_TRUE(uncounted(registry.rewritten).empty()) << DescribeDifference("registry", registry);
    // The Start Menu folder stays empty.
    EXPECT_FALSE(FileExists(ProgramsFolder() + kGroup + "\\Orvane 2.0.lnk"));
    EXPECT_FALSE(FileExists(ProgramsFolder() + kGroup + "\\Uninstall Orvane 2.0.lnk"));
}

} // namespace
