// How one line of a page travels in a line block for each scan mode: samples, bits, packing.
#pragma once
#include <cstdint>

struct LineFormat {
    int bitsPerSample;
    int samplesPerPixel;
    bool halftone; // 1-bit lines dithered instead of thresholded
};

// The first matching mode bit wins, in the order the library computes its line geometry:
// ORV_MODE_GRAY4, ORV_MODE_GRAY8, ORV_MODE_COLOR (24-bit), ORV_MODE_GRAY4_ALT, otherwise 1 bit
// (ORV_MODE_HALFTONE dithered, anything else black-and-white).
LineFormat FormatForMode(uint16_t mode);
// Bytes of one unpadded line: width x samples x bits, rounded up to whole bytes.
int LineBytes(const LineFormat& format, int width);
// Converts one line of RGB pixels (3 bytes each, red first) into the mode's line layout.
// `y` is the line number, which places the halftone pattern.
void PackLine(const LineFormat& format, const uint8_t* rgb, int width, int y, uint8_t* out);
uint8_t Luminance(const uint8_t* rgb);
