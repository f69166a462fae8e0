#include "removal_steps.h"

#include "config_names.h"
#include "manifest_groups.h"
#include "model_install.h"
#include "progman_client.h"
#include "scanner_list.h"
#include "windows_path.h"

#include <cstring>
#include <string>

namespace {

// Program Manager's show command: show the group window as it is, without activating it.
constexpr uint16_t kShowGroupAsIs = 8;

void DeleteIfPresent(const char* path) {
    if (FileExists(path))
        DeleteFileA(path);
}
bool AppDirPath(const RemovalRun* run, const char* name, char (&path)[kPathChars]) {
    char appDir[kPathChars];
    return JoinPath(appDir, sizeof appDir, run->baseDir, kAppDirName) &&
           JoinPath(path, sizeof path, appDir, name);
}

// A group holds its count and directory, then its names from g + 2; a group may be empty.
constexpr ManifestLayout kRemovalLayout = {2};

int ReadManifestString(void* context, int id, char* out, int size) {
    out[0] = '\0';
    return LoadStringA(static_cast<HINSTANCE>(context), id, out, size);
}

// Reads a shared-file count; false when there is none that fits 4 bytes.
bool ReadSharedCount(HKEY key, const char* valueName, uint32_t* count) {
    DWORD type = 0;
    DWORD size = sizeof *count;
    return RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(count),
                            &size) == ERROR_SUCCESS &&
           size == sizeof *count;
}

bool IsTwainManagerFile(const char* name) {
    for (const char* file : kTwainManagerFiles)
        if (lstrcmpiA(name, file) == 0)
            return true;
    return false;
}

} // namespace

bool ReadBaseDirectory(char (&baseDir)[kPathChars]) {
    return WindowsDirectory(baseDir, sizeof baseDir);
}

void LoadRemovalRun(HINSTANCE module, int block, const char* baseDir, RemovalRun* run) {
    memset(run, 0, sizeof *run);
    run->module = module;
    CopyText(run->baseDir, sizeof run->baseDir, baseDir);
    const struct {
        int k;
        char* buffer;
        int size;
    } strings[] = {
        {IDS_GROUP, run->group, kNameChars},
        {IDS_CONTROLLER_ITEM, run->controllerItem, kNameChars},
        {IDS_UNINSTALL_ITEM, run->uninstallItem, kNameChars},
        {IDS_UNINSTALL_KEY, run->uninstallKey, kPathChars},
        {IDS_SHARED_DLLS_KEY, run->sharedDllsKey, kPathChars},
        {IDS_DISPLAY_NAME, run->displayNameValue, kPathChars},
        {IDS_UNINSTALL_STRING, run->uninstallStringValue, kPathChars},
    };
    for (const auto& s : strings)
        LoadStringA(module, block * 1000 + s.k, s.buffer, s.size);
}

void RemoveDriverPrograms(const RemovalRun* run) {
    char path[kPathChars];
    if (!AppDirPath(run, kInstalledSetFile, path))
        return;
    // Read as it is: a missing installed set is not created here.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    uint8_t image[kInstalledSetMaxBytes];
    DWORD got = 0;
    if (!ReadFile(file, image, sizeof image, &got, nullptr))
        got = 0;
    CloseHandle(file);
    InstalledSet set;
    LoadInstalledSet(image, got, &set);
    const int n = InstalledCount(&set);
    if (n == 0 || !AppDirPath(run, kScannerListFile, path))
        return;
    std::string list;
    if (!ReadFileText(path, kListFileMaxBytes, &list))
        return;
    for (int i = 1; i <= n; ++i) {
        const int id = InstalledIdAt(&set, i);
        char program[kModelFileChars + 1];
        if (id == kNoScannerId || !InstalledDriverProgram(list.data(), list.size(), id, program))
            continue;
        if (AppDirPath(run, program, path))
            DeleteIfPresent(path);
    }
}

int ReadManifestGroups(const RemovalRun* run, ManifestGroup (&groups)[kMaxManifestGroups]) {
    const int total = ManifestNumber(ReadManifestString, run->module, kManifestTotalId);
    ManifestGroupSpan spans[kMaxManifestGroups];
    // The groups beyond the total: their files go wherever they were installed.
    int found = WalkManifestGroups(ReadManifestString, run->module, total, kRemovalLayout, spans);
    for (int beyond : {kWindows64Group, kLibrary32Group})
        found =
            AddManifestGroup(ReadManifestString, run->module, beyond, kRemovalLayout, spans, found);
    for (int k = 0; k < found; ++k) {
        ManifestGroup& group = groups[k];
        group.id = spans[k].id;
        group.count = spans[k].count;
        char relative[kPathChars] = "";
        LoadStringA(run->module, group.id + 1, relative, kPathChars);
        if (!JoinPath(group.dir, sizeof group.dir, run->baseDir, relative) ||
            !EndWithBackslash(group.dir, sizeof group.dir))
            return -1;
    }
    return found;
}

bool ManifestFilePath(const RemovalRun* run, const ManifestGroup& group, int index,
                      char (&path)[kPathChars]) {
    char name[kPathChars];
    if (LoadStringA(run->module, group.id + kRemovalLayout.firstName - 1 + index, name,
                    kPathChars) <= 0)
        return false;
    return JoinPath(path, sizeof path, group.dir, name);
}

void RemoveManifestFiles(const RemovalRun* run) {
    ManifestGroup groups[kMaxManifestGroups];
    int found = ReadManifestGroups(run, groups);
    // Every installation raises every count, so a count above 1 may be only our own: the
    // package's files go whatever their counts. Only the platform's libraries of SYSTEM, which
    // other programs use, stay while a count says so; ReleaseSharedFileCounts lowers it.
    HKEY shared = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, run->sharedDllsKey, 0, KEY_QUERY_VALUE, &shared) !=
        ERROR_SUCCESS)
        shared = nullptr;
    for (int k = 0; k < found; ++k) {
        const ManifestGroup& group = groups[k];
        for (int i = group.count; i >= 1; --i) {
            char path[kPathChars];
            if (!ManifestFilePath(run, group, i, path))
                continue;
            // The TWAIN source manager stays whatever its count: neither a missing count (no
            // SharedDlls key) nor a count of 1 (the platform never counted its own copy) shows
            // that this installation brought it, and deleting it breaks every TWAIN program.
            if (group.id == kWindowsGroup && IsTwainManagerFile(path + strlen(group.dir)))
                continue;
            uint32_t count = 0;
            if (shared && group.id == kSystemGroup && ReadSharedCount(shared, path, &count) &&
                count > 1)
                continue;
            DeleteIfPresent(path);
        }
    }
    if (shared)
        RegCloseKey(shared);
}

void RemoveProgramGroup(const RemovalRun* run) {
    for (const char* item : {run->controllerItem, run->uninstallItem}) {
        ProgmanShowGroup(run->group, kShowGroupAsIs);
        ProgmanDeleteItem(item);
        ProgmanExit(0);
    }
    ProgmanShowGroup(run->group, kShowGroupAsIs);
    ProgmanDeleteGroupIfEmpty(run->group);
    ProgmanExit(0);
}

void RemoveUninstallEntry(const RemovalRun* run) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, run->uninstallKey, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        RegDeleteValueA(key, run->displayNameValue);
        RegDeleteValueA(key, run->uninstallStringValue);
        RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, run->uninstallKey);
}

void ReleaseSharedFileCounts(const RemovalRun* run) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, run->sharedDllsKey, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return;
    ManifestGroup groups[kMaxManifestGroups];
    int found = ReadManifestGroups(run, groups);
    for (int counted :
         {kWindowsGroup, kAppDirGroup, kSystemGroup, kWindows64Group, kLibrary32Group}) {
        for (int k = 0; k < found; ++k) {
            if (groups[k].id != counted)
                continue;
            for (int i = 1; i <= groups[k].count; ++i) {
                char valueName[kPathChars];
                uint32_t count = 0;
                if (!ManifestFilePath(run, groups[k], i, valueName) ||
                    !ReadSharedCount(key, valueName, &count))
                    continue;
                // A count belongs to its file: once the file is gone, so is its count, however
                // many installations raised it.
                if (count <= 1 || !FileExists(valueName)) {
                    RegDeleteValueA(key, valueName);
                } else {
                    DWORD lowered = count - 1;
                    RegSetValueExA(key, valueName, 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&lowered), sizeof lowered);
                }
            }
        }
    }
    RegCloseKey(key);
}

void RemoveAppDirectory(const RemovalRun* run) {
    char path[kPathChars];
    if (JoinPath(path, sizeof path, run->baseDir, kAppDirName))
        RemoveDirectoryA(path);
}

void RunRemoval(const RemovalRun* run) {
    RemoveDriverPrograms(run);
    RemoveManifestFiles(run);
    RemoveProgramGroup(run);
    RemoveUninstallEntry(run);
    ReleaseSharedFileCounts(run);
    RemoveAppDirectory(run);
}
