// Integer values of the configuration files, read as text through the profile operations and
// taken by ProfileNumber, so a value too large for its field reads as the field's default
// instead of the number its low bits happen to spell.
#pragma once
#include <cstdint>

int32_t ReadProfileNumber(const char* section, const char* key, int32_t fallback, int32_t minimum,
                          int32_t maximum, const char* file);

// The same for the 16-bit fields most values land in.
inline int16_t ReadProfileInt16(const char* section, const char* key, int16_t fallback,
                                const char* file) {
    return static_cast<int16_t>(
        ReadProfileNumber(section, key, fallback, INT16_MIN, INT16_MAX, file));
}
inline uint16_t ReadProfileUInt16(const char* section, const char* key, uint16_t fallback,
                                  const char* file) {
    return static_cast<uint16_t>(ReadProfileNumber(section, key, fallback, 0, UINT16_MAX, file));
}
