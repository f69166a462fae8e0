#include "capabilities.h"

#include <cstring>

#include "table_memory.h"
#include "config_names.h"
#include "profile_values.h"
#include "dde_conversation.h"
#include "server_connect.h"

namespace {

constexpr uint16_t kOnly300Dpi = 0x04;

struct DpiBit {
    uint16_t dpi;
    uint16_t bit;
};
constexpr DpiBit kDpiBits[] = {{400, 0x08}, {300, 0x04}, {200, 0x02}, {100, 0x01}, {75, 0x20}};

uint16_t Word(const uint8_t* reply, size_t size, size_t offset) {
    if (offset + 2 > size)
        return 0;
    return static_cast<uint16_t>(reply[offset] | reply[offset + 1] << 8);
}

uint8_t Byte(const uint8_t* reply, size_t size, size_t offset) {
    return offset < size ? reply[offset] : 0;
}

// Runs fill over the locked bytes of a reply block, then unlocks and frees it. False when the
// block could not be locked: that reply counts as no data.
template <typename Fill> bool ConsumeReply(HGLOBAL block, Fill fill) {
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    if (bytes) {
        fill(bytes, GlobalSize(block));
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return bytes != nullptr;
}

} // namespace

void LevelRange(uint16_t levels, uint16_t* minimum, uint16_t* maximum, uint16_t* normal) {
    *minimum = levels >= 1 ? 1 : 0;
    *maximum = levels > 1 ? levels : 1;
    *normal = static_cast<uint16_t>((levels + 1) / 2);
}

void CapabilitiesFromReply(const uint8_t* reply, size_t size, int32_t scanId,
                           ScannerCapabilities* record) {
    std::memset(record, 0, sizeof *record);
    record->ScanId = scanId;
    record->ScanMode = Word(reply, size, 4);
    record->ScanArea.L = static_cast<int16_t>(Word(reply, size, 6));
    record->ScanArea.T = static_cast<int16_t>(Word(reply, size, 8));
    record->ScanArea.R = static_cast<int16_t>(Word(reply, size, 10));
    record->ScanArea.B = static_cast<int16_t>(Word(reply, size, 12));
    record->HasADF = static_cast<int16_t>(Word(reply, size, 14));
    LevelRange(Word(reply, size, 16), &record->br_min_val, &record->br_max_val, &record->br_normal);
    LevelRange(Word(reply, size, 18), &record->cr_min_val, &record->cr_max_val, &record->cr_normal);
    record->PageDecomp = static_cast<int8_t>(Byte(reply, size, 21));
    for (size_t i = 0; i < sizeof record->ModelName; ++i)
        record->ModelName[i] = static_cast<char>(Byte(reply, size, 28 + i));
}

uint16_t ResolutionBits(const uint8_t* reply, size_t size) {
    uint16_t bits = 0;
    if (Word(reply, size, 4) != 0) {
        uint16_t minimum = Word(reply, size, 8), maximum = Word(reply, size, 10);
        for (const DpiBit& entry : kDpiBits)
            if (minimum <= entry.dpi && entry.dpi <= maximum)
                bits |= entry.bit;
        return bits;
    }
    auto count = static_cast<int16_t>(Word(reply, size, 6));
    for (int i = 0; i < count && 8 + 2 * static_cast<size_t>(i) + 2 <= size; ++i) {
        uint16_t dpi = Word(reply, size, 8 + 2 * static_cast<size_t>(i));
        for (const DpiBit& entry : kDpiBits)
            if (dpi == entry.dpi)
                bits |= entry.bit;
    }
    return bits;
}

void FetchCapabilities() {
    Reply capabilities = RequestData(kFormatCapabilities, kItemCapabilities);
    if (capabilities.outcome != Outcome::Data || !capabilities.block)
        return;
    char file[kPathBufferSize];
    int32_t scanId = kDefaultCapabilityScanId;
    // ScanId is a 32-bit field: the whole value of the key, not the 16-bit scanner id.
    if (AppFile(file, sizeof file, kSelectionFile))
        scanId = ReadProfileNumber(kScannerSection, kCurrentScannerIdKey, kDefaultCapabilityScanId,
                                   INT32_MIN, INT32_MAX, file);
    ScannerCapabilities record;
    // The shared record is left as it is rather than given bytes no reply filled.
    if (!ConsumeReply(capabilities.block, [&](const uint8_t* bytes, size_t size) {
            CapabilitiesFromReply(bytes, size, scanId, &record);
        }))
        return;
    record.ScanRes = kOnly300Dpi;
    Reply resolutions = RequestData(kFormatResolutions, kItemResolutions);
    if (resolutions.outcome == Outcome::Data && resolutions.block)
        ConsumeReply(resolutions.block, [&](const uint8_t* bytes, size_t size) {
            record.ScanRes = ResolutionBits(bytes, size);
        });
    TableLock lock;
    *Capabilities() = record;
}
