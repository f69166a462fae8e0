#include "bitmap_file.h"

#include "harness.h"

#include <cstring>
#include <ostream>

std::string BitmapFile(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = stride * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = height - 1; y >= 0; --y) { // rows bottom-up, blue first
        std::string row;
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            row += static_cast<char>(c.b);
            row += static_cast<char>(c.g);
            row += static_cast<char>(c.r);
        }
        row.resize(stride, '\0');
        bytes += row;
    }
    return bytes;
}

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

bool BitmapImage::Load(const std::string& path) {
    if (!ReadWholeFile(path, &bytes) || bytes.size() < sizeof file + sizeof info)
        return false;
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    return true;
}

Rgb BitmapImage::PaletteEntry(int index) const {
    size_t at = sizeof file + sizeof info + 4 * index;
    return Rgb{Byte(at + 2), Byte(at + 1), Byte(at)};
}

Rgb BitmapImage::At(int x, int y) const {
    size_t row = file.bfOffBits + static_cast<size_t>(info.biHeight - 1 - y) * RowBytes();
    int bits = info.biBitCount;
    if (bits == 24)
        return Rgb{Byte(row + 3 * x + 2), Byte(row + 3 * x + 1), Byte(row + 3 * x)};
    int bitOffset = x * bits;
    int index = Byte(row + bitOffset / 8) >> (8 - bits - bitOffset % 8) & ((1 << bits) - 1);
    return PaletteEntry(index);
}
