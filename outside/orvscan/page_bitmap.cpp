#include "page_bitmap.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

bool WriteAll(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// One BMP row from one scanned line: the server's packing already matches the bitmap's for 1, 4
// and 8 bits (leftmost pixel in the high bits, palette index = gray level); 24-bit pixels swap
// red and blue.
void ConvertLine(const ScannedPage& page, const uint8_t* line, uint8_t* row) {
    if (page.bitsPerPixel == 24) {
        for (int x = 0; x < page.width; ++x) {
            row[3 * x] = line[3 * x + 2];
            row[3 * x + 1] = line[3 * x + 1];
            row[3 * x + 2] = line[3 * x];
        }
    } else {
        std::memcpy(row, line, (static_cast<size_t>(page.width) * page.bitsPerPixel + 7) / 8);
    }
}

} // namespace

bool WritePageBitmap(const ScannedPage& page, const char* path) {
    const int colours = page.bitsPerPixel <= 8 ? 1 << page.bitsPerPixel : 0;
    const DWORD rowBytes = ((static_cast<DWORD>(page.width) * page.bitsPerPixel + 31) / 32) * 4;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = page.width;
    info.biHeight = page.lines; // positive: bottom-up
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(page.bitsPerPixel);
    info.biCompression = BI_RGB;
    info.biSizeImage = rowBytes * page.lines;
    info.biXPelsPerMeter = info.biYPelsPerMeter = 0;
    info.biClrUsed = colours;
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info + colours * sizeof(RGBQUAD);
    file.bfSize = file.bfOffBits + info.biSizeImage;

    // Gray levels from black to white: 1-bit index 1 is white, as the server's set bit.
    RGBQUAD palette[256];
    for (int i = 0; i < colours; ++i) {
        BYTE level = static_cast<BYTE>(i * 255 / (colours - 1));
        palette[i] = RGBQUAD{level, level, level, 0};
    }

    std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[rowBytes]());
    if (!row)
        return false;
    HANDLE out =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(out, &file, sizeof file) && WriteAll(out, &info, sizeof info) &&
              WriteAll(out, palette, colours * sizeof(RGBQUAD));
    for (int y = page.lines - 1; ok && y >= 0; --y) {
        ConvertLine(page, page.data + static_cast<size_t>(y) * page.lineBytes, row.get());
        ok = WriteAll(out, row.get(), rowBytes);
    }
    ok = CloseHandle(out) && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}
