// The server draws whole lines from rows made once a page; every pixel must still be what the
// chart's definition says, for any page size and resolution, and a configured image must be
// scaled pixel for pixel as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "harness.h"
#include "line_format.h"
#include "page_source.h"

namespace {

// The chart pixel by pixel: a black frame with inch ticks along the top and left edges, a gray
// ramp band (lines H/10 to H/5), two black diagonals, the text in black, eight colour bars (lines
// 3H/4 to 9H/10); strokes of 1/50 inch, at least one pixel. The text is taken from a line the
// server drew over a white page of the same size (see TextMaskOf).
struct Chart {
    int width, lines, dpi, stroke;
    std::vector<uint8_t> text; // 1 where the text inks, width x lines

    Rgb Pixel(int x, int y) const {
        static constexpr Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                         {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
        const Rgb black{0, 0, 0}, white{255, 255, 255};
        if (x < stroke || y < stroke || x >= width - stroke || y >= lines - stroke)
            return black;
        const int tick = dpi / 4;
        if ((x % dpi < stroke && y < tick) || (y % dpi < stroke && x < tick))
            return black;
        if (text[static_cast<size_t>(y) * width + x])
            return black;
        if (y >= lines * 3 / 4 && y < lines * 9 / 10)
            return kBars[int64_t{x} * 8 / width];
        if (y >= lines / 10 && y < lines / 5) {
            const uint8_t v = static_cast<uint8_t>(width > 1 ? int64_t{x} * 255 / (width - 1) : 0);
            return {v, v, v};
        }
        const int64_t down = int64_t{x} * lines - int64_t{y} * width;
        const int64_t up = int64_t{width - 1 - x} * lines - int64_t{y} * width;
        const int64_t reach = int64_t{stroke} * lines;
        const bool diagonal = (down > -reach && down < reach) || (up > -reach && up < reach);
        return diagonal ? black : white;
    }
};

std::vector<uint8_t> Line(int y, int width) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3 + 3, 0xAB);
    RenderPageLine(y, rgb.data());
    EXPECT_EQ(rgb[rgb.size() - 1], 0xAB) << "line " << y << " written past its end";
    rgb.resize(rgb.size() - 3);
    return rgb;
}

// The text box lies in the middle 30 % of the lines, where only the diagonals, the frame and
// the left ticks draw black besides the text: a black pixel there that the definition without
// text calls white is ink.
std::vector<uint8_t> TextMaskOf(Chart& chart) {
    chart.text.assign(static_cast<size_t>(chart.width) * chart.lines, 0);
    std::vector<uint8_t> mask(chart.text.size(), 0);
    for (int y = chart.lines * 35 / 100; y < chart.lines * 65 / 100; ++y) {
        const std::vector<uint8_t> rgb = Line(y, chart.width);
        for (int x = 0; x < chart.width; ++x) {
            const Rgb want = chart.Pixel(x, y);
            const bool black = !rgb[3 * x] && !rgb[3 * x + 1] && !rgb[3 * x + 2];
            mask[static_cast<size_t>(y) * chart.width + x] = black && want.r == 255;
        }
    }
    return mask;
}

TEST(PageSource, EveryLineOfTheChartMatchesItsPixelDefinition) {
    PreparePageSource(GetModuleHandleA(nullptr), nullptr);
    struct Size {
        int width, lines, dpi;
    } sizes[] = {{1, 1, 300},    {2, 3, 1},        {7, 5, 50},     {100, 10, 300}, {100, 100, 100},
                 {333, 217, 75}, {850, 1100, 100}, {640, 40, 600}, {40, 640, 300}, {2480, 60, 300}};
    for (const Size& size : sizes) {
        BeginPageSource(size.width, size.lines, size.dpi);
        Chart chart{size.width, size.lines, size.dpi, std::max(size.dpi / 50, 1), {}};
        chart.text = TextMaskOf(chart);
        int inked = 0, wrong = 0;
        for (int y = 0; y < size.lines; ++y) {
            const std::vector<uint8_t> rgb = Line(y, size.width);
            for (int x = 0; x < size.width; ++x) {
                const Rgb want = chart.Pixel(x, y);
                inked += chart.text[static_cast<size_t>(y) * size.width + x];
                const bool same =
                    rgb[3 * x] == want.r && rgb[3 * x + 1] == want.g && rgb[3 * x + 2] == want.b;
                if (!same && ++wrong <= 5) {
                    ADD_FAILURE() << size.width << "x" << size.lines << " at " << size.dpi
                                  << " dpi: pixel " << x << "," << y << " is " << int(rgb[3 * x])
                                  << "," << int(rgb[3 * x + 1]) << "," << int(rgb[3 * x + 2]);
                }
            }
        }
        EXPECT_EQ(wrong, 0) << size.width << "x" << size.lines;
        // The text must be there on pages large enough to show it, and only in its box.
        if (size.width >= 100 && size.lines >= 100) {
            EXPECT_GT(inked, size.width * size.lines / 200) << size.width << "x" << size.lines;
        }
    }
}

TEST(PageSource, TheTextIsTheServersWordScaledIntoTheMiddle) {
    PreparePageSource(GetModuleHandleA(nullptr), nullptr);
    BeginPageSource(850, 1100, 100);
    Chart chart{850, 1100, 100, 2, {}};
    const std::vector<uint8_t> text = TextMaskOf(chart);
    int left = 850, right = 0, top = 1100, bottom = 0;
    for (int y = 0; y < 1100; ++y)
        for (int x = 0; x < 850; ++x)
            if (text[static_cast<size_t>(y) * 850 + x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    // At most 80 % of the width, centred; inside the middle third of the height.
    EXPECT_LE(right - left, 850 * 8 / 10);
    EXPECT_NEAR((left + right) / 2, 425, 20);
    EXPECT_GT(top, 1100 / 3);
    EXPECT_LT(bottom, 1100 * 2 / 3);
}

TEST(PageSource, AnImageIsScaledByNearestPixelToEveryPageSize) {
    const std::string path = WindowsDir() + "page_source_image.bmp";
    // Pixel (x, y) is (x, y, x ^ y).
    ASSERT_TRUE(WriteTextFile(path, BitmapFile(37, 23, [](int x, int y) {
                                  return Rgb{x, y, x ^ y};
                              })));
    PreparePageSource(GetModuleHandleA(nullptr), path.c_str());
    DeleteFileA(path.c_str());
    for (const int size : {37, 23, 100, 5}) {
        BeginPageSource(size, size + 3, 300);
        for (int y = 0; y < size + 3; ++y) {
            const std::vector<uint8_t> rgb = Line(y, size);
            const int iy = y * 23 / (size + 3);
            for (int x = 0; x < size; ++x) {
                const int ix = x * 37 / size;
                ASSERT_EQ(rgb[3 * x], ix) << size << ": " << x << "," << y;
                ASSERT_EQ(rgb[3 * x + 1], iy) << size << ": " << x << "," << y;
                ASSERT_EQ(rgb[3 * x + 2], ix ^ iy) << size << ": " << x << "," << y;
            }
        }
    }
}

} // namespace
