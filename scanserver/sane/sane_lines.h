// A SANE device's scan lines made into the RGB lines Orvane's line formats are packed from:
// every frame format (gray, lineart, RGB, one channel of a three-pass page) at depths 1, 8 and
// 16. Nothing here reads the network.
#pragma once
#include "sane_wire.h"

#include <cstdint>

struct FrameLayout {
    uint32_t format;     // SaneFrame
    int depth;           // 1, 8 or 16
    int pixels;          // pixels a line
    bool littleEndian16; // byte order of 16-bit samples (saned's START reply)
};

// Whether saned's parameters describe lines this client can read: a known frame format, depth
// 1, 8 or 16, and at least a whole line of samples in `bytesPerLine` (at most `maxLineBytes`).
bool UsableLayout(const SaneParameters& parameters, int32_t maxLineBytes);
// Writes pixels 0 to `width` - 1 of `rgb` from one device line: every channel from a gray or RGB
// frame, the frame's own channel from a red, green or blue frame (the other channels stay as
// they are). Pixels beyond the device's line are white.
void DeviceLineToRgb(const FrameLayout& layout, const uint8_t* line, int width, uint8_t* rgb);
