#include "stale_clients.h"

#include "client_table.h"

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

bool HolderStale(const TableLock& lock) {
    if (!TableMapped())
        return false;
    const int32_t holder = Holder(lock);
    if (holder == 0)
        return false;
    if (HolderProcessEnded(lock))
        return true;
    const int index = FindClient(lock, holder);
    return index >= 0 && EntryStale(*EntryAt(index));
}

int LiveEntryCount(const TableLock& lock) {
    int live = 0;
    for (int i = 0; i < EntryCount(lock); ++i)
        live += EntryStale(*EntryAt(i)) ? 0 : 1;
    return live;
}

int ReclaimStale(const TableLock& lock) {
    if (!TableMapped())
        return 0;
    if (HolderStale(lock))
        SetHolder(lock, 0);
    int removed = 0;
    for (int i = 0; i < EntryCount(lock);) {
        if (EntryStale(*EntryAt(i))) {
            RemoveClient(lock, EntryAt(i)->clientId); // the last entry moved here: look at i again
            ++removed;
        } else {
            ++i;
        }
    }
    return removed;
}
