// Line geometry and the decompression control's arithmetic, without a server.
#include <gtest/gtest.h>

#include "decompression_control.h"
#include "page_transfer.h"

namespace {

TEST(LineGeometry, PaddedWidthsOfAHundredPixelLine) {
    EXPECT_EQ(PaddedLineWidth(0x01, 100), 16);
    EXPECT_EQ(PaddedLineWidth(0x02, 100), 16);
    EXPECT_EQ(PaddedLineWidth(0x08, 100), 128);
    EXPECT_EQ(PaddedLineWidth(0x10, 100), 384);
    EXPECT_EQ(PaddedLineWidth(0x04, 100), 64);
    EXPECT_EQ(PaddedLineWidth(0x80, 100), 64);
    // The first matching bit wins: 0x04 before 0x08 and 0x10.
    EXPECT_EQ(PaddedLineWidth(0x1C, 100), 64);
    // A letter-wide colour line at 300 dpi, and an empty area.
    EXPECT_EQ(PaddedLineWidth(0x10, 2550), 7680);
    EXPECT_EQ(PaddedLineWidth(0x01, 0), 0);
}

TEST(DecompressionControl, ModesAndWidthAdjustment) {
    EXPECT_EQ(DecompressionModeFor(1, 1), 1);
    EXPECT_EQ(DecompressionModeFor(1, 0), 8);
    EXPECT_EQ(DecompressionModeFor(0, 5), 0);
    EXPECT_EQ(DecompressionModeFor(0, 0), 16);
    EXPECT_EQ(AdjustedLineWidth(16, 300, 1), 16);
    EXPECT_EQ(AdjustedLineWidth(128, 300, 8), 32);
    EXPECT_EQ(AdjustedLineWidth(384, 150, 8), 192);
    EXPECT_EQ(AdjustedLineWidth(16, 100, 1), 64);
    // Below 75 dpi, or before any page, the divisor is 0: the width stays.
    EXPECT_EQ(AdjustedLineWidth(128, 50, 8), 128);
    EXPECT_EQ(AdjustedLineWidth(0, 0, 0), 0);
}

} // namespace
