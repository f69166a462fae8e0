// Result lines of the test programs. Programs the library starts (server, drivers) would inherit
// the program's standard handles and keep the test's pipe open after the program ended, so the
// pipe is kept private and the standard handles point at NUL.
#pragma once
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Result lines go to the file of a first argument "out=PATH" (opened with the given flags) instead
// of the standard output; returns the index of the first command argument.
inline int TakeOutputArgument(int argc, char** argv, DWORD flags = 0) {
    if (argc < 2 || std::strncmp(argv[1], "out=", 4) != 0)
        return 1;
    ProbeOutput() = CreateFileA(argv[1] + 4, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                flags, nullptr);
    return 2;
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

// The numbers of a command's argument list "a,b,c".
inline std::vector<int> Numbers(const char* text) {
    std::vector<int> numbers;
    for (const char* p = text; *p;) {
        numbers.push_back(std::atoi(p));
        p = std::strchr(p, ',');
        if (!p)
            break;
        ++p;
    }
    return numbers;
}

inline int Arg(const std::vector<int>& numbers, size_t index, int fallback) {
    return index < numbers.size() ? numbers[index] : fallback;
}

// FNV-1a over page bytes, continued from hash: equal hashes mean equal pages.
inline uint32_t Fnv1a(const uint8_t* bytes, size_t count, uint32_t hash = 2166136261u) {
    for (size_t i = 0; i < count; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}
