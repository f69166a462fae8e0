#include "windows_bitness.h"

#include <windows.h>

bool IsWindows64Bit() {
#ifdef _WIN64
    return true;
#else
    // Looked up, not imported: 32-bit Windows before XP SP2 has no IsWow64Process.
    using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
    FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
    BOOL wow64 = FALSE;
    return found &&
           reinterpret_cast<IsWow64ProcessCall>(reinterpret_cast<void*>(found))(GetCurrentProcess(),
                                                                                &wow64) &&
           wow64;
#endif
}
