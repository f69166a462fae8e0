// Scanning a page: the page start with the scan parameters, the line transfer into the caller's
// buffer (optional 32-bit line padding, progress dialog, cancel), the cancel and the feeder query.
#pragma once
#include <windows.h>

#include <cstdint>

#include "orvlib.h"

// The page being transferred. One per process, since one client at a time holds the scanner; the
// scan exports and the decompression control pass it to every function that reads or moves it.
struct PageTransfer {
    bool firstTransfer;
    bool endOfPage;
    // Set by every set_decomp and at load: the next graphic-data transfer adjusts the line width.
    bool adjustWidth = true;
    uint16_t pad32;
    uint16_t paddedWidth; // bytes per line delivered with padding
    uint16_t serverWidth; // bytes per line of the server's last block
    int16_t totalLines;
    int16_t remainingLines;
    uint16_t resolution;
    uint16_t bitsPerSample;
    int16_t decompressionMode; // 0 or 16: off
};

// Bytes of one line of `right` pixels in the mode, padded to a multiple of 32 pixels and of 4
// bytes; the width is rounded up in 16 bits, so one near 65535 pixels wraps to 0.
uint16_t PaddedLineWidth(uint16_t scanMode, int16_t right);

int16_t StartScan(PageTransfer& page, int32_t fId, int32_t progress, int32_t pad32);
// Moves the next lines of the page (item 8 for scan data, 15 for graphic data) into the caller's
// global block: bytes delivered, or -2001..-2006. Never writes past the block's real size.
int32_t TransferLines(PageTransfer& page, int32_t fId, HGLOBAL buffer, int16_t lineCount,
                      uint16_t item);
int16_t CancelScan(int32_t fId);
int16_t IsAdfReady(int32_t fId);
