// The installation program's command line and the fixed text buffers it fills. Free of any
// platform call so the reader can be built and fuzzed natively.
#pragma once
#include <cstddef>
#include <cstdint>

#include "text_path.h"

constexpr int kSetupPathBytes = kToolPathChars;

enum class SetupMode { Install, CopyDistribution, Refused };

struct CommandLineChoice {
    SetupMode mode;
    int16_t languageOverride;         // kNoLanguageOverride unless a number was given
    char targetRoot[kSetupPathBytes]; // distribution copy mode: the drive path ending in "\"
};

// Empty gives installation mode; a text whose second character is ":" gives distribution copy
// mode with that text (plus "\") as the target root; anything else is a decimal language
// override. A drive path that does not fit the target root is refused.
void ParseCommandLine(const char* commandLine, CommandLineChoice* choice);
