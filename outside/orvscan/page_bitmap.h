// Writing a scanned page as a Windows bitmap file.
#pragma once
#include <cstdint>

// A page as the library delivers it with pad32: line y starts at y * lineBytes, top line first,
// pixels packed as the server sends them (1-bit with a set bit white, 4-bit with the left pixel
// in the high nibble, 8-bit gray, 24-bit red, green, blue).
struct ScannedPage {
    int width; // pixels
    int lines;
    int bitsPerPixel; // 1, 4, 8 or 24
    int lineBytes;    // padded line width
    const uint8_t* data;
};

// Writes the page as a BMP: bottom-up rows, a gray palette for 1, 4 and 8 bits (index 0 black),
// blue-green-red pixels for 24 bits. False when the file cannot be written.
bool WritePageBitmap(const ScannedPage& page, const char* path);
