// Result lines of the test programs. Programs the library starts (server, drivers) would inherit
// the program's standard handles and keep the test's pipe open after the program ended, so the
// pipe is kept private and the standard handles point at NUL.
#pragma once
#include <windows.h>

#include <cstdarg>
#include <cstdio>

inline HANDLE& ProbeOutput() {
    static HANDLE output = nullptr;
    return output;
}

inline void KeepOutputPrivate() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    ProbeOutput() = output;
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    SetStdHandle(STD_INPUT_HANDLE, nul);
    SetStdHandle(STD_OUTPUT_HANDLE, nul);
    SetStdHandle(STD_ERROR_HANDLE, nul);
}

inline void Say(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    if (length < 0)
        return;
    if (length > static_cast<int>(sizeof line) - 2)
        length = static_cast<int>(sizeof line) - 2;
    line[length++] = '\n';
    DWORD written = 0;
    WriteFile(ProbeOutput(), line, static_cast<DWORD>(length), &written, nullptr);
}
