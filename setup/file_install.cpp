// Moving files from the distribution: the working files before the wizard, the manifest groups
// after Finish (expanded, never replacing a newer installed file nor the server's settings; after
// the total's groups the import library for 32-bit applications and, on 64-bit Windows, the
// library for 64-bit applications) and the whole distribution, still compressed, in distribution
// copy mode. The manifest is the string table below id 1000.
#include <cstring>

#include "config_names.h"
#include "language.h"
#include "manifest_groups.h"
#include "orvsetup_manifest.h"
#include "progress_gauge.h"
#include "setup.h"
#include "version_copy.h"
#include "windows_bitness.h"

namespace {

constexpr int kDriverGroup = MANIFEST_DRIVER_GROUP;
constexpr int kWindows64Group = MANIFEST_UTILS64_GROUP;
constexpr int kLibrary32Group = MANIFEST_UTILS32_GROUP;
// A group holds its count, source and destination directories, then its names from g + 3.
constexpr ManifestLayout kInstallLayout = {3};
constexpr int kSystemCompareChars = 23;
constexpr int kRawBlockBytes = 16384;

void LoadManifestString(int id, char* out, int size) {
    out[0] = '\0';
    LoadStringA(g_program.instance, id, out, size);
}
int ReadManifestString(void*, int id, char* out, int size) {
    LoadManifestString(id, out, size);
    return static_cast<int>(strlen(out));
}

void ToCompressedName(char* path) {
    size_t length = strlen(path);
    if (length > 0)
        path[length - 1] = '_';
}

// Makes the one directory a destination path names; a drive root ("D:\") is kept whole.
void MakeDestinationDirectory(const char* destinationDir) {
    char directory[kSetupPathBytes];
    CopyText(directory, sizeof directory, destinationDir);
    size_t length = strlen(directory);
    if (length > 1 && directory[length - 1] == '\\' && directory[length - 2] != ':')
        directory[length - 1] = '\0';
    CreateDirectoryA(directory, nullptr);
}

// One file of a group: expanded with the version check, or copied as it is.
void CopyOneFile(HWND dialog, CopyMode mode, const char* sourceDir, const char* destinationDir,
                 const char* name) {
    char source[kSetupPathBytes];
    char destination[kSetupPathBytes];
    if (!JoinPath(source, sizeof source, sourceDir, name) ||
        !JoinPath(destination, sizeof destination, destinationDir, name))
        return; // a path that does not fit is skipped like a missing file
    ToCompressedName(source);
    if (mode == CopyMode::Install) {
        // The server's settings name the user's scanner: an installation over an earlier one
        // keeps them.
        if (_stricmp(name, kServerSettingsFile) == 0 &&
            GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES)
            return;
        CopyIfNewer(dialog, IDC_FROM_PATH, IDC_TO_PATH, source, destination);
    } else {
        ToCompressedName(destination);
        CopyFileRaw(dialog, IDC_FROM_PATH, IDC_TO_PATH, source, destination);
    }
}

// The groups from 120 upward that add up to total, then the groups beyond the total this copy
// takes (the import library for 32-bit applications always, the 64-bit library's on 64-bit
// Windows or in a distribution copy); -1 when the walk's groups do not add up to the total: such a
// manifest is refused before anything is copied.
int PlanGroups(int total, bool withWindows64, ManifestGroupSpan (&groups)[kMaxManifestGroups]) {
    int found = WalkManifestGroups(ReadManifestString, nullptr, total, kInstallLayout, groups);
    if (withWindows64)
        found = AddManifestGroup(ReadManifestString, nullptr, kWindows64Group, kInstallLayout,
                                 groups, found);
    return AddManifestGroup(ReadManifestString, nullptr, kLibrary32Group, kInstallLayout, groups,
                            found);
}

int CopyGroups(HWND owner, HWND dialog, CopyMode mode, const ManifestGroupSpan* groups, int found,
               const char* sourceRoot, const char* targetRoot) {
    ClearGaugeCancel();
    int total = 0;
    for (int i = 0; i < found; ++i)
        total += groups[i].count;
    if (total < 1)
        return kCopyComplete;
    int done = 0;
    bool cancelled = false;
    for (int i = 0; i < found && !cancelled; ++i) {
        const int group = groups[i].id;
        const int count = groups[i].count;
        char sourceDir[kSetupPathBytes];
        char destinationDir[kSetupPathBytes];
        if (!BuildGroupPaths(group, mode, sourceRoot, targetRoot, sourceDir, destinationDir)) {
            done += count; // nothing of this group can be placed; the gauge still advances
            DrawGauge(dialog, IDC_GAUGE, static_cast<float>(done) / total);
            continue;
        }
        MakeDestinationDirectory(destinationDir);
        for (int k = count; k >= 1 && !cancelled; --k) {
            PumpGaugeMessages();
            char name[kSetupPathBytes];
            LoadManifestString(group + kInstallLayout.firstName - 1 + k, name, sizeof name);
            CopyOneFile(dialog, mode, sourceDir, destinationDir, name);
            ++done;
            DrawGauge(dialog, IDC_GAUGE, static_cast<float>(done) / total);
            if (IsGaugeCancelled()) {
                if (ConfirmExit(owner))
                    cancelled = true;
                else
                    ClearGaugeCancel();
            }
        }
    }
    return cancelled ? kCopyCancelled : kCopyComplete;
}

} // namespace

int ManifestNumber(int id) {
    return ::ManifestNumber(ReadManifestString, nullptr, id);
}

bool BuildGroupPaths(int group, CopyMode mode, const char* sourceRoot, const char* targetRoot,
                     char (&sourceDir)[kSetupPathBytes], char (&destinationDir)[kSetupPathBytes]) {
    char source[kSetupPathBytes];
    char destination[kSetupPathBytes];
    LoadManifestString(group + 1, source, sizeof source);
    LoadManifestString(group + 2, destination, sizeof destination);
    if (!JoinPath(sourceDir, sizeof sourceDir, sourceRoot, source) ||
        !EndWithBackslash(sourceDir, kSetupPathBytes))
        return false;
    if (mode == CopyMode::Distribution) {
        if (!JoinPath(destinationDir, sizeof destinationDir, targetRoot, source))
            return false;
    } else if (_strnicmp(destination, "SYSTEM", kSystemCompareChars) == 0) {
        UINT length = GetSystemDirectoryA(destinationDir, kSetupPathBytes);
        if (length == 0 || length >= kSetupPathBytes)
            return false;
    } else if (!JoinPath(destinationDir, sizeof destinationDir, targetRoot, destination)) {
        return false;
    }
    return EndWithBackslash(destinationDir, kSetupPathBytes);
}

int CopyManifest(HWND owner, HWND dialog, const char* sourceRoot, const char* targetRoot) {
    ManifestGroupSpan groups[kMaxManifestGroups];
    const int found = PlanGroups(ManifestNumber(kManifestTotalId), IsWindows64Bit(), groups);
    if (found < 0)
        return kCopyRejected;
    return CopyGroups(owner, dialog, CopyMode::Install, groups, found, sourceRoot, targetRoot);
}

int CopyDistribution(HWND owner, HWND dialog, const char* sourceRoot, const char* targetRoot) {
    // The driver group follows the installation groups; the groups beyond the total after it.
    ManifestGroupSpan groups[kMaxManifestGroups];
    const int found =
        PlanGroups(ManifestNumber(kManifestTotalId) + ManifestNumber(kDriverGroup), true, groups);
    if (found < 0)
        return kCopyRejected;
    return CopyGroups(owner, dialog, CopyMode::Distribution, groups, found, sourceRoot, targetRoot);
}

int CopyFileRaw(HWND dialog, int sourceItem, int destinationItem, const char* source,
                const char* destination) {
    OFSTRUCT sourceInfo;
    OFSTRUCT destinationInfo;
    HFILE input = OpenFile(source, &sourceInfo, OF_READ);
    // The destination is made only for a source that opened: a missing file must not leave an
    // empty one in its place.
    HFILE output = input == HFILE_ERROR
                       ? HFILE_ERROR
                       : OpenFile(destination, &destinationInfo, OF_CREATE | OF_WRITE);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kRawBlockBytes);
    char* data = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (input == HFILE_ERROR || output == HFILE_ERROR || !data) {
        if (input != HFILE_ERROR)
            _lclose(input);
        if (output != HFILE_ERROR)
            _lclose(output);
        if (block)
            GlobalFree(block);
        return 0;
    }
    if (dialog) {
        SetDlgItemTextA(dialog, sourceItem, source);
        SetDlgItemTextA(dialog, destinationItem, destination);
    }
    UINT got;
    do {
        got = _lread(input, data, kRawBlockBytes);
        if (got == static_cast<UINT>(HFILE_ERROR))
            break;
        _lwrite(output, data, got);
    } while (got == kRawBlockBytes);
    GlobalUnlock(block);
    GlobalFree(block);
    _lclose(input);
    _lclose(output);
    return 1;
}

void InstallWorkingFiles(const InstallPlan& plan) {
    static const char* const kWorkingFiles[][2] = {
        {"KELTO32\\ORVANE.LS_", "ORVANE.LST"},   {"UTILS\\TWAIN.DL_", "TWAIN.DLL"},
        {"UTILS\\TWAIN_32.DL_", "TWAIN_32.DLL"}, {"UTILS\\TWUNK_16.EX_", "TWUNK_16.EXE"},
        {"UTILS\\TWUNK_32.EX_", "TWUNK_32.EXE"},
    };
    for (const auto& file : kWorkingFiles) {
        char source[kSetupPathBytes];
        char destination[kSetupPathBytes];
        if (JoinPath(source, sizeof source, plan.setupDir, file[0]) &&
            JoinPath(destination, sizeof destination, plan.targetRoot, file[1]))
            CopyIfNewer(nullptr, 0, 0, source, destination);
    }
}
