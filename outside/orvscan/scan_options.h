// The command line of orvscan.exe: what to scan and where to write it.
#pragma once
#include <cstdint>

struct ScanMode {
    const char* name; // as given on the command line
    uint16_t modeBit; // ScannerAttributes.ScanMode: one ORV_MODE_* value
};

struct ScanOptions {
    ScanMode mode;
    int resolution;       // dpi
    bool areaGiven;       // false: US Letter at the resolution, within the scanner's maximum
    int16_t area[4];      // L, T, R, B in pixels at the resolution
    int linesPerTransfer; // 0: chosen from the line width
    bool progress;        // show the library's "Scanning" dialog
    int waitSeconds;      // how long to wait for a scanner another client holds
    char outPath[260];
};

// Fills options from argv; false names the first argument it cannot use in *bad.
bool ParseScanOptions(int argc, char** argv, ScanOptions* options, const char** bad);
