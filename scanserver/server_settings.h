// Settings of the scanning server from ORVMAIN.INI beside the program: the simulated scanner's
// properties, fault modes and the logs, read once at start; the scanner source and the SANE
// device's settings, read again whenever a page starts or the capabilities are asked for.
#pragma once
#include <windows.h>

#include "orvlib.h"

#include <cstdint>

constexpr int kMaxResolutions = 32;
constexpr int kModelChars = 32; // the capability reply's model field

// Every scan mode the server knows.
constexpr uint16_t kAllModes = ORV_MODE_BW | ORV_MODE_HALFTONE | ORV_MODE_GRAY4 | ORV_MODE_GRAY8 |
                               ORV_MODE_COLOR | ORV_MODE_GRAY4_ALT;

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
    bool logSane; // SANE=1: one line per failed SANE step
    char logPath[MAX_PATH];
    char settingsPath[MAX_PATH];
};

enum class SourceKind { Chart, Sane };

constexpr size_t kSaneTextChars = 128;
constexpr size_t kSaneOptionsChars = 8192;
struct SaneSettings {
    // [SANE]
    char host[kSaneTextChars];
    uint16_t port;
    char device[kSaneTextChars]; // empty: the first device saned lists
    char user[kSaneTextChars];
    char password[kSaneTextChars];
    // [SANE Options]: "name=value" texts one after the other, each ending in NUL, then a NUL.
    char options[kSaneOptionsChars];
};

// Reads ORVMAIN.INI beside the running program; a missing file or key gives the default.
void LoadServerSettings();
const ServerSettings& Settings();
// [Scanner] Source, read now: "SANE" (any case) or the chart.
SourceKind ReadSourceKind();
// [SANE] and [SANE Options], read now.
void ReadSaneSettings(SaneSettings* out);
bool ItemInSet(uint32_t set, unsigned item);
