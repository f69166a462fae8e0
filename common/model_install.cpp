// The files and records of a chosen model, and what a second installation keeps of the first.
#include <windows.h>

#include <cstring>
#include <string>

#include "config_names.h"
#include "model_install.h"
#include "scanner_list.h"
#include "version_copy.h"
#include "windows_path.h"

namespace {

constexpr int kPixelWindowsDirChars = 79;
constexpr char kDisabledPixelSetup[] = "no";

// directory + name with the version-checked copy; a path that does not fit copies nothing.
void InstallFile(const char* sourceDir, const char* sourceName, const char* destinationDir,
                 const char* destinationName) {
    char source[kToolPathChars];
    char destination[kToolPathChars];
    if (sourceName[0] && destinationName[0] &&
        JoinPath(source, sizeof source, sourceDir, sourceName) &&
        JoinPath(destination, sizeof destination, destinationDir, destinationName))
        CopyIfNewer(nullptr, 0, 0, source, destination);
}

} // namespace

bool DriverSourcePresent(const char* driverDir) {
    char marker[kToolPathChars];
    return driverDir[0] && JoinPath(marker, sizeof marker, driverDir, kDriverSourceMarker) &&
           FileExists(marker);
}

bool PixelDriverDirectory(char (&out)[kToolPathChars]) {
    char windows[kPixelWindowsDirChars + 2]; // room for the backslash a directory lacks
    if (WindowsDirectory(windows, sizeof windows) &&
        JoinPath(out, sizeof out, windows, kPixelDriverDirName))
        return true;
    out[0] = '\0';
    return false;
}

bool SelectionFilePath(const char* appDir, char (&path)[kToolPathChars]) {
    return appDir[0] && JoinPath(path, sizeof path, appDir, kSelectionFile);
}

bool WriteScannerSelection(const char* appDir, const ModelChoice& choice,
                           bool attributesNeedUpdate) {
    char path[kToolPathChars];
    if (!SelectionFilePath(appDir, path))
        return false;
    char id[16];
    wsprintfA(id, "%d", choice.id);
    WritePrivateProfileStringA(kScannerSection, kCurrentScannerIdKey, id, path);
    WritePrivateProfileStringA(kScannerSection, kCurrentDriverKey, choice.driverProgram, path);
    if (attributesNeedUpdate)
        WritePrivateProfileStringA(kScannerSection, kAttrNeedUpdateKey, "Y", path);
    return true;
}

bool ClearScannerSelection(const char* appDir) {
    char path[kToolPathChars];
    if (!SelectionFilePath(appDir, path))
        return false;
    WritePrivateProfileStringA(kScannerSection, kCurrentScannerIdKey, "0", path);
    WritePrivateProfileStringA(kScannerSection, kCurrentDriverKey, "", path);
    return true;
}

bool WritePixelDriverSettings(const char* appDir, const ModelChoice& choice) {
    char directory[kToolPathChars];
    if (choice.kind != ScannerKind::PixelDriver || !choice.pixelDriver[0] ||
        !CopyText(directory, sizeof directory, appDir))
        return false;
    const size_t length = strlen(directory);
    if (length > 0 && directory[length - 1] == '\\')
        directory[length - 1] = '\0';
    WritePrivateProfileStringA(kKeltoSection, kDirectoryKey, directory, kPixelDriverFile);
    WritePrivateProfileStringA(kScannerSection, kDriverKey, choice.pixelDriver, kPixelDriverFile);
    WritePrivateProfileStringA(choice.pixelDriver, kPixelSetupKey, kDisabledPixelSetup,
                               kPixelDriverFile);
    return true;
}

void InstallDriverFiles(const ModelChoice& choice, const char* driverDir, const char* appDir,
                        const char* pixelDir) {
    InstallFile(driverDir, choice.driverSource, appDir, choice.driverProgram);
    if (!pixelDir[0] || !choice.pixelFile[0])
        return;
    // A fresh system has no pixel-driver directory yet.
    CreateDirectoryA(pixelDir, nullptr);
    InstallFile(driverDir, choice.pixelSource, pixelDir, choice.pixelFile);
}

void DeleteDriverProgram(const ModelChoice& choice, const char* appDir) {
    char program[kToolPathChars];
    if (choice.driverProgram[0] && JoinPath(program, sizeof program, appDir, choice.driverProgram))
        DeleteFileA(program);
}

void ReadEarlierModels(const char* appDir, EarlierModels* earlier) {
    earlier->present = false;
    earlier->userLength = 0;
    ClearInstalledSet(&earlier->set);
    char path[kToolPathChars];
    // Read only a set that is there: reading a missing one would create it.
    if (JoinPath(path, sizeof path, appDir, kInstalledSetFile) && FileExists(path))
        earlier->present = ReadInstalledSet(appDir, &earlier->set) == 0;
    std::string list;
    if (!JoinPath(path, sizeof path, appDir, kScannerListFile) ||
        !ReadFileText(path, kListFileMaxBytes, &list))
        return;
    TextLineCursor cursor = {list.data(), list.size(), 0};
    char line[kListLineChars + 1];
    ScannerFields fields;
    while (NextTextLine(&cursor, line)) {
        if (ParseScannerLine(line, &fields) < kFirstUserScannerId)
            continue;
        // The line as it was written, its end made CR LF again.
        size_t length = strcspn(line, "\r\n");
        if (earlier->userLength + length + 2 > sizeof earlier->userLines)
            break;
        memcpy(earlier->userLines + earlier->userLength, line, length);
        memcpy(earlier->userLines + earlier->userLength + length, "\r\n", 2);
        earlier->userLength += static_cast<int32_t>(length + 2);
    }
}

void KeepEarlierModels(const char* appDir, const EarlierModels& earlier) {
    // Lines first, so every id put back names a line.
    ScannerFields fields;
    for (int32_t at = 0; at < earlier.userLength;) {
        const char* start = earlier.userLines + at;
        const char* end = static_cast<const char*>(
            memchr(start, '\n', static_cast<size_t>(earlier.userLength - at)));
        const size_t length = static_cast<size_t>(end - start) + 1;
        at += static_cast<int32_t>(length);
        char line[kListLineChars + 3];
        if (length >= sizeof line)
            continue;
        memcpy(line, start, length);
        line[length] = '\0';
        const int id = ParseScannerLine(line, &fields);
        if (id >= kFirstUserScannerId && !FindScannerLine(appDir, id, &fields))
            AppendScannerLine(appDir, line);
    }
    if (!earlier.present)
        return;
    const int count = InstalledCount(&earlier.set);
    for (int i = 1; i <= count; ++i) {
        const int id = InstalledIdAt(&earlier.set, i);
        if (id != kNoScannerId)
            AddInstalledScanner(appDir, id);
    }
}
