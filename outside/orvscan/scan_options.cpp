#include "scan_options.h"

#include "orvlib.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The four line formats of the library: 1-bit black-and-white, 4-bit and 8-bit gray, 24-bit
// colour.
constexpr ScanMode kModes[] = {{"bw", ORV_MODE_BW},
                               {"gray4", ORV_MODE_GRAY4},
                               {"gray8", ORV_MODE_GRAY8},
                               {"color", ORV_MODE_COLOR}};

// "/name:value" or "-name=value": the value when argument names this option, else null.
const char* OptionValue(const char* argument, const char* name) {
    if (argument[0] != '/' && argument[0] != '-')
        return nullptr;
    size_t length = std::strlen(name);
    if (_strnicmp(argument + 1, name, length) != 0)
        return nullptr;
    char separator = argument[1 + length];
    if (separator == '\0')
        return argument + 1 + length;
    return separator == ':' || separator == '=' ? argument + 2 + length : nullptr;
}

bool ParseNumber(const char* text, int low, int high, int* value) {
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end == text || number < low || number > high)
        return false;
    *value = static_cast<int>(number);
    return *end == '\0' || *end == ',';
}

bool ParseArea(const char* text, int16_t area[4]) {
    for (int i = 0; i < 4; ++i) {
        int value = 0;
        if (!ParseNumber(text, 0, 32767, &value))
            return false;
        area[i] = static_cast<int16_t>(value);
        text = std::strchr(text, ',');
        if ((i < 3) != (text != nullptr))
            return false;
        if (text)
            ++text;
    }
    return area[2] > area[0] && area[3] > area[1];
}

bool ParseOne(const char* argument, ScanOptions* options) {
    const char* value = nullptr;
    if ((value = OptionValue(argument, "mode"))) {
        for (const ScanMode& mode : kModes)
            if (_stricmp(value, mode.name) == 0) {
                options->mode = mode;
                return true;
            }
        return false;
    }
    if ((value = OptionValue(argument, "res")))
        return ParseNumber(value, 1, 32767, &options->resolution) && !std::strchr(value, ',');
    if ((value = OptionValue(argument, "area")))
        return options->areaGiven = ParseArea(value, options->area);
    if ((value = OptionValue(argument, "lines")))
        return ParseNumber(value, 1, 32767, &options->linesPerTransfer) && !std::strchr(value, ',');
    if ((value = OptionValue(argument, "wait")))
        return ParseNumber(value, 0, 86400, &options->waitSeconds) && !std::strchr(value, ',');
    if ((value = OptionValue(argument, "progress")))
        return options->progress = *value == '\0';
    if ((value = OptionValue(argument, "out")))
        return *value && std::snprintf(options->outPath, sizeof options->outPath, "%s", value) <
                             static_cast<int>(sizeof options->outPath);
    return false;
}

} // namespace

bool ParseScanOptions(int argc, char** argv, ScanOptions* options, const char** bad) {
    *options = ScanOptions{};
    options->mode = kModes[3];
    options->resolution = 100;
    options->waitSeconds = 120;
    std::strcpy(options->outPath, "page.bmp");
    for (int i = 1; i < argc; ++i)
        if (!ParseOne(argv[i], options)) {
            *bad = argv[i];
            return false;
        }
    return true;
}
