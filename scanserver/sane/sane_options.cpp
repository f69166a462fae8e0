#include "sane_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kCapabilityDpi = 300; // items 1 and 4 measure the largest area at 300 dpi
// A gray device offers both gray depths: 4-bit gray is made from 8-bit.
constexpr uint16_t kGrayModes = ORV_MODE_GRAY4 | ORV_MODE_GRAY8 | ORV_MODE_GRAY4_ALT;

bool Contains(const char* text, const char* part) {
    size_t n = strlen(part);
    for (; *text; ++text)
        if (_strnicmp(text, part, n) == 0)
            return true;
    return false;
}

bool SameText(const char* a, const char* b) {
    return _stricmp(a, b) == 0;
}

double Number(const OptionDescriptor& option, int32_t word) {
    return option.type == kTypeFixed ? static_cast<double>(word) / kFixedOne : word;
}

int32_t Word(const OptionDescriptor& option, double number) {
    double scaled = option.type == kTypeFixed ? number * kFixedOne : number;
    scaled = std::max(-2147483648.0, std::min(2147483647.0, std::round(scaled)));
    return static_cast<int32_t>(scaled);
}

uint16_t Clamp16(double value) {
    return static_cast<uint16_t>(std::max(0.0, std::min(65535.0, std::round(value))));
}

int16_t ClampArea(double value) {
    return static_cast<int16_t>(std::max(0.0, std::min(32767.0, std::floor(value))));
}

// A length of the option's range in pixels at 300 dpi.
double RangePixels(const OptionDescriptor& option) {
    if (option.constraint != kConstraintRange)
        return 0;
    double length = Number(option, option.range[1]) - Number(option, option.range[0]);
    return option.unit == kUnitMm ? length / kMmPerInch * kCapabilityDpi : length;
}

} // namespace

int FindAnyOption(const OptionList& options, const char* name) {
    // Option 0 is the option count: it has no name.
    for (size_t i = 1; i < options.size(); ++i)
        if (strcmp(options[i].name, name) == 0)
            return static_cast<int>(i);
    return -1;
}

int FindOption(const OptionList& options, const char* name) {
    int index = FindAnyOption(options, name);
    return index >= 0 && !(options[index].cap & kCapInactive) ? index : -1;
}

OptionValue WordValue(const OptionDescriptor& option, int32_t word) {
    OptionValue value{};
    value.type = option.type;
    value.size = std::max<int32_t>(4, std::min<int32_t>(option.size, kValueBytes)) & ~3;
    for (int32_t i = 0; i < value.size / 4; ++i)
        value.words[i] = word;
    return value;
}

OptionValue TextValue(const OptionDescriptor& option, const char* text) {
    // A string travels padded to the option's full size.
    OptionValue value{};
    value.type = kTypeString;
    value.size = std::max<int32_t>(1, std::min<int32_t>(option.size, kValueBytes));
    strncpy(value.text, text, static_cast<size_t>(value.size) - 1);
    return value;
}

bool ParseOptionValue(const OptionDescriptor& option, const char* text, OptionValue* value) {
    char* end = nullptr;
    switch (option.type) {
    case kTypeBool: {
        static const char* const kTrue[] = {"yes", "true", "on", "1"};
        static const char* const kFalse[] = {"no", "false", "off", "0"};
        for (const char* word : kTrue)
            if (SameText(text, word))
                return *value = WordValue(option, 1), true;
        for (const char* word : kFalse)
            if (SameText(text, word))
                return *value = WordValue(option, 0), true;
        return false;
    }
    case kTypeInt: {
        long number = strtol(text, &end, 10);
        if (end == text || *end)
            return false;
        *value = WordValue(option, static_cast<int32_t>(number));
        return true;
    }
    case kTypeFixed: {
        double number = strtod(text, &end);
        if (end == text || *end)
            return false;
        *value = WordValue(option, Word(option, number));
        return true;
    }
    case kTypeString:
        if (strlen(text) + 1 > static_cast<size_t>(std::max<int32_t>(option.size, 1)))
            return false;
        *value = TextValue(option, text);
        return true;
    default:
        return false;
    }
}

const char* ModeEntry(const OptionDescriptor& mode, ModeKind kind) {
    for (int i = 0; i < mode.stringCount; ++i) {
        const char* entry = mode.strings[i];
        bool lineart =
            Contains(entry, "lineart") || Contains(entry, "binary") || Contains(entry, "black");
        bool gray = Contains(entry, "gray") || Contains(entry, "grey");
        bool color = Contains(entry, "color") || Contains(entry, "colour");
        if ((kind == ModeKind::Lineart && lineart) ||
            (kind == ModeKind::Gray && gray && !lineart) || (kind == ModeKind::Color && color))
            return entry;
    }
    return nullptr;
}

const char* FeederEntry(const OptionDescriptor& source) {
    for (int i = 0; i < source.stringCount; ++i) {
        const char* entry = source.strings[i];
        if (Contains(entry, "adf") || Contains(entry, "feeder") ||
            Contains(entry, "automatic document"))
            return entry;
    }
    return nullptr;
}

const char* LineartEntry(const OptionList& options) {
    int mode = FindOption(options, "mode");
    if (mode < 0)
        return nullptr;
    if (const char* entry = ModeEntry(options[mode], ModeKind::Lineart))
        return entry;
    // Devices without a lineart mode give 1-bit gray when the depth can be 1.
    int depth = FindAnyOption(options, "depth");
    if (depth < 0 || options[depth].constraint != kConstraintWordList)
        return nullptr;
    const OptionDescriptor& d = options[depth];
    return std::find(d.words, d.words + d.wordCount, 1) != d.words + d.wordCount
               ? ModeEntry(options[mode], ModeKind::Gray)
               : nullptr;
}

void DescribeDevice(const OptionList& options, const char* model, SourceCapabilities* out) {
    memset(out, 0, sizeof *out);
    strncpy(out->model, model, kModelChars);
    int mode = FindOption(options, "mode");
    if (mode >= 0 && options[mode].constraint == kConstraintStringList) {
        const OptionDescriptor& m = options[mode];
        if (LineartEntry(options))
            out->modes |= ORV_MODE_BW;
        if (ModeEntry(m, ModeKind::Gray))
            out->modes |= kGrayModes;
        if (ModeEntry(m, ModeKind::Color))
            out->modes |= ORV_MODE_COLOR;
    } else {
        out->modes = kGrayModes; // no choice of mode: gray, as most such devices give
    }
    int resolution = FindOption(options, "resolution");
    if (resolution >= 0 && options[resolution].constraint == kConstraintRange) {
        const OptionDescriptor& r = options[resolution];
        out->resolutionRange = true;
        out->resolutionMin = Clamp16(std::ceil(Number(r, r.range[0])));
        out->resolutionMax = Clamp16(std::floor(Number(r, r.range[1])));
    } else if (resolution >= 0 && options[resolution].constraint == kConstraintWordList) {
        const OptionDescriptor& r = options[resolution];
        for (int i = 0; i < r.wordCount && out->resolutionCount < kMaxResolutions; ++i)
            out->resolutionList[out->resolutionCount++] = Clamp16(Number(r, r.words[i]));
    } else {
        out->resolutionList[out->resolutionCount++] = kCapabilityDpi; // fixed: assume the usual
    }
    // The area's options tell the device's extent even while inactive (a hand-held device).
    int brx = FindAnyOption(options, "br-x"), bry = FindAnyOption(options, "br-y");
    out->maxRight = ClampArea(brx >= 0 ? RangePixels(options[brx]) : 0);
    out->maxBottom = ClampArea(bry >= 0 ? RangePixels(options[bry]) : 0);
    int source = FindOption(options, "source");
    out->feeder = source >= 0 && FeederEntry(options[source]) ? 1 : 0;
    int brightness = FindOption(options, "brightness");
    int contrast = FindOption(options, "contrast");
    out->brightnessLevels = brightness >= 0 ? OptionLevels(options[brightness]) : 0;
    out->contrastLevels = contrast >= 0 ? OptionLevels(options[contrast]) : 0;
}

int32_t ResolutionValue(const OptionDescriptor& option, int dpi) {
    int32_t wanted = Word(option, dpi);
    if (option.constraint != kConstraintWordList || option.wordCount == 0)
        return wanted;
    // A list takes its nearest value: some devices refuse any other.
    auto distance = [&](int32_t word) { return std::abs(int64_t{word} - wanted); };
    return *std::min_element(option.words, option.words + option.wordCount,
                             [&](int32_t a, int32_t b) { return distance(a) < distance(b); });
}

int32_t AreaValue(const OptionDescriptor& option, int pixels, int dpi) {
    double low = option.constraint == kConstraintRange ? Number(option, option.range[0]) : 0;
    double length = option.unit == kUnitMm ? pixels * kMmPerInch / std::max(dpi, 1) : pixels;
    double value = low + length;
    if (option.constraint == kConstraintRange)
        value = std::min(value, Number(option, option.range[1]));
    return Word(option, value);
}

uint16_t OptionLevels(const OptionDescriptor& option) {
    if (option.constraint == kConstraintWordList)
        return static_cast<uint16_t>(option.wordCount);
    if (option.constraint != kConstraintRange)
        return 0;
    double step = option.range[2] > 0 ? Number(option, option.range[2]) : 1;
    double span = Number(option, option.range[1]) - Number(option, option.range[0]);
    return Clamp16(std::floor(span / step) + 1);
}

bool LevelValue(const OptionDescriptor& option, int level, int32_t* value) {
    if (level < 1 || level > OptionLevels(option))
        return false;
    if (option.constraint == kConstraintWordList) {
        *value = option.words[level - 1];
        return true;
    }
    int64_t step =
        option.range[2] > 0 ? option.range[2] : (option.type == kTypeFixed ? kFixedOne : 1);
    *value = static_cast<int32_t>(
        std::min<int64_t>(option.range[0] + (level - 1) * step, option.range[1]));
    return true;
}
