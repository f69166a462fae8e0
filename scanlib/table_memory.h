// The client table's memory: named shared memory that every process loading the library maps,
// holding the id counter, the scanner's holder, the current conversation window, one entry per
// registered client and the scanner's capability record; and the mutex that serialises it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "orvlib.h"

constexpr char kTableName[] = "ORVANE_MAP_OBJECT";
constexpr char kTableMutexName[] = "orvane_mutex";
constexpr uint32_t kTableSize = 1484;
constexpr int kMaxClients = 31;
constexpr uint32_t kEntriesOffset = 24;
constexpr uint32_t kEntryStride = 44;
constexpr uint32_t kCapabilitiesOffset = 1368;
// Process id of the process whose client holds the scanner, in the four free bytes between the
// last entry and the capability record; 0 when nobody holds it or the holder's process is unknown
// (a table written by a library that did not record it).
constexpr uint32_t kHolderProcessOffset = 1364;

#pragma pack(push, 1)
struct TableHeader {
    int32_t idCounter;           // last client id handed out
    uint32_t conversationWindow; // DDE client window of the latest connect or open
    int32_t conversationOwner;   // client whose window parents that window; 0 none
    int32_t openClient;          // client holding the scanner open; 0 none
    int16_t entryCount;
    uint16_t unused;
    int32_t progressFlag; // progress argument of the last scan start
};
struct ClientEntry {
    int32_t clientId;
    uint32_t clientWindow;
    uint32_t attributeBlock; // the adding process's handle on i686; 0 on x86_64
    uint32_t notifyMessage;  // 0 = not subscribed
    // Id of the process that added the entry, low and high word, in the entry's two reserved
    // words: they move with the entry when a removal fills a hole, and a library that does not
    // know them writes 0 there, which reads as "process unknown".
    uint16_t processLow;
    uint16_t processHigh;
};
#pragma pack(pop)
static_assert(sizeof(TableHeader) == 24, "table header layout");
static_assert(offsetof(TableHeader, entryCount) == 16, "table header layout");
static_assert(offsetof(TableHeader, progressFlag) == 20, "table header layout");
static_assert(sizeof(ClientEntry) == 20, "client entry layout");
static_assert(kEntriesOffset + kEntryStride * (kMaxClients - 1) + sizeof(ClientEntry) == 1364,
              "the last entry ends before the unused gap");
static_assert(kHolderProcessOffset + sizeof(uint32_t) == kCapabilitiesOffset,
              "the holder's process id fills the gap before the capability record");
static_assert(kCapabilitiesOffset + sizeof(ScannerCapabilities) + 28 == kTableSize,
              "capability record and the unused tail fill the table");

// Window handles live in 32-bit fields; Windows keeps them within 32 bits (sign-extended).
inline uint32_t WindowField(HWND window) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}
inline HWND WindowFromField(uint32_t field) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(field)));
}

// Opens the table or creates it zero-filled; opens or creates the mutex. False refuses the load.
bool OpenOrCreateTable();
// Maps the whole table read-write for the life of the process; false when the view failed.
bool MapTable();
// Unmaps the view and closes this process's mapping and mutex handles.
void CloseTable();
bool TableMapped();

// Serialises every table operation across processes. Held only across memory copies, never
// across a message or a wait. The lock is taken once per operation by the layer above the table
// (the exports, the holder, the page transfer): every table function takes the caller's lock as
// its first parameter and never takes it again (the named mutex is recursive, but nothing relies
// on that). A caller doing one thing writes `Function(TableLock{}, ...)`.
struct TableLock {
    TableLock();
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
};

// Direct views for the table's own modules (client_table.cpp reads and writes the header and the
// records through them); callers hold a TableLock.
TableHeader* Header();
ClientEntry* EntryAt(int index);
ScannerCapabilities* Capabilities();
