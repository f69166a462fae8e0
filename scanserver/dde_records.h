// The blocks of the DDE conversation as the server takes and answers them, byte for byte, with
// their flags, formats and item numbers. The library keeps its own copy of these records on
// purpose: written apart, the server and the library stay independent witnesses of the protocol,
// so a layout slip in one shows as a failing exchange instead of agreeing with itself.
#pragma once
#include "scan_session.h"
#include "server_settings.h"

#include <cstddef>
#include <cstdint>

constexpr uint16_t kAckFlag = 0x8000;
constexpr uint16_t kBusyFlag = 0x4000;
constexpr uint16_t kReleaseFlag = 0x2000;
constexpr uint16_t kResponseFlag = 0x1000;

constexpr uint16_t kFormatCapabilities = 513;
constexpr uint16_t kFormatFeeder = 515;
constexpr uint16_t kFormatLines = 516;
constexpr uint16_t kFormatResolutions = 517;

constexpr unsigned kItemCapabilities = 1;
constexpr unsigned kItemResolutions = 2;
constexpr unsigned kItemScanParameters = 4;
constexpr unsigned kItemFeeder = 5;
constexpr unsigned kItemStartPage = 6;
constexpr unsigned kItemTransferSetup = 7;
constexpr unsigned kItemLines = 8;
constexpr unsigned kItemCancel = 9;
constexpr unsigned kItemDecompressionParameters = 10;
constexpr unsigned kItemDecompressionData = 11;
constexpr unsigned kItemFlush = 14;
constexpr unsigned kItemGraphicLines = 15;

struct DdeHeader {
    uint16_t flags;
    uint16_t format;
};

// Item 4, poked.
struct ScanParameterBlock {
    DdeHeader header;
    uint16_t mode; // one ORV_MODE_* value
    int16_t left, top, right, bottom;
    uint16_t useFeeder;
    uint16_t brightness, contrast;
    uint16_t reserved;
    uint16_t resolution;
};
static_assert(sizeof(ScanParameterBlock) == 24, "scan-parameter block");
static_assert(offsetof(ScanParameterBlock, resolution) == 22, "scan-parameter block");

// Item 7, poked.
struct TransferSetupBlock {
    DdeHeader header;
    uint16_t decompressionMode;
    int16_t linesPerTransfer;
    uint16_t reserved;
};
static_assert(sizeof(TransferSetupBlock) == 10, "transfer-setup block");

// Item 10, poked.
struct DecompressionParameterBlock {
    DdeHeader header;
    uint16_t parameters[kDecompressionParameters];
};
static_assert(sizeof(DecompressionParameterBlock) == 14, "decompression-parameter block");

// Answer to item 1.
struct CapabilityBlock {
    DdeHeader header;
    uint16_t modes; // ORV_MODE_* bits
    int16_t left, top, right, bottom;
    uint16_t feeder;
    uint16_t brightnessLevels, contrastLevels;
    uint8_t reserved1;
    uint8_t decompression;
    uint8_t reserved2[6];
    char model[kModelChars];
};
static_assert(offsetof(CapabilityBlock, brightnessLevels) == 16, "capability block");
static_assert(offsetof(CapabilityBlock, decompression) == 21, "capability block");
static_assert(offsetof(CapabilityBlock, model) == 28, "capability block");
static_assert(sizeof(CapabilityBlock) == 60, "capability block");

// Answer to item 2: this head, then the 16-bit values.
struct ResolutionBlockHead {
    DdeHeader header;
    uint16_t kind; // non-zero: a range of two values; 0: a list of `count` values
    int16_t count;
};
static_assert(sizeof(ResolutionBlockHead) == 8, "resolution block");

// Answer to item 5.
struct FeederBlock {
    DdeHeader header;
    uint16_t present;
    uint16_t ready;
};
static_assert(sizeof(FeederBlock) == 8, "feeder block");

// Answer to items 8 and 15: this head, then `lines` lines of `bytesPerLine` bytes.
struct LineBlockHead {
    DdeHeader header;
    uint16_t bytesPerLine;
    int16_t lines;
};
static_assert(sizeof(LineBlockHead) == 8, "line block");

// Answer to item 11: the decompression parameters in force, the decompression mode of the
// transfer setup, and the geometry of what is left of the page.
struct DecompressionDataBlock {
    DdeHeader header;
    uint16_t parameters[kDecompressionParameters];
    uint16_t mode;
    uint16_t bytesPerLine;
    int16_t linesLeft;
};
static_assert(sizeof(DecompressionDataBlock) == 20, "decompression data block");
