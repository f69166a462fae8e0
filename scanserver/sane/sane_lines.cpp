#include "sane_lines.h"

#include <algorithm>
#include <cstring>

namespace {

int Channels(uint32_t format) {
    return format == kFrameRgb ? 3 : 1;
}

// Sample `index` of a line as 8 bits: 16-bit samples keep their high byte; 1-bit samples are
// 0 or 255 (the caller turns gray's set bit, which is black, round).
uint8_t Sample(const FrameLayout& layout, const uint8_t* line, int index) {
    switch (layout.depth) {
    case 1:
        return (line[index >> 3] & (0x80 >> (index & 7))) ? 255 : 0;
    case 16:
        return line[2 * index + (layout.littleEndian16 ? 1 : 0)];
    default:
        return line[index];
    }
}

} // namespace

bool UsableLayout(const SaneParameters& p, int32_t maxLineBytes) {
    if (p.format > kFrameBlue || (p.depth != 1 && p.depth != 8 && p.depth != 16))
        return false;
    if (p.pixelsPerLine <= 0 || p.bytesPerLine <= 0 || p.bytesPerLine > maxLineBytes ||
        p.lines < -1)
        return false;
    int64_t bits = int64_t{p.pixelsPerLine} * Channels(p.format) * p.depth;
    return (bits + 7) / 8 <= p.bytesPerLine;
}

void DeviceLineToRgb(const FrameLayout& layout, const uint8_t* line, int width, uint8_t* rgb) {
    int shared = std::min(width, layout.pixels);
    bool white = false;
    switch (layout.format) {
    case kFrameGray:
        for (int x = 0; x < shared; ++x) {
            uint8_t gray = Sample(layout, line, x);
            if (layout.depth == 1)
                gray = static_cast<uint8_t>(~gray); // lineart: a set bit is black
            rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = gray;
        }
        white = true;
        break;
    case kFrameRgb:
        if (layout.depth == 8) {
            memcpy(rgb, line, static_cast<size_t>(shared) * 3);
        } else {
            for (int i = 0; i < 3 * shared; ++i)
                rgb[i] = Sample(layout, line, i);
        }
        white = true;
        break;
    default: { // one channel of a three-pass page
        int channel = static_cast<int>(layout.format - kFrameRed);
        for (int x = 0; x < shared; ++x)
            rgb[3 * x + channel] = Sample(layout, line, x);
        for (int x = shared; x < width; ++x)
            rgb[3 * x + channel] = 255;
    }
    }
    if (white && width > shared)
        memset(rgb + 3 * shared, 255, static_cast<size_t>(width - shared) * 3);
}
