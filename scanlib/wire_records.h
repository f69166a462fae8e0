// The blocks that cross the conversation with the scanning server, as the library builds and
// reads them: little-endian, packed, the same layout in the 32-bit and the 64-bit build. The
// scanning server (scanserver/) keeps its own copy of these records on purpose: written apart,
// the two stay independent witnesses of the protocol, so a layout mistake made on one side shows
// up in the tests instead of being shared by both.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "orvlib.h"

// Items and clipboard formats of the conversation. Items are small numbers, not atoms.
constexpr uint16_t kItemCapabilities = 1;
constexpr uint16_t kItemResolutions = 2;
constexpr uint16_t kItemScanParameters = 4;
constexpr uint16_t kItemFeeder = 5;
constexpr uint16_t kItemStartPage = 6;
constexpr uint16_t kItemTransferSetup = 7;
constexpr uint16_t kItemLines = 8;
constexpr uint16_t kItemCancel = 9;
constexpr uint16_t kItemDecompParameters = 10;
constexpr uint16_t kItemDecompData = 11;
constexpr uint16_t kItemDecompFlush = 14;
constexpr uint16_t kItemGraphicLines = 15;
constexpr uint16_t kFormatScanParameters = 512;
constexpr uint16_t kFormatCapabilities = 513;
constexpr uint16_t kFormatFeeder = 515;
constexpr uint16_t kFormatLines = 516;
constexpr uint16_t kFormatResolutions = 517;

// Status word of an acknowledgement and flags word of a DDE block.
constexpr uint16_t kAckPositive = 0x8000;
constexpr uint16_t kAckBusy = 0x4000;
constexpr uint16_t kBlockRelease = 0x2000;

#pragma pack(push, 1)

// Every poke and data block begins with the DDE header.
struct DdeBlockHeader {
    uint16_t flags;  // kBlockRelease: the receiver frees the block
    uint16_t format; // clipboard format
};

// Item 4, poked without kBlockRelease: the library frees it after the exchange.
struct ScanParameterBlock {
    DdeBlockHeader header;
    uint16_t scanMode; // one ORV_MODE_* value
    ScanRect area;
    uint16_t useFeeder; // the low 16 bits of the attribute
    uint16_t brightness;
    uint16_t contrast;
    uint16_t reserved;
    uint16_t resolution; // dpi
};

// Item 7, poked with kBlockRelease.
struct TransferSetupBlock {
    DdeBlockHeader header;
    uint16_t decompressionMode; // 0, 1, 8 or 16
    uint16_t linesPerTransfer;
    uint16_t reserved;
};

// Item 10, poked with kBlockRelease.
struct DecompressionParameterBlock {
    DdeBlockHeader header;
    uint16_t parameters[5];
};

// The answer to items 8 and 15: this header, then lineCount lines of bytesPerLine bytes each,
// unpadded. A block whose lines hold no bytes ends the page.
struct LineBlockHeader {
    DdeBlockHeader header;
    uint16_t bytesPerLine;
    int16_t lineCount;
};

// The answer to item 5: the feeder holds paper when both words share a set bit.
struct FeederReply {
    DdeBlockHeader header;
    uint16_t feederState;
    uint16_t paperState;
};

// The answer to item 1.
struct CapabilityReply {
    DdeBlockHeader header;
    uint16_t scanModes; // ORV_MODE_* bits
    ScanRect largestArea;
    uint16_t hasFeeder;
    uint16_t brightnessLevels;
    uint16_t contrastLevels;
    uint8_t reserved1;
    uint8_t pageDecompression;
    uint8_t reserved2[6];
    char modelName[32]; // padded with NUL
};

// The answer to item 2: a range of dpi values, or a list of listCount values that starts where
// the range's minimum is and runs past the end of this record.
struct ResolutionReply {
    DdeBlockHeader header;
    uint16_t isRange; // non-zero: a range; 0: a list
    int16_t listCount;
    uint16_t minimum; // a list's first entry
    uint16_t maximum; // a list's second entry
};

#pragma pack(pop)

static_assert(sizeof(DdeBlockHeader) == 4 && offsetof(DdeBlockHeader, format) == 2,
              "DDE block header layout");
static_assert(sizeof(ScanParameterBlock) == 24, "scan-parameter block layout");
static_assert(offsetof(ScanParameterBlock, scanMode) == 4 &&
                  offsetof(ScanParameterBlock, area) == 6 &&
                  offsetof(ScanParameterBlock, useFeeder) == 14 &&
                  offsetof(ScanParameterBlock, contrast) == 18 &&
                  offsetof(ScanParameterBlock, resolution) == 22,
              "scan-parameter block layout");
static_assert(sizeof(TransferSetupBlock) == 10 &&
                  offsetof(TransferSetupBlock, decompressionMode) == 4 &&
                  offsetof(TransferSetupBlock, linesPerTransfer) == 6,
              "transfer-setup block layout");
static_assert(sizeof(DecompressionParameterBlock) == 14 &&
                  offsetof(DecompressionParameterBlock, parameters) == 4,
              "decompression-parameter block layout");
static_assert(sizeof(LineBlockHeader) == 8 && offsetof(LineBlockHeader, bytesPerLine) == 4 &&
                  offsetof(LineBlockHeader, lineCount) == 6,
              "line block header layout");
static_assert(sizeof(FeederReply) == 8 && offsetof(FeederReply, feederState) == 4 &&
                  offsetof(FeederReply, paperState) == 6,
              "feeder reply layout");
static_assert(sizeof(CapabilityReply) == 60, "capability reply layout");
static_assert(offsetof(CapabilityReply, scanModes) == 4 &&
                  offsetof(CapabilityReply, largestArea) == 6 &&
                  offsetof(CapabilityReply, hasFeeder) == 14 &&
                  offsetof(CapabilityReply, brightnessLevels) == 16 &&
                  offsetof(CapabilityReply, contrastLevels) == 18 &&
                  offsetof(CapabilityReply, pageDecompression) == 21 &&
                  offsetof(CapabilityReply, modelName) == 28,
              "capability reply layout");
static_assert(sizeof(ResolutionReply) == 12 && offsetof(ResolutionReply, isRange) == 4 &&
                  offsetof(ResolutionReply, listCount) == 6 &&
                  offsetof(ResolutionReply, minimum) == 8 &&
                  offsetof(ResolutionReply, maximum) == 10,
              "resolution reply layout");

// The record at the start of a received block of `size` bytes; what lies past the block's end
// reads as 0.
template <typename Record> Record RecordFrom(const uint8_t* bytes, size_t size) {
    Record record{};
    std::memcpy(&record, bytes, size < sizeof record ? size : sizeof record);
    return record;
}
