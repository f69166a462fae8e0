#include "version_copy.h"

#include <lzexpand.h>

int16_t GetFileProductVersion(const char* path, ProductVersion* version) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return -1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 1);
    if (!block)
        return -1;
    int16_t result = -1;
    void* data = GlobalLock(block);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (data && GetFileVersionInfoA(path, 0, size, data) &&
        VerQueryValueA(data, "\\", reinterpret_cast<void**>(&fixed), &length) && length != 0 &&
        fixed) {
        version->major = HIWORD(fixed->dwProductVersionMS);
        version->minor = LOWORD(fixed->dwProductVersionMS);
        result = 0;
    }
    if (data)
        GlobalUnlock(block);
    GlobalFree(block);
    return result;
}

bool IsSourceNewer(const char* sourcePath, const char* destinationPath) {
    ProductVersion source, destination;
    if (GetFileProductVersion(sourcePath, &source) != 0 ||
        GetFileProductVersion(destinationPath, &destination) != 0)
        return true;
    if (source.major != destination.major)
        return source.major > destination.major;
    return source.minor > destination.minor;
}

namespace {

// The source is opened through the LZ routines, which also find it under its compressed name
// (last character "_"). The destination is opened plainly: an LZ open that cannot create a file
// retries under the compressed form of the name and would report success for a file placed
// there. An OF_EXIST open closes the file itself; its result only says whether the file is there.
bool SourceExists(const char* path) {
    OFSTRUCT info;
    return LZOpenFileA(const_cast<char*>(path), &info, OF_EXIST) >= 0;
}

bool DestinationExists(const char* path) {
    OFSTRUCT info;
    return OpenFile(path, &info, OF_EXIST) != HFILE_ERROR;
}

// Two paths naming one file, however spelled ("\.\", "..\", a short alias): the volume and file
// index of both agree.
bool SameFile(const char* first, const char* second) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        HANDLE file =
            CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool read = GetFileInformationByHandle(file, &info[i]) != 0;
        CloseHandle(file);
        if (!read)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

} // namespace

int16_t CopyIfNewer(HWND dialog, int sourceItem, int destinationItem, const char* sourcePath,
                    const char* destinationPath) {
    if (!SourceExists(sourcePath))
        return -1;
    const bool replacing = DestinationExists(destinationPath);
    // A file copied onto itself is already in place: deleting the destination would delete it.
    if (replacing &&
        (SameFile(sourcePath, destinationPath) || !IsSourceNewer(sourcePath, destinationPath)))
        return 0;
    // The source is opened before the destination goes, so a source that cannot be read never
    // costs the installed file.
    OFSTRUCT info;
    INT source = LZOpenFileA(const_cast<char*>(sourcePath), &info, OF_READ);
    if (source < 0)
        return -1;
    // A delete that fails (file in use) shows up as a failed create below.
    if (replacing)
        OpenFile(destinationPath, &info, OF_DELETE);
    HFILE destination = OpenFile(destinationPath, &info, OF_CREATE | OF_WRITE);
    if (destination == HFILE_ERROR) {
        LZClose(source);
        return -1;
    }
    if (dialog) {
        SetDlgItemTextA(dialog, sourceItem, sourcePath);
        SetDlgItemTextA(dialog, destinationItem, destinationPath);
    }
    LONG copied = LZCopy(source, destination);
    LZClose(source);
    LZClose(destination);
    return copied < 0 ? -1 : 0;
}
