#include "table_memory.h"

namespace {

HANDLE g_mapping = nullptr;
HANDLE g_mutex = nullptr;
uint8_t* g_view = nullptr;

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
