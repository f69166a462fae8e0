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

// Rows that do not depend on the line, made once a page: plain white, the gray ramp and the
// colour bars; and the mask column of every pixel across the text box.
std::vector<uint8_t> g_whiteRow, g_rampRow, g_barsRow;
std::vector<int> g_maskColumn;
// The configured image's column for every pixel of the page.
std::vector<int> g_imageColumn;

void Fill(uint8_t* row, int from, int to, Rgb colour) {
    from = std::max(from, 0);
    to = std::min(to, g_width);
    for (int x = from; x < to; ++x) {
        row[3 * x] = colour.r;
        row[3 * x + 1] = colour.g;
        row[3 * x + 2] = colour.b;
    }
}

void Black(uint8_t* row, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, g_width);
    if (from < to)
        memset(row + 3 * from, 0, static_cast<size_t>(to - from) * 3);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The pixels of line y within the stroke of the line from (0, 0) to (width, lines): those x
// whose x * lines lies strictly within stroke * lines of y * width. Mirrored for the other one.
void DrawDiagonals(int y, uint8_t* row) {
    const int64_t centre = int64_t{y} * g_width, reach = int64_t{g_stroke} * g_lines;
    const int64_t first = FloorDiv(centre - reach, g_lines) + 1;
    const int64_t last = -FloorDiv(-(centre + reach), g_lines) - 1; // ceiling, then inside
    if (first > last)
        return;
    const int64_t from = std::max<int64_t>(first, 0), to = std::min<int64_t>(last, g_width - 1);
    if (from <= to) {
        Black(row, static_cast<int>(from), static_cast<int>(to) + 1);
        Black(row, static_cast<int>(g_width - 1 - to), static_cast<int>(g_width - from));
    }
}

void DrawText(int y, uint8_t* row) {
    if (y < g_textBox.top || y >= g_textBox.bottom)
        return;
    const int64_t my =
        int64_t{y - g_textBox.top} * g_maskHeight / (g_textBox.bottom - g_textBox.top);
    const uint8_t* maskRow = &g_mask[static_cast<size_t>(my * g_maskWidth)];
    for (int x = g_textBox.left; x < g_textBox.right; ++x)
        if (maskRow[g_maskColumn[x - g_textBox.left]])
            memset(row + 3 * x, 0, 3);
}

// The chart's line y: the band's row, then everything drawn black over it.
void RenderChartLine(int y, uint8_t* row) {
    const size_t bytes = static_cast<size_t>(g_width) * 3;
    if (y < g_stroke || y >= g_lines - g_stroke) {
        memset(row, 0, bytes);
        return;
    }
    const bool bars = y >= g_lines * 3 / 4 && y < g_lines * 9 / 10;
    const bool ramp = !bars && y >= g_lines / 10 && y < g_lines / 5;
    memcpy(row, (bars ? g_barsRow : ramp ? g_rampRow : g_whiteRow).data(), bytes);
    if (!bars && !ramp)
        DrawDiagonals(y, row);
    DrawText(y, row);
    if (y < g_dpi / 4)
        for (int x = 0; x < g_width; x += g_dpi)
            Black(row, x, x + g_stroke);
    if (y % g_dpi < g_stroke)
        Black(row, 0, g_dpi / 4);
    Black(row, 0, g_stroke);
    Black(row, g_width - g_stroke, g_width);
}

void PrepareRows() {
    g_whiteRow.assign(static_cast<size_t>(g_width) * 3, 255);
    g_rampRow.resize(g_whiteRow.size());
    g_barsRow.resize(g_whiteRow.size());
    for (int x = 0; x < g_width; ++x) {
        const uint8_t v = static_cast<uint8_t>(g_width > 1 ? int64_t{x} * 255 / (g_width - 1) : 0);
        Fill(g_rampRow.data(), x, x + 1, {v, v, v});
        Fill(g_barsRow.data(), x, x + 1, kBars[int64_t{x} * 8 / g_width]);
    }
    g_maskColumn.resize(static_cast<size_t>(g_textBox.right - g_textBox.left));
    for (size_t i = 0; i < g_maskColumn.size(); ++i)
        g_maskColumn[i] = static_cast<int>(int64_t(i) * g_maskWidth / int64_t(g_maskColumn.size()));
    g_imageColumn.clear();
    if (!g_image.empty())
        for (int x = 0; x < g_width; ++x)
            g_imageColumn.push_back(static_cast<int>(int64_t{x} * g_imageWidth / g_width));
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
    PrepareRows();
}

void RenderPageLine(int y, uint8_t* rgb) {
    if (g_image.empty()) {
        RenderChartLine(y, rgb);
        return;
    }
    const uint8_t* source =
        &g_image[static_cast<size_t>(int64_t{y} * g_imageHeight / g_lines) * g_imageWidth * 3];
    if (g_imageWidth == g_width) {
        memcpy(rgb, source, static_cast<size_t>(g_width) * 3);
        return;
    }
    for (int x = 0; x < g_width; ++x)
        memcpy(rgb + 3 * x, source + static_cast<size_t>(g_imageColumn[x]) * 3, 3);
}
