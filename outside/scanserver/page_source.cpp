#include "page_source.h"

#include "server_texts.h"

#include <algorithm>
#include <cstring>
#include <vector>

// The chart, from the top: a black frame with inch ticks along the top and left edges, a gray
// ramp band (black at the left to white at the right, lines H/10 to H/5), two black diagonals
// corner to corner, the word "ORVANE" in black in the middle (at most 80% of the width and 30%
// of the height), and eight colour bars (white, yellow, cyan, green, magenta, red, blue, black;
// lines 3H/4 to 9H/10). Lines are drawn about 1/50 inch wide, at least one pixel.

namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
constexpr int kMaskFontHeight = 160; // pixels; the mask is scaled to the page

// Text mask: one byte per pixel, 1 where the text is inked.
std::vector<uint8_t> g_mask;
int g_maskWidth = 0, g_maskHeight = 0;

// Configured image, top-down RGB.
std::vector<uint8_t> g_image;
int g_imageWidth = 0, g_imageHeight = 0;

// Current page.
int g_width = 0, g_lines = 0, g_dpi = 1, g_stroke = 1;
RECT g_textBox{};

void RenderTextMask(HINSTANCE instance) {
    char text[32];
    int length = LoadStringA(instance, IDS_CHART_TEXT, text, sizeof text);
    if (length <= 0)
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-kMaskFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             VARIABLE_PITCH | FF_SWISS, "Tahoma");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    if (extent.cx > 0 && extent.cy > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = extent.cx;
        info.bmiHeader.biHeight = -extent.cy; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits) {
            HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
            memset(bits, 0xFF, static_cast<size_t>(extent.cx) * extent.cy * 4);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(0, 0, 0));
            TextOutA(dc, 0, 0, text, length);
            GdiFlush();
            g_maskWidth = extent.cx;
            g_maskHeight = extent.cy;
            g_mask.resize(static_cast<size_t>(g_maskWidth) * g_maskHeight);
            const uint8_t* pixel = static_cast<const uint8_t*>(bits);
            for (size_t i = 0; i < g_mask.size(); ++i)
                g_mask[i] = pixel[4 * i + 1] < 128; // green channel: dark means ink
            SelectObject(dc, oldBitmap);
        }
        if (bitmap)
            DeleteObject(bitmap);
    }
    SelectObject(dc, oldFont);
    DeleteObject(font);
    DeleteDC(dc);
}

void LoadImageFile(const char* path) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap)
        return;
    BITMAP shape{};
    GetObjectA(bitmap, sizeof shape, &shape);
    if (shape.bmWidth > 0 && shape.bmHeight > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = shape.bmWidth;
        info.bmiHeader.biHeight = -shape.bmHeight; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        size_t stride = (static_cast<size_t>(shape.bmWidth) * 3 + 3) & ~size_t{3};
        std::vector<uint8_t> bgr(stride * shape.bmHeight);
        HDC dc = CreateCompatibleDC(nullptr);
        int got = GetDIBits(dc, bitmap, 0, shape.bmHeight, bgr.data(), &info, DIB_RGB_COLORS);
        DeleteDC(dc);
        if (got == shape.bmHeight) {
            g_imageWidth = shape.bmWidth;
            g_imageHeight = shape.bmHeight;
            g_image.resize(static_cast<size_t>(g_imageWidth) * g_imageHeight * 3);
            for (int y = 0; y < g_imageHeight; ++y)
                for (int x = 0; x < g_imageWidth; ++x) {
                    const uint8_t* from = &bgr[y * stride + 3 * x];
                    uint8_t* to = &g_image[(static_cast<size_t>(y) * g_imageWidth + x) * 3];
                    to[0] = from[2];
                    to[1] = from[1];
                    to[2] = from[0];
                }
        }
    }
    DeleteObject(bitmap);
}

bool TextInk(int x, int y) {
    if (x < g_textBox.left || x >= g_textBox.right || y < g_textBox.top || y >= g_textBox.bottom)
        return false;
    int64_t mx = int64_t{x - g_textBox.left} * g_maskWidth / (g_textBox.right - g_textBox.left);
    int64_t my = int64_t{y - g_textBox.top} * g_maskHeight / (g_textBox.bottom - g_textBox.top);
    return g_mask[static_cast<size_t>(my * g_maskWidth + mx)] != 0;
}

bool OnDiagonal(int x, int y) {
    // Horizontal distance from the lines corner to corner, in pixels, within the stroke.
    int64_t down = int64_t{x} * g_lines - int64_t{y} * g_width;
    int64_t up = int64_t{g_width - 1 - x} * g_lines - int64_t{y} * g_width;
    int64_t reach = int64_t{g_stroke} * g_lines;
    return (down > -reach && down < reach) || (up > -reach && up < reach);
}

Rgb ChartPixel(int x, int y) {
    constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};
    if (x < g_stroke || y < g_stroke || x >= g_width - g_stroke || y >= g_lines - g_stroke)
        return kBlack;
    int tick = g_dpi / 4;
    if ((x % g_dpi < g_stroke && y < tick) || (y % g_dpi < g_stroke && x < tick))
        return kBlack;
    if (TextInk(x, y))
        return kBlack;
    if (y >= g_lines * 3 / 4 && y < g_lines * 9 / 10)
        return kBars[int64_t{x} * 8 / g_width];
    if (y >= g_lines / 10 && y < g_lines / 5) {
        uint8_t v = static_cast<uint8_t>(g_width > 1 ? int64_t{x} * 255 / (g_width - 1) : 0);
        return {v, v, v};
    }
    return OnDiagonal(x, y) ? kBlack : kWhite;
}

} // namespace

void PreparePageSource(HINSTANCE instance, const char* imagePath) {
    RenderTextMask(instance);
    if (imagePath && *imagePath)
        LoadImageFile(imagePath);
}

void BeginPageSource(int width, int lines, int resolution) {
    g_width = width;
    g_lines = lines;
    g_dpi = std::max(resolution, 1);
    g_stroke = std::max(g_dpi / 50, 1);
    g_textBox = RECT{};
    if (g_maskWidth > 0 && width > 0 && lines > 0) {
        // Largest box of the mask's shape within 80% of the width and 30% of the height.
        int64_t boxWidth = int64_t{width} * 8 / 10;
        int64_t boxHeight = boxWidth * g_maskHeight / g_maskWidth;
        if (boxHeight > int64_t{lines} * 3 / 10) {
            boxHeight = int64_t{lines} * 3 / 10;
            boxWidth = boxHeight * g_maskWidth / g_maskHeight;
        }
        if (boxWidth > 0 && boxHeight > 0) {
            g_textBox.left = static_cast<LONG>((width - boxWidth) / 2);
            g_textBox.top = static_cast<LONG>((lines - boxHeight) / 2);
            g_textBox.right = g_textBox.left + static_cast<LONG>(boxWidth);
            g_textBox.bottom = g_textBox.top + static_cast<LONG>(boxHeight);
        }
    }
}

void RenderPageLine(int y, uint8_t* rgb) {
    for (int x = 0; x < g_width; ++x, rgb += 3) {
        if (!g_image.empty()) {
            const uint8_t* from = &g_image[(int64_t{y} * g_imageHeight / g_lines * g_imageWidth +
                                            int64_t{x} * g_imageWidth / g_width) *
                                           3];
            memcpy(rgb, from, 3);
            continue;
        }
        Rgb pixel = ChartPixel(x, y);
        rgb[0] = pixel.r;
        rgb[1] = pixel.g;
        rgb[2] = pixel.b;
    }
}
