// Page decompression control: one entry point multiplexing the decompression mode, the
// decompression data exchange, the flush and the graphic-data line transfer.
#pragma once
#include <cstdint>

#include "page_transfer.h"

// Decompression mode from set_decomp's enable and option: 1, 8, 0 or 16.
int16_t DecompressionModeFor(int16_t enable, int32_t option);
// The padded line width after the graphic-data adjustment: divided by resolution / 75 and, for
// 1-bit samples, multiplied by 4. A divisor of 0 (below 75 dpi, or no page started yet) leaves
// the width as it is.
uint16_t AdjustedLineWidth(uint16_t paddedWidth, uint16_t resolution, uint16_t bitsPerSample);
// Runs function 1 to 4 with its request and output records on the page: 0 or a negative status.
int16_t RunDecompressionFunction(PageTransfer& page, int16_t function, void* request, void* output);
