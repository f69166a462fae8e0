#include "capability_replies.h"

#include <cstring>

#include "wire_records.h"

namespace {

struct DpiBit {
    uint16_t dpi;
    uint16_t bit;
};
constexpr DpiBit kDpiBits[] = {{400, ORV_RES_400},
                               {300, ORV_RES_300},
                               {200, ORV_RES_200},
                               {100, ORV_RES_100},
                               {75, ORV_RES_75}};

uint16_t DpiBitsOf(uint16_t dpi) {
    for (const DpiBit& entry : kDpiBits)
        if (dpi == entry.dpi)
            return entry.bit;
    return 0;
}

} // namespace

void LevelRange(uint16_t levels, uint16_t* minimum, uint16_t* maximum, uint16_t* normal) {
    *minimum = levels >= 1 ? 1 : 0;
    *maximum = levels > 1 ? levels : 1;
    *normal = static_cast<uint16_t>((levels + 1) / 2);
}

void CapabilitiesFromReply(const uint8_t* bytes, size_t size, int32_t scanId,
                           ScannerCapabilities* record) {
    const CapabilityReply reply = RecordFrom<CapabilityReply>(bytes, size);
    std::memset(record, 0, sizeof *record);
    record->ScanId = scanId;
    record->ScanMode = reply.scanModes;
    record->ScanArea = reply.largestArea;
    record->HasADF = static_cast<int16_t>(reply.hasFeeder);
    LevelRange(reply.brightnessLevels, &record->br_min_val, &record->br_max_val,
               &record->br_normal);
    LevelRange(reply.contrastLevels, &record->cr_min_val, &record->cr_max_val, &record->cr_normal);
    record->PageDecomp = static_cast<int8_t>(reply.pageDecompression);
    static_assert(sizeof record->ModelName == sizeof reply.modelName, "model name");
    std::memcpy(record->ModelName, reply.modelName, sizeof record->ModelName);
}

uint16_t ResolutionBits(const uint8_t* bytes, size_t size) {
    const ResolutionReply reply = RecordFrom<ResolutionReply>(bytes, size);
    uint16_t bits = 0;
    if (reply.isRange != 0) {
        for (const DpiBit& entry : kDpiBits)
            if (reply.minimum <= entry.dpi && entry.dpi <= reply.maximum)
                bits |= entry.bit;
        return bits;
    }
    // The list runs on past the record, bounded by the block.
    constexpr size_t kFirst = offsetof(ResolutionReply, minimum);
    for (int i = 0; i < reply.listCount; ++i) {
        const size_t offset = kFirst + sizeof(uint16_t) * static_cast<size_t>(i);
        if (offset + sizeof(uint16_t) > size)
            break;
        uint16_t dpi;
        std::memcpy(&dpi, bytes + offset, sizeof dpi);
        bits |= DpiBitsOf(dpi);
    }
    return bits;
}
