#include "location_check.h"

#include <windows.h>

#include <cstring>

#include "text_path.h"
#include "windows_path.h"

bool LiesInWindowsDirectory(const char* modulePath, const char* windowsDirectory) {
    const char* lastSlash = std::strrchr(modulePath, '\\');
    if (!lastSlash)
        return false;
    size_t moduleDirLength = static_cast<size_t>(lastSlash - modulePath) + 1;

    size_t windowsLength = std::strlen(windowsDirectory);
    while (windowsLength > 0 && windowsDirectory[windowsLength - 1] == '\\')
        --windowsLength;
    if (windowsLength == 0 || moduleDirLength != windowsLength + 1)
        return false;
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, modulePath,
                          static_cast<int>(windowsLength), windowsDirectory,
                          static_cast<int>(windowsLength)) == CSTR_EQUAL;
}

bool LibraryInWindowsDirectory(void* instance) {
    char modulePath[kPathBufferSize];
    DWORD length =
        GetModuleFileNameA(static_cast<HMODULE>(instance), modulePath, sizeof modulePath);
    // A path cut by the buffer cannot name a file in the Windows directory.
    if (length == 0 || length >= sizeof modulePath)
        return false;
    char windows[kPathBufferSize];
    if (!WindowsDirectory(windows, sizeof windows))
        return false;
    return LiesInWindowsDirectory(modulePath, windows);
}
