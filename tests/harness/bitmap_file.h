// Bitmap files in the tests: images written for the scanning server to scan, and pages the
// programs under test wrote, read back pixel by pixel.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);

// A 24-bit BMP file of width x height whose pixel (x, y), counted from the top line, is pixel(x,
// y).
std::string BitmapFile(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

// A bitmap file read back, of any depth: headers, palette and pixels as colours.
struct BitmapImage {
    std::string bytes;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};

    bool Load(const std::string& path);
    int RowBytes() const { return (info.biWidth * info.biBitCount + 31) / 32 * 4; }
    uint8_t Byte(size_t offset) const { return static_cast<uint8_t>(bytes.at(offset)); }
    Rgb PaletteEntry(int index) const;
    // Pixel (x, y) counted from the top line, as the page was scanned.
    Rgb At(int x, int y) const;
};
