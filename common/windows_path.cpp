#include "windows_path.h"

#include <windows.h>

#include <cstring>

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

bool ModuleDirectory(void* module, char* out, size_t size) {
    DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), out, static_cast<DWORD>(size));
    char* slash = length > 0 && length < size ? strrchr(out, '\\') : nullptr;
    if (!slash || length <= 3) {
        out[0] = '\0';
        return false;
    }
    slash[1] = '\0';
    return true;
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
