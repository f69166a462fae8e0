#include "decimal_text.h"

namespace {

constexpr int64_t kHeldMagnitude = 1000000000000; // far beyond every field, far below overflow

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool ScanDecimal(const char* text, int64_t* value) {
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    int64_t magnitude = 0;
    const bool digits = IsDigit(*text);
    for (; IsDigit(*text); ++text)
        if (magnitude < kHeldMagnitude)
            magnitude = magnitude * 10 + (*text - '0');
    *value = negative ? -magnitude : magnitude;
    return digits;
}

int16_t ReadDecimal(const char* text) {
    int64_t value = 0;
    ScanDecimal(text, &value);
    if (value > INT16_MAX)
        return INT16_MAX;
    if (value < INT16_MIN)
        return INT16_MIN;
    return static_cast<int16_t>(value);
}

int32_t ProfileNumber(const char* text, int32_t fallback, int32_t minimum, int32_t maximum) {
    if (!text[0])
        return fallback;
    int64_t value = 0;
    ScanDecimal(text, &value);
    if (value < minimum || value > maximum)
        return fallback;
    return static_cast<int32_t>(value);
}

bool ReadUnsignedText(const char* text, int32_t maximum, int32_t* value) {
    if (!text[0])
        return false;
    int64_t number = 0;
    for (; *text; ++text) {
        if (!IsDigit(*text))
            return false;
        number = number * 10 + (*text - '0');
        if (number > maximum)
            return false;
    }
    *value = static_cast<int32_t>(number);
    return true;
}
