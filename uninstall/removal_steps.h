// The uninstaller's removal run: driver programs of the installed scanners, the manifest's files,
// the program items and their group, the uninstall entry, the shared-file counts and finally the
// application directory. Each step works from the base directory and the strings loaded once for
// the run; no step reports a result, and every failure is passed over.
#pragma once
#include <windows.h>

#include <cstdint>

#include "manifest_groups.h"
#include "orvclean_ids.h"
#include "text_path.h"

// Path buffers hold 255 characters; Program Manager names are cut to 47.
constexpr int kPathChars = kToolPathChars;
constexpr int kNameChars = 48;

// Groups whose files carry shared-file counts: the Windows directory, KELTO32, SYSTEM, the 64-bit
// library's (in the Windows directory, counted on 64-bit Windows only) and the 32-bit import
// library's (in the Windows directory).
constexpr int kWindowsGroup = 120;
constexpr int kAppDirGroup = 220;
constexpr int kSystemGroup = 420;
constexpr int kWindows64Group = 620;
constexpr int kLibrary32Group = 720;

struct RemovalRun {
    HINSTANCE module;         // holds the strings
    char baseDir[kPathChars]; // the Windows directory, ending in "\"
    char group[kNameChars];
    char controllerItem[kNameChars];
    char uninstallItem[kNameChars];
    char uninstallKey[kPathChars];
    char sharedDllsKey[kPathChars];
    char displayNameValue[kPathChars];
    char uninstallStringValue[kPathChars];
};

// The Windows directory with one backslash added when missing; false when it cannot be had.
bool ReadBaseDirectory(char (&baseDir)[kPathChars]);
// Loads the run's strings of language block `block`.
void LoadRemovalRun(HINSTANCE module, int block, const char* baseDir, RemovalRun* run);

void RemoveDriverPrograms(const RemovalRun* run);
void RemoveManifestFiles(const RemovalRun* run);
void RemoveProgramGroup(const RemovalRun* run);
void RemoveUninstallEntry(const RemovalRun* run);
void ReleaseSharedFileCounts(const RemovalRun* run);
void RemoveAppDirectory(const RemovalRun* run);
// Every step above, in that order.
void RunRemoval(const RemovalRun* run);

// One group of the uninstall manifest, its directory (base directory + group directory, ending
// in "\") already formed.
struct ManifestGroup {
    int32_t id;
    int32_t count;
    char dir[kPathChars];
};
// The groups from 120 up to where their counts reach the total, then the 64-bit library's group
// (620) and the 32-bit import library's (720) when the manifest has them. -1 when the manifest is
// inconsistent (counts that overshoot the total or never reach it, names running into the next
// group, directories too long): such a manifest names no file at all.
int ReadManifestGroups(const RemovalRun* run, ManifestGroup (&groups)[kMaxManifestGroups]);
// Path of name `index` (1..count) of a group; false when the name is missing or too long.
bool ManifestFilePath(const RemovalRun* run, const ManifestGroup& group, int index,
                      char (&path)[kPathChars]);
