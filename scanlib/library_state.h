// Per-process state of the library, set at process attach and read by the exports.
#pragma once
#include <windows.h>

#include <cstdint>

struct LibraryState {
    HINSTANCE instance;        // the library's own module: resources and the client window class
    int16_t attachStatus;      // outcome of the connect at attach (0 or a negative status)
    uint16_t dialogTemplateId; // language block N * 100: the "Scanning" dialog
    uint32_t stringBase;       // language block N * 1000 + 100
};

extern LibraryState g_library;
