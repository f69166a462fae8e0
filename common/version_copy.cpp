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

} // namespace

int16_t CopyIfNewer(HWND dialog, int sourceItem, int destinationItem, const char* sourcePath,
                    const char* destinationPath) {
    if (!SourceExists(sourcePath))
        return -1;
    OFSTRUCT info;
    if (DestinationExists(destinationPath)) {
        if (!IsSourceNewer(sourcePath, destinationPath))
            return 0;
        // A delete that fails (file in use) shows up as a failed create below.
        OpenFile(destinationPath, &info, OF_DELETE);
    }
    INT source = LZOpenFileA(const_cast<char*>(sourcePath), &info, OF_READ);
    if (source < 0)
        return -1;
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
