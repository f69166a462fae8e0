// The library only loads from the Windows directory itself.
#pragma once

// True when the module's file lies directly in the Windows directory: the module path cut after
// its last backslash equals the Windows directory ending in exactly one backslash, compared
// without regard to case.
bool LiesInWindowsDirectory(const char* modulePath, const char* windowsDirectory);
// The check for this library's own file.
bool LibraryInWindowsDirectory(void* instance);
