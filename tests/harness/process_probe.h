// What a running process holds, read from outside it: memory, windows; and the session's global
// atoms.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

struct ProcessFootprint {
    size_t privateBytes = 0;  // PrivateUsage
    size_t pagefileBytes = 0; // PagefileUsage
    int windows = 0;          // top-level and child windows of the process's threads
    std::string classes;      // their class names, for the failure message
};

// The id of the first running process with this image name, or 0.
DWORD ProcessIdNamed(const char* imageName);
// False when the process cannot be opened or queried.
bool ReadFootprint(DWORD processId, ProcessFootprint* footprint);
// Names of the global atoms in use, found by asking for the name of every string atom (0xC000
// to 0xFFFF), each with its number.
std::vector<std::string> GlobalAtomNames();
