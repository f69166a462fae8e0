#include "windows_path.h"

#include <windows.h>

#include "text_path.h"

bool WindowsDirectory(char* out, size_t size) {
    UINT length = GetWindowsDirectoryA(out, static_cast<UINT>(size));
    if (length == 0 || length >= size || !EndWithBackslash(out, size)) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool WindowsPath(char* out, size_t size, const char* name) {
    char dir[kToolPathChars];
    if (WindowsDirectory(dir, size < sizeof dir ? size : sizeof dir) &&
        JoinPath(out, size, dir, name))
        return true;
    out[0] = '\0';
    return false;
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
