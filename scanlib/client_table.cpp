#include "client_table.h"

#include <cstring>

#include "attribute_blocks.h"
#include "stale_clients.h"

namespace {

// The holder's process id in the free bytes before the capability record.
uint32_t* HolderProcessField() {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(Header()) + kHolderProcessOffset);
}

// Adds an entry unless the id is present or the table is full.
void AddClient(const TableLock& lock, int32_t clientId, HWND window, HGLOBAL attributeBlock) {
    int count = EntryCount(lock);
    if (FindClient(lock, clientId) >= 0 || count >= kMaxClients)
        return;
    ReleaseOrphanedBlocks(lock);
    ClientEntry* entry = EntryAt(count);
    entry->clientId = clientId;
    entry->clientWindow = WindowField(window);
    entry->attributeBlock = AttributeBlockField(attributeBlock);
    entry->notifyMessage = 0;
    const DWORD process = GetCurrentProcessId();
    entry->processLow = LOWORD(process);
    entry->processHigh = HIWORD(process);
    Header()->entryCount = static_cast<int16_t>(count + 1);
    KeepAttributeBlock(clientId, attributeBlock);
}

} // namespace

bool IsWindowRegistered(const TableLock& lock, HWND window) {
    int count = EntryCount(lock);
    for (int i = 0; i < count; ++i)
        if (EntryAt(i)->clientWindow == WindowField(window))
            return true;
    return false;
}

bool NotifyScannerFree(const TableLock& lock) {
    if (!TableMapped() || Holder(lock) != 0)
        return false;
    bool stale = false;
    int count = EntryCount(lock);
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

int EntryCount(const TableLock&) {
    if (!TableMapped())
        return 0;
    int count = Header()->entryCount;
    // A count outside the entry area can only come from a corrupted table; never walk past it.
    return count < 0 ? 0 : (count > kMaxClients ? kMaxClients : count);
}

int FindClient(const TableLock& lock, int32_t clientId) {
    int count = EntryCount(lock);
    for (int i = 0; i < count; ++i)
        if (EntryAt(i)->clientId == clientId)
            return i;
    return -1;
}

bool HasClient(const TableLock& lock, int32_t clientId) {
    return FindClient(lock, clientId) >= 0;
}

HWND ClientWindowOf(const TableLock& lock, int32_t clientId) {
    int index = FindClient(lock, clientId);
    return index < 0 ? nullptr : WindowFromField(EntryAt(index)->clientWindow);
}

int16_t RegisterClient(const TableLock& lock, HWND window, HGLOBAL attributeBlock, int32_t* newId) {
    if (!TableMapped())
        return ORV_ERR_NO_MEMORY;
    if (IsWindowRegistered(lock, window))
        return ORV_ERR_WINDOW_REGISTERED;
    const int32_t holder = Holder(lock);
    if (EntryCount(lock) >= kMaxClients) {
        ReclaimStale(lock);
        // A dead holder given up here frees the scanner like any release: waiting clients hear it.
        if (holder != 0 && Holder(lock) == 0)
            NotifyScannerFree(lock);
        if (EntryCount(lock) >= kMaxClients)
            return ORV_ERR_NO_MEMORY;
    }
    int32_t id = ++Header()->idCounter;
    AddClient(lock, id, window, attributeBlock);
    *newId = id;
    return ORV_OK;
}

int RemoveClient(const TableLock& lock, int32_t clientId) {
    int index = FindClient(lock, clientId);
    if (index >= 0) {
        FreeAttributeBlock(clientId);
        int last = EntryCount(lock) - 1;
        Header()->entryCount = static_cast<int16_t>(last);
        // The former last entry fills the hole; its old slot keeps stale contents past the end.
        if (index != last)
            std::memcpy(EntryAt(index), EntryAt(last), sizeof(ClientEntry));
        else
            std::memset(EntryAt(index), 0, sizeof(ClientEntry));
    }
    ReleaseOrphanedBlocks(lock);
    return EntryCount(lock);
}

bool SubscribeClient(const TableLock& lock, int32_t clientId, uint32_t message) {
    int index = FindClient(lock, clientId);
    if (index < 0)
        return false;
    EntryAt(index)->notifyMessage = message;
    return true;
}

void PurgeDeadClients(const TableLock& lock) {
    for (int i = 0; i < EntryCount(lock);) {
        const ClientEntry* entry = EntryAt(i);
        if (!IsWindow(WindowFromField(entry->clientWindow)))
            RemoveClient(lock, entry->clientId); // the last entry moved here: look at i again
        else
            ++i;
    }
}

void SetHolder(const TableLock&, int32_t clientId) {
    Header()->openClient = clientId;
    *HolderProcessField() = clientId != 0 ? GetCurrentProcessId() : 0;
}

int32_t Holder(const TableLock&) {
    return Header()->openClient;
}

bool HolderProcessEnded(const TableLock&) {
    return TableMapped() && ProcessEnded(*HolderProcessField());
}

void SetConversation(const TableLock&, HWND window, int32_t owner) {
    Header()->conversationWindow = WindowField(window);
    Header()->conversationOwner = owner;
}

HWND ConversationWindow(const TableLock&) {
    return TableMapped() ? WindowFromField(Header()->conversationWindow) : nullptr;
}

int32_t ConversationOwner(const TableLock&) {
    return Header()->conversationOwner;
}

void SetProgressFlag(const TableLock&, int32_t progress) {
    Header()->progressFlag = progress;
}

int32_t ProgressFlag(const TableLock&) {
    return Header()->progressFlag;
}

ScannerCapabilities SharedCapabilities(const TableLock&) {
    return *Capabilities();
}

void SetSharedCapabilities(const TableLock&, const ScannerCapabilities& record) {
    *Capabilities() = record;
}
