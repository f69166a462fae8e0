#include "capability_fetch.h"

#include "app_directory.h"
#include "capability_replies.h"
#include "client_table.h"
#include "config_names.h"
#include "dde_conversation.h"
#include "profile_values.h"

namespace {

// ScanId without a selection file or key.
constexpr int32_t kDefaultCapabilityScanId = 1;

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
    record.ScanRes = ORV_RES_300; // without a resolution reply
    Reply resolutions = RequestData(kFormatResolutions, kItemResolutions);
    if (resolutions.outcome == Outcome::Data && resolutions.block)
        ConsumeReply(resolutions.block, [&](const uint8_t* bytes, size_t size) {
            record.ScanRes = ResolutionBits(bytes, size);
        });
    SetSharedCapabilities(TableLock{}, record);
}
