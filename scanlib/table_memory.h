// The client table: named shared memory that every process loading the library maps, holding the
// id counter, the scanner's holder, the current conversation window, one entry per registered
// client and the scanner's capability record.
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

// Serialises every table update across processes (the mutex is recursive per thread). Held only
// across memory copies, never across a message or a wait.
struct TableLock {
    TableLock();
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
};

// Direct views; callers writing through them hold a TableLock.
TableHeader* Header();
ClientEntry* EntryAt(int index);
ScannerCapabilities* Capabilities();

// Registers a client atomically: a new id from the counter and an entry {id, window, block,
// this process}. A full table first gives up its stale entries (and a dead holder, telling the
// waiting clients the scanner is free). Returns 0 and the id, -1012
// when the window is already registered, -1010 when the table is still full (nothing written
// then). The block becomes this process's to free.
int16_t RegisterClient(HWND window, HGLOBAL attributeBlock, int32_t* newId);
// Adds an entry unless the id is present; returns the entry count.
int AddClient(int32_t clientId, HWND window, HGLOBAL attributeBlock);
// Removes the entry (the last entry moves into its slot); frees the attribute block only when
// this process allocated it. Returns the entry count.
int RemoveClient(int32_t clientId);
int FindClient(int32_t clientId);
bool HasClient(int32_t clientId);
HWND ClientWindowOf(int32_t clientId);
bool IsWindowRegistered(HWND window);
int EntryCount();
// Stores the notification message in the client's entry; false when the id has no entry.
bool SubscribeClient(int32_t clientId, uint32_t message);
// Copy the 56-byte attribute block of a client this process registered; -1011 otherwise.
int16_t ReadClientAttributes(int32_t clientId, ScannerAttributes* destination);
int16_t WriteClientAttributes(int32_t clientId, const ScannerAttributes* source);
// Posts the scanner-free notification (wParam 1, lParam 1) to every subscribed live client when
// no client holds the scanner; true when some entry has a dead window or no subscription.
bool NotifyScannerFree();
// Removes every entry whose window no longer exists.
void PurgeDeadClients();

// The scanner's holder: the client id and, beside it, this process as the holder's process.
// 0 releases the scanner.
void SetHolder(int32_t clientId);
int32_t Holder();
uint32_t HolderProcess();
// True when a process id names a process that has ended (0 names none: never ended).
bool ProcessEnded(uint32_t processId);
// An entry is stale when its window is gone or the process that added it has ended.
bool EntryStale(const ClientEntry& entry);
// The holder is stale when its process has ended, or when its entry is stale. A holder without
// an entry whose process is unknown or alive keeps the scanner: it quit without closing.
bool HolderStale();
// Drops a stale holder and every stale entry; returns the entries removed. A process killed while
// holding the scanner (or while registered) leaves both behind: nothing else would release them.
int ReclaimStale();
