// Settings of the scanning server: the simulated scanner's properties, fault modes and the
// receive log, read once at start from ORVMAIN.INI beside the program.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr int kMaxResolutions = 32;
constexpr int kModelChars = 32; // the capability reply's model field

// Scan-mode bits the server knows: black-and-white, halftone, 4-bit gray, 8-bit gray,
// 24-bit colour and the second 4-bit gray.
constexpr uint16_t kAllModes = 0x01 | 0x02 | 0x04 | 0x08 | 0x10 | 0x80;

struct ServerSettings {
    // [Scanner]
    char model[kModelChars + 1];
    uint16_t modes;
    int16_t maxLeft, maxTop, maxRight, maxBottom;
    uint16_t feeder, feederReady;
    uint16_t brightnessLevels, contrastLevels;
    uint8_t decompression;
    bool resolutionRange;
    uint16_t resolutionMin, resolutionMax;
    uint16_t resolutionList[kMaxResolutions];
    int resolutionCount;
    char image[MAX_PATH];
    // [Faults]
    bool noMainWindow, noInitiateAnswer, refuseInitiate;
    int busyPokes;
    uint32_t nackItems; // bit n: item n (items 0 to 31)
    int delayMs;
    uint32_t delayItems; // 0: every item
    bool cancelInsteadOfData;
    int dieAfterLines;
    int maxBlockLines;
    bool foreignReplies;
    bool keepBlocks;
    // [Log]
    bool logReceived;
    char logPath[MAX_PATH];
};

// Reads ORVMAIN.INI beside the running program; a missing file or key gives the default.
void LoadServerSettings();
const ServerSettings& Settings();
bool ItemInSet(uint32_t set, unsigned item);
