// What a complete installation records besides its model (model_install.h): the Program Manager
// items, the uninstall entry and the shared-file counts. Every step is silent about its failures; a
// later installation runs the same steps again.
#include <cstring>

#include "config_names.h"
#include "orvsetup_manifest.h"
#include "progman_client.h"
#include "setup.h"
#include "windows_bitness.h"
#include "windows_path.h"

namespace {

constexpr int kNameBytes = 128;
constexpr int kTextBytes = 256;
constexpr uint16_t kShowGroupCommand = 8;

// One series of Program Manager commands: the group shown (or made), an older item of the same
// name removed, the item added.
void AddProgramItem(const char* group, const char* directory, const char* itemName,
                    const char* commandLine) {
    // A shell may accept showing a group it does not have (Wine's does) without making it, so the
    // group is also created when showing it succeeded: creating an existing group only shows it.
    bool shown = ProgmanShowGroup(group, kShowGroupCommand) == 1;
    ProgmanCreateGroup(group, directory);
    if (!shown)
        ProgmanShowGroup(group, kShowGroupCommand);
    ProgmanDeleteItem(itemName);
    ProgmanAddItem(commandLine, itemName, "", 0);
    ProgmanExit(0);
}

// Raises the shared count of one installed file: a readable 4-byte count gains one, anything
// else starts at 1.
void RaiseCount(HKEY key, const char* valueName) {
    DWORD count = 0;
    DWORD size = sizeof count;
    DWORD type = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) ==
        ERROR_SUCCESS)
        ++count;
    else
        count = 1;
    RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                   sizeof count);
}

// Raises the shared counts of names first..first+count-1 of the manifest, each below target
// root + directory.
void RaiseManifestNameCounts(HKEY key, const char* targetRoot, int first, int count,
                             const char* directory) {
    for (int id = first; id < first + count; ++id) {
        char name[kSetupPathBytes] = "";
        LoadStringA(g_program.instance, id, name, sizeof name);
        char valueName[kSetupPathBytes * 3];
        wsprintfA(valueName, "%s%s%s", targetRoot, directory, name);
        RaiseCount(key, valueName);
    }
}

} // namespace

void CreateProgramItems() {
    char group[kNameBytes];
    char item[kNameBytes];
    char directory[kSetupPathBytes];
    char commandLine[kSetupPathBytes];
    LoadBlockString(IDS_GROUP, group, sizeof group);

    WindowsPath(directory, sizeof directory, kAppDirName);
    JoinPath(item, sizeof item, kAppDirName, "ORVCNTL.EXE");
    WindowsPath(commandLine, sizeof commandLine, item);
    LoadBlockString(IDS_CONTROLLER_ITEM, item, sizeof item);
    AddProgramItem(group, directory, item, commandLine);

    WindowsDirectory(directory, sizeof directory);
    WindowsPath(commandLine, sizeof commandLine, "ORVCLEAN.EXE");
    LoadBlockString(IDS_UNINSTALL_ITEM, item, sizeof item);
    AddProgramItem(group, directory, item, commandLine);
}

void WriteUninstallEntry(const InstallPlan& plan) {
    char keyName[kTextBytes];
    char className[kTextBytes];
    LoadBlockString(IDS_UNINSTALL_KEY, keyName, sizeof keyName);
    LoadBlockString(IDS_UNINSTALL_CLASS, className, sizeof className);
    HKEY key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, className, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return;
    if (disposition == REG_CREATED_NEW_KEY) {
        char valueName[kTextBytes];
        char value[kSetupPathBytes];
        LoadBlockString(IDS_DISPLAY_NAME_VALUE, valueName, sizeof valueName);
        LoadBlockString(IDS_CONTROLLER_ITEM, value, sizeof value);
        RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
        LoadBlockString(IDS_UNINSTALL_STRING_VALUE, valueName, sizeof valueName);
        if (JoinPath(value, sizeof value, plan.targetRoot, "ORVCLEAN.EXE"))
            RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(strlen(value) + 1));
    }
    RegCloseKey(key);
}

void AddSharedFileCounts(const InstallPlan& plan) {
    char keyName[kTextBytes];
    LoadBlockString(IDS_SHARED_DLLS_KEY, keyName, sizeof keyName);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    // Fixed runs of the shipped manifest: the Windows directory's names, the application
    // directory's and the SYSTEM directory's, the last formed literally below the target root;
    // the import library for 32-bit applications, and on 64-bit Windows the 64-bit library's too.
    char appDir[kSetupPathBytes] = "";
    char systemDir[kSetupPathBytes] = "";
    LoadStringA(g_program.instance, MANIFEST_KELTO32_DESTINATION, appDir, sizeof appDir);
    LoadStringA(g_program.instance, MANIFEST_SYSTEM_DESTINATION, systemDir, sizeof systemDir);
    EndWithBackslash(appDir, sizeof appDir);
    EndWithBackslash(systemDir, sizeof systemDir);
    const char* root = plan.targetRoot;
    RaiseManifestNameCounts(key, root, MANIFEST_UTILS_FIRST_NAME, MANIFEST_UTILS_COUNT, "");
    RaiseManifestNameCounts(key, root, MANIFEST_KELTO32_FIRST_NAME, MANIFEST_KELTO32_COUNT, appDir);
    RaiseManifestNameCounts(key, root, MANIFEST_SYSTEM_FIRST_NAME, MANIFEST_SYSTEM_COUNT,
                            systemDir);
    RaiseManifestNameCounts(key, root, MANIFEST_UTILS32_FIRST_NAME, MANIFEST_UTILS32_COUNT, "");
    if (IsWindows64Bit()) // the library for 64-bit applications lies in the Windows directory
        RaiseManifestNameCounts(key, root, MANIFEST_UTILS64_FIRST_NAME, MANIFEST_UTILS64_COUNT, "");
    RegCloseKey(key);
}
