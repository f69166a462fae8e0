#include "attribute_blocks.h"

#include <cstring>

#include "client_table.h"

namespace {

struct OwnBlock {
    int32_t clientId;
    HGLOBAL block;
};
OwnBlock g_ownBlocks[kMaxClients];
int g_ownCount = 0;

int FindOwnBlock(int32_t clientId) {
    for (int i = 0; i < g_ownCount; ++i)
        if (g_ownBlocks[i].clientId == clientId)
            return i;
    return -1;
}

void FreeOwnBlockAt(int index) {
    GlobalFree(g_ownBlocks[index].block);
    g_ownBlocks[index] = g_ownBlocks[--g_ownCount];
}

// Copies the client's own block to `outside`, or `outside` into it when `write`; -1011 when the
// id has no entry or no block of ours.
int16_t CopyAttributes(const TableLock& lock, int32_t clientId, ScannerAttributes* outside,
                       bool write) {
    const int own = FindOwnBlock(clientId);
    if (own < 0 || !HasClient(lock, clientId))
        return ORV_ERR_UNKNOWN_CLIENT;
    void* block = GlobalLock(g_ownBlocks[own].block);
    if (!block)
        return ORV_ERR_UNKNOWN_CLIENT;
    if (write)
        std::memcpy(block, outside, sizeof(ScannerAttributes));
    else
        std::memcpy(outside, block, sizeof(ScannerAttributes));
    GlobalUnlock(g_ownBlocks[own].block);
    return ORV_OK;
}

} // namespace

uint32_t AttributeBlockField(HGLOBAL block) {
#if defined(_WIN64)
    (void)block;
    return 0;
#else
    return reinterpret_cast<uint32_t>(block);
#endif
}

void KeepAttributeBlock(int32_t clientId, HGLOBAL block) {
    if (block && g_ownCount < kMaxClients)
        g_ownBlocks[g_ownCount++] = {clientId, block};
}

void FreeAttributeBlock(int32_t clientId) {
    int own = FindOwnBlock(clientId);
    if (own >= 0)
        FreeOwnBlockAt(own);
}

void ReleaseOrphanedBlocks(const TableLock& lock) {
    for (int i = 0; i < g_ownCount;) {
        if (FindClient(lock, g_ownBlocks[i].clientId) < 0)
            FreeOwnBlockAt(i);
        else
            ++i;
    }
}

int16_t ReadClientAttributes(const TableLock& lock, int32_t clientId,
                             ScannerAttributes* destination) {
    return CopyAttributes(lock, clientId, destination, false);
}

int16_t WriteClientAttributes(const TableLock& lock, int32_t clientId,
                              const ScannerAttributes* source) {
    ScannerAttributes copy = *source;
    return CopyAttributes(lock, clientId, &copy, true);
}
