// ORVCLEAN.EXE run as the user runs it: an installed state laid out by hand from the installation
// manifest list (files, installed set and scanner list, uninstall entry, shared-file counts), the
// Program Manager stand-in serving "PROGMAN" and recording what it is sent, the confirmation box
// found on the desktop and answered with its own Yes or No button. The expected user language
// block comes from ORV_UNINSTALL_BLOCK (the tests also run under LC_ALL=de_DE and sv_SE).
#include "harness.h"
#include "progman_client.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane20";
const char kSharedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr int kMessageTextId = 0xFFFF; // the static text of a message box

// What the user of each language block sees and what the installer named in that block.
struct BlockTexts {
    int block;
    const char* className; // cut to 19 characters
    const char* title;     // cut to 19 characters
    const char* text;
    const char* caption;
    const char* group;
    const char* uninstallItem;
};
const char kEnglishConfirm[] = "Are you sure you want to completely remove the selected\r\n"
                               "application and all of its components?.";
const BlockTexts kBlocks[] = {
    {1, "Orvdr Uninstall", "Uninstall Program", kEnglishConfirm, "Confirm File Deletion",
     "Kelto Applications", "Uninstall Orvane 2.0"},
    {3, "Orvdr-Deinstallatio", "Programm deinstalli", kEnglishConfirm, "L\xF6schen best\xE4tigen",
     "Kelto-Anwendungen", "Orvane 2.0-Deinstallation"},
    {7, "Orvdr-avinstallatio", "Avinstallera progra",
     "Vill du verkligen ta bort det markerade programmet och alla\r\n"
     "dess komponenter fullst\xE4ndigt?",
     "Bekr\xE4"
     "fta filborttagning",
     "Kelto-program ", "Orvane 2.0 avinstallation"},
};
const BlockTexts& Expected() {
    char value[8] = "";
    GetEnvironmentVariableA("ORV_UNINSTALL_BLOCK", value, sizeof value);
    int block = value[0] ? atoi(value) : 1;
    for (const BlockTexts& texts : kBlocks)
        if (texts.block == block)
            return texts;
    ADD_FAILURE() << "no texts for block " << block;
    return kBlocks[0];
}

struct ManifestFile {
    int group;
    std::string dir; // below the Windows directory, ending in "\" (empty for the directory)
    std::string name;
    std::string path; // full path
};
// The installation groups of the manifest list the installation program is built from.
std::vector<ManifestFile> ReadManifestList() {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(SourcePath("setup/manifest.txt"), &text));
    std::vector<ManifestFile> files;
    int group = 0;
    std::string dir;
    bool driver = false;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.compare(0, 6, "group ") == 0) {
            char source[64] = "", destination[64] = "", kind[64] = "";
            sscanf(line.c_str(), "group %d %63s %63s %63s", &group, source, destination, kind);
            driver = std::string(kind) == "driver";
            dir = std::string(destination) == "-" ? "" : std::string(destination) + "\\";
        } else if (!driver) {
            files.push_back({group, dir, line, WindowsDir() + dir + line});
        }
    }
    return files;
}

// Registry helpers on HKEY_LOCAL_MACHINE.
bool ReadCount(const std::string& valueName, DWORD* count) {
    DWORD size = sizeof *count;
    return RegGetValueA(HKEY_LOCAL_MACHINE, kSharedKey, valueName.c_str(), RRF_RT_REG_DWORD,
                        nullptr, count, &size) == ERROR_SUCCESS;
}
bool CountExists(const std::string& valueName) {
    return RegGetValueA(HKEY_LOCAL_MACHINE, kSharedKey, valueName.c_str(), RRF_RT_ANY, nullptr,
                        nullptr, nullptr) == ERROR_SUCCESS;
}
void SetCount(const std::string& valueName, DWORD count) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedKey, valueName.c_str(), REG_DWORD, &count,
                              sizeof count),
              ERROR_SUCCESS);
}
bool KeyExists(const char* key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// Every file of a directory (and below it when `recursive`), with its content, for before/after
// comparisons.
void ListTree(const std::string& dir, std::map<std::string, std::string>* files,
              bool recursive = true) {
    ForEachDirectoryEntry(dir, [&](const WIN32_FIND_DATAA& found) {
        const std::string path = dir + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*files)[path + "\\"] = "";
            if (recursive)
                ListTree(path + "\\", files);
        } else {
            ReadWholeFile(path, &(*files)[path]);
        }
    });
}

struct UninstallFixture : ::testing::Test {
    std::vector<ManifestFile> manifest = ReadManifestList();
    std::vector<std::string> savedAside; // files of the Windows tree moved out of the way
    std::vector<std::string> madeDirs;   // directories this test created outside KELTO32
    std::string progmanDir = WindowsDir() + "orvclean_progman\\";
    HANDLE standIn = nullptr;
    const BlockTexts& texts = Expected();

    void SetUp() override {
        ResetInstall();
        // With the 64-bit library and its import library, and the 32-bit import library.
        ASSERT_EQ(manifest.size(), 28u);
        // Files of the prefix that share a manifest name (Wine's own TWAIN files, for one) are
        // moved aside and put back afterwards.
        for (const ManifestFile& file : manifest) {
            if (file.group != 220 && FileExists(file.path)) {
                ASSERT_TRUE(MoveFileExA(file.path.c_str(), (file.path + ".orvsaved").c_str(),
                                        MOVEFILE_REPLACE_EXISTING));
                savedAside.push_back(file.path);
            }
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
        HKEY shared = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &shared, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(shared);
        ClearCounts();
    }
    void TearDown() override {
        StopStandIn();
        KillProcessesNamed("ORVCLEAN.EXE");
        EndFolderWindows();
        for (const ManifestFile& file : manifest)
            if (file.group != 220)
                DeleteFileA(file.path.c_str());
        DeleteFileA((WindowsDir() + "PIXTRAN\\VEXSCAN.PXW").c_str());
        for (const std::string& path : savedAside)
            MoveFileExA((path + ".orvsaved").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        for (auto dir = madeDirs.rbegin(); dir != madeDirs.rend(); ++dir)
            RemoveDirectoryA(dir->c_str());
        DeleteFileA((progmanDir + "progman_standin.exe").c_str());
        DeleteFileA((progmanDir + "progman_standin.log").c_str());
        RemoveDirectoryA(progmanDir.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
        ClearCounts();
        ResetInstall();
    }
    void ClearCounts() {
        for (const ManifestFile& file : manifest)
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSharedKey, file.path.c_str());
    }
    void MakeDir(const std::string& dir) {
        if (CreateDirectoryA(dir.c_str(), nullptr) && dir != AppDir())
            madeDirs.push_back(dir);
    }

    // The stand-in service, answering description requests with `reply`.
    void StartStandIn(const std::string& reply) {
        MakeDir(progmanDir);
        standIn = StartProgmanStandIn(progmanDir, "Reply=" + reply);
        ASSERT_NE(standIn, nullptr);
    }
    void StopStandIn() { StopProgram(&standIn); }
    // What the service received after it was ready.
    std::string Received() {
        std::string log;
        ReadWholeFile(progmanDir + "progman_standin.log", &log);
        size_t ready = log.find("READY \r\n");
        return ready == std::string::npos ? log : log.substr(ready + 8);
    }

    // A complete installation of scanners 7 and 12 (12 a pixel-driver model), with a model 3
    // that was installed once and removed again, and the files no installation lists.
    void LayOutInstallation(const std::string& installedSet) {
        MakeDir(AppDir());
        for (const ManifestFile& file : manifest) {
            MakeDir(WindowsDir() + file.dir);
            if (file.name == "ORVCLEAN.EXE")
                ASSERT_TRUE(CopyFileA(BinPath("ORVCLEAN.EXE").c_str(), file.path.c_str(), FALSE));
            else
                ASSERT_TRUE(WriteTextFile(file.path, "installed " + file.name));
        }
        ASSERT_TRUE(WriteTextFile(AppDir() + "ORVANE.LST",
                                  "; Orvane scanner list\r\n"
                                  "   3  | Vexa_Hand_II        | ORVDR03.EX_ | Ynone\r\n"
                                  "   7  | Vexa_Desk_100       | ORVDR07.EX_ | TVexaDesk\r\n"
                                  "  12  | Vexa_FlatBed_IIc    | ORVDR12.EX_ | IVEXSCAN\r\n"
                                  "  13  | Vexa_FlatBed_IId    | ORVDR12.EX_ | IVEXSCAN\r\n"
                                  "  40  | Vexa_Nodriver       |\r\n"));
        ASSERT_TRUE(WriteTextFile(AppDir() + "ORVANE.ISS", installedSet));
        for (const char* driver : {"ORVDR03.EXE", "ORVDR07.EXE", "ORVDR09.EXE", "ORVDR12.EXE"})
            ASSERT_TRUE(WriteTextFile(AppDir() + driver, "driver program"));
        ASSERT_TRUE(WriteTextFile(AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"));
        ASSERT_TRUE(WriteTextFile(AppDir() + "ORVLIB.LOG", "enter : ORV_Init\r\n"));
        ASSERT_TRUE(WriteTextFile(WindowsDir() + "PIXTRAN\\VEXSCAN.PXW", "pixel driver"));
        ASSERT_TRUE(WritePrivateProfileStringA("Scanner", "Driver", "VEXSCAN", "SETSCAN.INI"));

        HKEY entry = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0,
                                  const_cast<char*>("Orvane Uninstall"), 0, KEY_ALL_ACCESS, nullptr,
                                  &entry, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(entry, "DisplayName", 0, REG_SZ, (const BYTE*)"Orvane 2.0", 11);
        std::string command = WindowsDir() + "ORVCLEAN.EXE";
        RegSetValueExA(entry, "UninstallString", 0, REG_SZ, (const BYTE*)command.c_str(),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(entry);
        for (const ManifestFile& file : manifest)
            if (file.group != 320)
                SetCount(file.path, 1);
    }
    const ManifestFile& File(const char* name) {
        for (const ManifestFile& file : manifest)
            if (file.name == name)
                return file;
        ADD_FAILURE() << name << " not in the manifest";
        return manifest[0];
    }

    // Starts the uninstaller from the Windows directory, as its program item does, answers its
    // confirmation with the button `answer` and returns its exit code.
    DWORD RunAndAnswer(int answer) {
        HANDLE process = StartProgram(WindowsDir() + "ORVCLEAN.EXE", WindowsDir().c_str());
        EXPECT_NE(process, nullptr);
        if (!process)
            return 0xFFFFFFFF;
        HWND box = WaitForMessageBox(texts.caption, 15000);
        EXPECT_NE(box, nullptr) << "no confirmation box";
        if (box)
            Answer(box, answer);
        DWORD code = 0xFFFFFFFF;
        EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        EndFolderWindows();
        return code;
    }
    static void Answer(HWND box, int answer) {
        HWND button = GetDlgItem(box, answer);
        ASSERT_NE(button, nullptr);
        SendMessageA(button, BM_CLICK, 0, 0);
    }
    std::string Text(HWND window) {
        char text[512] = "";
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
};

// The question comes before anything goes: the hidden main window owns the box, the texts are
// those of the user's language, and No leaves files, registry and Program Manager untouched.
TEST_F(UninstallFixture, ConfirmationInUserLanguageAndNoRemovesNothing) {
    LayOutInstallation("27<");
    StartStandIn("0");
    SetCount(File("ORVMAIN.EXE").path, 3);
    // The Windows directory's own files and the trees the installation writes to.
    auto snapshot = [](std::map<std::string, std::string>* files) {
        ListTree(WindowsDir(), files, false);
        for (const char* dir : {"KELTO32\\", "PIXTRAN\\", "SYSTEM\\"})
            ListTree(WindowsDir() + dir, files);
    };
    std::map<std::string, std::string> before, after;
    snapshot(&before);

    HANDLE process = StartProgram(WindowsDir() + "ORVCLEAN.EXE", WindowsDir().c_str());
    ASSERT_NE(process, nullptr);
    HWND box = WaitForMessageBox(texts.caption, 15000);
    ASSERT_NE(box, nullptr);
    HWND main = FindWindowA(texts.className, nullptr);
    ASSERT_NE(main, nullptr) << "no window of class " << texts.className;
    EXPECT_EQ(Text(main), texts.title);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    EXPECT_EQ(Text(GetDlgItem(box, kMessageTextId)), texts.text);
    EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDOK), nullptr);
    if (texts.block == 3) {
        Sleep(500); // let the box finish drawing
        EXPECT_TRUE(SaveScreenshot(box, BinPath("uninstall_confirm_de.bmp")));
    }
    Answer(box, IDNO);
    ASSERT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_EQ(code, 0u);

    snapshot(&after);
    EXPECT_TRUE(before == after) << "files changed after No";
    EXPECT_TRUE(KeyExists(kUninstallKey));
    DWORD count = 0;
    EXPECT_TRUE(ReadCount(File("ORVMAIN.EXE").path, &count));
    EXPECT_EQ(count, 3u);
    EXPECT_TRUE(ReadCount(File("ORVLIB32.DLL").path, &count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(Received(), "");
}

// Yes: the installed scanners' driver programs and every manifest file go, then the items and
// the empty group, the uninstall entry and the counts; what no installation lists stays, and
// with it the directories that hold it.
TEST_F(UninstallFixture, YesRemovesTheInstallationAndLeavesOnlyTheUnlisted) {
    // Installed: 7, 12, 13 (13 shares 12's driver program), 9, which no list line carries, 40,
    // whose line names no driver program, and a damaged byte "/" that holds no id.
    LayOutInstallation("6/7<=9X");
    StartStandIn("0");
    // A shared file another program still counts on, one counted once, one counted as 0 and
    // one that carries no count.
    SetCount(File("TWAIN_32.DLL").path, 3);
    SetCount(File("ORVMAIN.EXE").path, 0);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSharedKey, File("ORVLIB.H").path.c_str());

    EXPECT_EQ(RunAndAnswer(IDYES), 0u);

    EXPECT_FALSE(FileExists(AppDir() + "ORVDR07.EXE"));
    EXPECT_FALSE(FileExists(AppDir() + "ORVDR12.EXE"));
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR03.EXE")); // model no longer installed
    EXPECT_TRUE(FileExists(AppDir() + "ORVDR09.EXE")); // installed id without a list line
    for (const ManifestFile& file : manifest) {
        SCOPED_TRACE(file.path);
        bool shared = file.name == "TWAIN_32.DLL";
        // The TWAIN source manager stays whatever its count; its counts go down like the rest.
        bool twain = file.group == 120 && file.name.compare(0, 2, "TW") == 0;
        // Group SYSTEM is looked for in the Windows directory's SYSTEM folder, where it was
        // laid out; the running uninstaller may not be able to delete itself.
        if (file.name != "ORVCLEAN.EXE") {
            EXPECT_EQ(FileExists(file.path), twain);
        }
        DWORD count = 0;
        if (shared) {
            EXPECT_TRUE(ReadCount(file.path, &count));
            EXPECT_EQ(count, 2u);
        } else {
            EXPECT_FALSE(CountExists(file.path));
        }
    }
    EXPECT_FALSE(CountExists(File("ORVLIB.H").path)); // passed over, not created
    printf("ORVCLEAN.EXE after its own run: %s\n",
           FileExists(File("ORVCLEAN.EXE").path) ? "still there" : "deleted");
    EXPECT_FALSE(KeyExists(kUninstallKey));

    std::map<std::string, std::string> left;
    ListTree(AppDir(), &left);
    std::map<std::string, std::string> expected = {
        {AppDir() + "CAT.INI", "[ORVLIB]\r\nDEBUG_FLAG=1\r\n"},
        {AppDir() + "ORVLIB.LOG", "enter : ORV_Init\r\n"},
        {AppDir() + "ORVDR03.EXE", "driver program"},
        {AppDir() + "ORVDR09.EXE", "driver program"},
    };
    EXPECT_TRUE(left == expected);
    EXPECT_TRUE(FileExists(WindowsDir() + "PIXTRAN\\VEXSCAN.PXW"));
    EXPECT_TRUE(FileExists(WindowsDir() + "SETSCAN.INI"));

    std::string group = texts.group;
    EXPECT_EQ(Received(), "EXECUTE [ShowGroup(" + group +
                              ",8)]\r\n"
                              "EXECUTE [DeleteItem(Orvane 2.0)]\r\n"
                              "EXECUTE [ExitProgman(0)]\r\n"
                              "EXECUTE [ShowGroup(" +
                              group +
                              ",8)]\r\n"
                              "EXECUTE [DeleteItem(" +
                              texts.uninstallItem +
                              ")]\r\n"
                              "EXECUTE [ExitProgman(0)]\r\n"
                              "EXECUTE [ShowGroup(" +
                              group +
                              ",8)]\r\n"
                              "REQUEST " +
                              group +
                              "\r\n"
                              "EXECUTE [DeleteGroup(" +
                              group +
                              ")]\r\n"
                              "EXECUTE [ExitProgman(0)]\r\n");
}

// With the application directory left empty it goes too; a group that still holds another
// program's item stays. The installed set "1" "7" with a list line for 7 takes ORVDR07.EXE
// before the installed set itself goes with its group.
TEST_F(UninstallFixture, EmptyApplicationDirectoryGoesAndAGroupWithForeignItemsStays) {
    LayOutInstallation("17");
    StartStandIn("1");
    for (const char* other : {"ORVDR03.EXE", "ORVDR09.EXE", "ORVDR12.EXE"})
        ASSERT_TRUE(DeleteFileA((AppDir() + other).c_str()));
    DeleteFileA((AppDir() + "CAT.INI").c_str());
    DeleteFileA((AppDir() + "ORVLIB.LOG").c_str());

    EXPECT_EQ(RunAndAnswer(IDYES), 0u);
    EXPECT_EQ(GetFileAttributesA(AppDir().c_str()), INVALID_FILE_ATTRIBUTES);
    std::string received = Received();
    EXPECT_NE(received.find(std::string("REQUEST ") + texts.group + "\r\n"), std::string::npos);
    EXPECT_EQ(received.find("DeleteGroup"), std::string::npos);
}

// Nothing installed and a Program Manager that does not answer the description request: Yes
// still ends with 0, and a group whose item count is unknown is not deleted.
TEST_F(UninstallFixture, NothingInstalledStillEndsWithZero) {
    ASSERT_TRUE(PlaceInWindows("ORVCLEAN.EXE"));
    StartStandIn("none");
    EXPECT_EQ(RunAndAnswer(IDYES), 0u);
    EXPECT_EQ(GetFileAttributesA(AppDir().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Received().find("DeleteGroup"), std::string::npos);
    EXPECT_FALSE(CountExists(File("ORVLIB32.DLL").path));
}

// Under Wine's own shell as Program Manager: the two items the installation program adds go,
// an item of another program stays, and so does the group folder (the shell does not tell how
// many items a group holds, so the group is never deleted).
TEST_F(UninstallFixture, WineShellLosesOurItemsAndKeepsTheGroup) {
    if (texts.block != 1)
        GTEST_SKIP() << "the installed names are set up in English";
    LayOutInstallation("17");
    char programs[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs), S_OK);
    std::string group = std::string(programs) + "\\" + texts.group + "\\";
    std::string controller = AppDir() + "ORVCNTL.EXE";
    std::string uninstaller = WindowsDir() + "ORVCLEAN.EXE";
    // As the installation program does it, plus a foreign item.
    ProgmanCreateGroup(texts.group, AppDir().c_str());
    ProgmanShowGroup(texts.group, 8);
    EXPECT_EQ(ProgmanAddItem(controller.c_str(), "Orvane 2.0", "", 0), 1);
    EXPECT_EQ(ProgmanAddItem(uninstaller.c_str(), texts.uninstallItem, "", 0), 1);
    EXPECT_EQ(ProgmanAddItem(controller.c_str(), "Other Kelto Tool", "", 0), 1);
    ProgmanExit(0);
    EndFolderWindows();
    ASSERT_TRUE(FileExists(group + "Orvane 2.0.lnk"));
    ASSERT_TRUE(FileExists(group + texts.uninstallItem + ".lnk"));

    EXPECT_EQ(RunAndAnswer(IDYES), 0u);
    EXPECT_FALSE(FileExists(group + "Orvane 2.0.lnk"));
    EXPECT_FALSE(FileExists(group + texts.uninstallItem + ".lnk"));
    EXPECT_TRUE(FileExists(group + "Other Kelto Tool.lnk"));
    EXPECT_NE(GetFileAttributesA(group.c_str()), INVALID_FILE_ATTRIBUTES);

    DeleteFileA((group + "Other Kelto Tool.lnk").c_str());
    RemoveDirectoryA(group.c_str());
}

// The group, item names, keys and value names of every block are those the installation
// program writes in the same block.
TEST(UninstallStrings, SameNamesAsTheInstallationProgramInEveryBlock) {
    HMODULE clean =
        LoadLibraryExA(BinPath("ORVCLEAN.EXE").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE setup =
        LoadLibraryExA(BinPath("ORVSETUP.EXE").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(clean, nullptr);
    ASSERT_NE(setup, nullptr);
    auto text = [](HMODULE module, int id) {
        char buffer[256] = "";
        LoadStringA(module, id, buffer, sizeof buffer);
        return std::string(buffer);
    };
    // Uninstaller offset, installation program offset.
    const int pairs[][2] = {{101, 101}, {102, 105}, {103, 107}, {104, 104},
                            {105, 106}, {106, 102}, {107, 103}};
    for (int block = 1; block <= 9; ++block) {
        for (const auto& pair : pairs) {
            SCOPED_TRACE("block " + std::to_string(block) + " string " + std::to_string(pair[0]));
            std::string ours = text(clean, block * 1000 + pair[0]);
            EXPECT_FALSE(ours.empty());
            EXPECT_EQ(ours, text(setup, block * 1000 + pair[1]));
        }
    }
    FreeLibrary(clean);
    FreeLibrary(setup);
}

} // namespace
