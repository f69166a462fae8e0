#include "line_format.h"

#include "orvlib.h"

#include <cstring>

namespace {

// 4x4 ordered-dither thresholds for the halftone mode.
constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

} // namespace

LineFormat FormatForMode(uint16_t mode) {
    if (mode & ORV_MODE_GRAY4)
        return {4, 1, false};
    if (mode & ORV_MODE_GRAY8)
        return {8, 1, false};
    if (mode & ORV_MODE_COLOR)
        return {8, 3, false};
    if (mode & ORV_MODE_GRAY4_ALT)
        return {4, 1, false};
    return {1, 1, (mode & ORV_MODE_HALFTONE) != 0};
}

int LineBytes(const LineFormat& format, int width) {
    if (width <= 0)
        return 0;
    return (width * format.samplesPerPixel * format.bitsPerSample + 7) / 8;
}

uint8_t Luminance(const uint8_t* rgb) {
    return static_cast<uint8_t>((rgb[0] * 77 + rgb[1] * 150 + rgb[2] * 29) >> 8);
}

void PackLine(const LineFormat& format, const uint8_t* rgb, int width, int y, uint8_t* out) {
    if (format.samplesPerPixel == 3) {
        memcpy(out, rgb, static_cast<size_t>(width) * 3);
        return;
    }
    if (format.bitsPerSample == 8) {
        for (int x = 0; x < width; ++x)
            out[x] = Luminance(rgb + 3 * x);
        return;
    }
    memset(out, 0, static_cast<size_t>(LineBytes(format, width)));
    if (format.bitsPerSample == 4) {
        // Two pixels a byte, the left one in the high nibble; 0 black, 15 white.
        for (int x = 0; x < width; ++x)
            out[x / 2] |= static_cast<uint8_t>((Luminance(rgb + 3 * x) >> 4) << (x & 1 ? 0 : 4));
        return;
    }
    // Eight pixels a byte, the left one in the high bit; a set bit is white.
    for (int x = 0; x < width; ++x) {
        int gray = Luminance(rgb + 3 * x);
        int threshold = format.halftone ? kBayer[y & 3][x & 3] * 16 + 8 : 128;
        if (gray >= threshold)
            out[x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
}
