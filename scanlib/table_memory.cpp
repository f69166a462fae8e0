#include "client_table.h"

#include <cstring>

namespace {

HANDLE g_mapping = nullptr;
HANDLE g_mutex = nullptr;
uint8_t* g_view = nullptr;

// Attribute blocks this process allocated. A table entry's block handle means nothing in another
// process, so only the allocating process frees a block; blocks whose entries another process
// removed are released at this process's next registration or removal.
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

void DropOwnBlock(int index) {
    GlobalFree(g_ownBlocks[index].block);
    g_ownBlocks[index] = g_ownBlocks[--g_ownCount];
}

void ReleaseOrphanedBlocks() {
    for (int i = 0; i < g_ownCount;) {
        if (FindClient(g_ownBlocks[i].clientId) < 0)
            DropOwnBlock(i);
        else
            ++i;
    }
}

uint32_t BlockField(HGLOBAL block) {
#if defined(_WIN64)
    (void)block;
    return 0; // a 64-bit handle does not fit the shared 32-bit field
#else
    return reinterpret_cast<uint32_t>(block);
#endif
}

} // namespace

bool OpenOrCreateTable() {
    // Every process opens the mutex (creating it when missing) so that all of them can serialise.
    g_mutex = CreateMutexA(nullptr, FALSE, kTableMutexName);
    if (!g_mutex)
        return false;
    g_mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kTableName);
    if (g_mapping)
        return true;
    g_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kTableSize,
                                   kTableName);
    if (!g_mapping) {
        CloseHandle(g_mutex);
        g_mutex = nullptr;
        return false;
    }
    return true;
}

bool MapTable() {
    g_view = static_cast<uint8_t*>(MapViewOfFile(g_mapping, FILE_MAP_WRITE, 0, 0, kTableSize));
    return g_view != nullptr;
}

void CloseTable() {
    if (g_view)
        UnmapViewOfFile(g_view);
    g_view = nullptr;
    if (g_mapping)
        CloseHandle(g_mapping);
    g_mapping = nullptr;
    if (g_mutex)
        CloseHandle(g_mutex);
    g_mutex = nullptr;
}

bool TableMapped() {
    return g_view != nullptr;
}

TableLock::TableLock() {
    // An abandoned mutex (a process ended mid-update) is still ours to take.
    if (g_mutex)
        WaitForSingleObject(g_mutex, INFINITE);
}
TableLock::~TableLock() {
    if (g_mutex)
        ReleaseMutex(g_mutex);
}

TableHeader* Header() {
    return reinterpret_cast<TableHeader*>(g_view);
}
ClientEntry* EntryAt(int index) {
    return reinterpret_cast<ClientEntry*>(g_view + kEntriesOffset + kEntryStride * index);
}
ScannerCapabilities* Capabilities() {
    return reinterpret_cast<ScannerCapabilities*>(g_view + kCapabilitiesOffset);
}

int EntryCount() {
    if (!g_view)
        return 0;
    TableLock lock;
    int count = Header()->entryCount;
    // A count outside the entry area can only come from a corrupted table; never walk past it.
    return count < 0 ? 0 : (count > kMaxClients ? kMaxClients : count);
}

int FindClient(int32_t clientId) {
    if (!g_view)
        return -1;
    TableLock lock;
    int count = EntryCount();
    for (int i = 0; i < count; ++i)
        if (EntryAt(i)->clientId == clientId)
            return i;
    return -1;
}

bool HasClient(int32_t clientId) {
    return FindClient(clientId) >= 0;
}

HWND ClientWindowOf(int32_t clientId) {
    TableLock lock;
    int index = FindClient(clientId);
    return index < 0 ? nullptr : WindowFromField(EntryAt(index)->clientWindow);
}

bool IsWindowRegistered(HWND window) {
    if (!g_view)
        return false;
    TableLock lock;
    int count = EntryCount();
    for (int i = 0; i < count; ++i)
        if (EntryAt(i)->clientWindow == WindowField(window))
            return true;
    return false;
}

int AddClient(int32_t clientId, HWND window, HGLOBAL attributeBlock) {
    TableLock lock;
    int count = EntryCount();
    if (FindClient(clientId) >= 0 || count >= kMaxClients)
        return count;
    ReleaseOrphanedBlocks();
    ClientEntry* entry = EntryAt(count);
    entry->clientId = clientId;
    entry->clientWindow = WindowField(window);
    entry->attributeBlock = BlockField(attributeBlock);
    entry->notifyMessage = 0;
    const DWORD process = GetCurrentProcessId();
    entry->processLow = LOWORD(process);
    entry->processHigh = HIWORD(process);
    Header()->entryCount = static_cast<int16_t>(count + 1);
    if (attributeBlock && g_ownCount < kMaxClients)
        g_ownBlocks[g_ownCount++] = {clientId, attributeBlock};
    return count + 1;
}

int16_t RegisterClient(HWND window, HGLOBAL attributeBlock, int32_t* newId) {
    if (!g_view)
        return ORV_ERR_NO_MEMORY;
    TableLock lock;
    if (IsWindowRegistered(window))
        return ORV_ERR_WINDOW_REGISTERED;
    const int32_t holder = Header()->openClient;
    if (EntryCount() >= kMaxClients) {
        ReclaimStale();
        // A dead holder given up here frees the scanner like any release: waiting clients hear it.
        if (holder != 0 && Header()->openClient == 0)
            NotifyScannerFree();
        if (EntryCount() >= kMaxClients)
            return ORV_ERR_NO_MEMORY;
    }
    int32_t id = ++Header()->idCounter;
    AddClient(id, window, attributeBlock);
    *newId = id;
    return ORV_OK;
}

int RemoveClient(int32_t clientId) {
    TableLock lock;
    int index = FindClient(clientId);
    if (index >= 0) {
        int own = FindOwnBlock(clientId);
        if (own >= 0)
            DropOwnBlock(own);
        int count = EntryCount() - 1;
        Header()->entryCount = static_cast<int16_t>(count);
        std::memset(EntryAt(index), 0, sizeof(ClientEntry));
        // The former last entry fills the hole; its old slot keeps stale contents past the end.
        std::memcpy(EntryAt(index), EntryAt(count), sizeof(ClientEntry));
    }
    ReleaseOrphanedBlocks();
    return EntryCount();
}

bool SubscribeClient(int32_t clientId, uint32_t message) {
    TableLock lock;
    int index = FindClient(clientId);
    if (index < 0)
        return false;
    EntryAt(index)->notifyMessage = message;
    return true;
}

namespace {
// Locks the client's own attribute block; null when the id has no entry or no block of ours.
// The caller holds the table lock and unlocks the block.
void* LockOwnAttributeBlock(int32_t clientId, HGLOBAL* handle) {
    int own = FindOwnBlock(clientId);
    if (own < 0 || !HasClient(clientId))
        return nullptr;
    *handle = g_ownBlocks[own].block;
    return GlobalLock(*handle);
}
} // namespace

int16_t ReadClientAttributes(int32_t clientId, ScannerAttributes* destination) {
    TableLock lock;
    HGLOBAL handle = nullptr;
    void* block = LockOwnAttributeBlock(clientId, &handle);
    if (!block)
        return ORV_ERR_UNKNOWN_CLIENT;
    std::memcpy(destination, block, sizeof(ScannerAttributes));
    GlobalUnlock(handle);
    return ORV_OK;
}

int16_t WriteClientAttributes(int32_t clientId, const ScannerAttributes* source) {
    TableLock lock;
    HGLOBAL handle = nullptr;
    void* block = LockOwnAttributeBlock(clientId, &handle);
    if (!block)
        return ORV_ERR_UNKNOWN_CLIENT;
    std::memcpy(block, source, sizeof(ScannerAttributes));
    GlobalUnlock(handle);
    return ORV_OK;
}

bool NotifyScannerFree() {
    if (!g_view)
        return false;
    TableLock lock;
    if (Header()->openClient != 0)
        return false;
    bool stale = false;
    int count = EntryCount();
    for (int i = 0; i < count; ++i) {
        const ClientEntry* entry = EntryAt(i);
        HWND window = WindowFromField(entry->clientWindow);
        if (IsWindow(window) && entry->notifyMessage != 0)
            PostMessageA(window, entry->notifyMessage, 1, 1);
        else
            stale = true;
    }
    return stale;
}

void PurgeDeadClients() {
    TableLock lock;
    for (int i = 0; i < EntryCount();) {
        const ClientEntry* entry = EntryAt(i);
        if (!IsWindow(WindowFromField(entry->clientWindow)))
            RemoveClient(entry->clientId); // the last entry moved here: look at i again
        else
            ++i;
    }
}

namespace {
uint32_t* HolderProcessField() {
    return reinterpret_cast<uint32_t*>(g_view + kHolderProcessOffset);
}
} // namespace

void SetHolder(int32_t clientId) {
    TableLock lock;
    Header()->openClient = clientId;
    *HolderProcessField() = clientId != 0 ? GetCurrentProcessId() : 0;
}

int32_t Holder() {
    TableLock lock;
    return Header()->openClient;
}

uint32_t HolderProcess() {
    TableLock lock;
    return *HolderProcessField();
}

bool ProcessEnded(uint32_t processId) {
    if (processId == 0)
        return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process (denied: it runs)
    // An ended process keeps its id while handles to it remain; its handle is then signalled.
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

bool EntryStale(const ClientEntry& entry) {
    return !IsWindow(WindowFromField(entry.clientWindow)) ||
           ProcessEnded(MAKELONG(entry.processLow, entry.processHigh));
}

bool HolderStale() {
    if (!g_view)
        return false;
    TableLock lock;
    const int32_t holder = Header()->openClient;
    if (holder == 0)
        return false;
    if (ProcessEnded(*HolderProcessField()))
        return true;
    const int index = FindClient(holder);
    return index >= 0 && EntryStale(*EntryAt(index));
}

int ReclaimStale() {
    if (!g_view)
        return 0;
    TableLock lock;
    if (HolderStale())
        SetHolder(0);
    int removed = 0;
    for (int i = 0; i < EntryCount();) {
        if (EntryStale(*EntryAt(i))) {
            RemoveClient(EntryAt(i)->clientId); // the last entry moved here: look at i again
            ++removed;
        } else {
            ++i;
        }
    }
    return removed;
}
