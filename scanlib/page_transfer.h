// Holding the scanner and scanning pages: open and close, page start with the scan parameters,
// the line transfer into the caller's buffer (optional 32-bit line padding, progress dialog,
// cancel), the feeder and busy queries. One set of transfer state per process: the scanner is
// held by one client at a time.
#pragma once
#include <windows.h>

#include <cstdint>

#include "orvlib.h"

// Bits per sample and samples per pixel of a scan mode (the first matching bit wins).
struct SampleFormat {
    uint16_t bitsPerSample;
    uint16_t samplesPerPixel;
};
SampleFormat SampleFormatOf(uint16_t scanMode);
// Bytes of one line of `right` pixels padded to a multiple of 32 pixels and of 4 bytes.
uint16_t PaddedLineWidth(uint16_t scanMode, int16_t right);

int16_t OpenScanner(int32_t fId);
int16_t CloseScanner(int32_t fId);
int16_t StartScan(int32_t fId, int32_t progress, int32_t pad32);
// Moves the next lines of the page (item 8 for scan data, 15 for graphic data) into the caller's
// global block: bytes delivered, or -2001..-2006. Never writes past the block's real size.
int32_t TransferLines(int32_t fId, HGLOBAL buffer, int16_t lineCount, uint16_t item);
int16_t CancelScan(int32_t fId);
int16_t IsAdfReady(int32_t fId);
int16_t IsScannerBusy(int32_t fId);
// True when the id has an entry and holds the scanner open.
bool IsOpenClient(int32_t fId);

// Transfer state read and changed by the decompression control.
uint16_t CurrentPaddedLineWidth();
void SetPaddedLineWidth(uint16_t width);
uint16_t CurrentResolution();
uint16_t CurrentBitsPerSample();
void SetDecompressionMode(int16_t mode);
int16_t DecompressionMode();
