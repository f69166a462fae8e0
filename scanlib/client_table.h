// The client table's contents: its entries (registering, finding and removing clients, their
// scanner-free subscriptions), the scanner's holder, the current conversation, the progress flag
// and the capability record. Only this module reads or writes the header and the capability
// record, and only it writes entries; every function runs under the caller's table lock.
#pragma once
#include <windows.h>

#include <cstdint>

#include "table_memory.h"

// Registers a client atomically: a new id from the counter and an entry {id, window, block,
// this process}. A full table first gives up its stale entries (and a dead holder, telling the
// waiting clients the scanner is free). Returns 0 and the id, -1012
// when the window is already registered, -1010 when the table is still full (nothing written
// then). The block becomes this process's to free.
int16_t RegisterClient(const TableLock& lock, HWND window, HGLOBAL attributeBlock, int32_t* newId);
// Removes the entry (the last entry moves into its slot); frees the attribute block only when
// this process allocated it. Returns the entry count.
int RemoveClient(const TableLock& lock, int32_t clientId);
int FindClient(const TableLock& lock, int32_t clientId);
bool HasClient(const TableLock& lock, int32_t clientId);
HWND ClientWindowOf(const TableLock& lock, int32_t clientId);
bool IsWindowRegistered(const TableLock& lock, HWND window);
int EntryCount(const TableLock& lock);
// Stores the notification message in the client's entry; false when the id has no entry.
bool SubscribeClient(const TableLock& lock, int32_t clientId, uint32_t message);
// Posts the scanner-free notification (wParam 1, lParam 1) to every subscribed live client when
// no client holds the scanner; true when some entry has a dead window or no subscription.
bool NotifyScannerFree(const TableLock& lock);
// Removes every entry whose window no longer exists.
void PurgeDeadClients(const TableLock& lock);

// The scanner's holder: the client id and, beside it, this process as the holder's process.
// 0 releases the scanner.
void SetHolder(const TableLock& lock, int32_t clientId);
int32_t Holder(const TableLock& lock);
// True when the holder's process is known and has ended.
bool HolderProcessEnded(const TableLock& lock);

// The conversation: the DDE client window of the latest connect or open, and the client whose
// window parents it (0: none). Written and cleared only here.
void SetConversation(const TableLock& lock, HWND window, int32_t owner);
HWND ConversationWindow(const TableLock& lock); // null when the table is not mapped
int32_t ConversationOwner(const TableLock& lock);

// The progress argument of the last scan start.
void SetProgressFlag(const TableLock& lock, int32_t progress);
int32_t ProgressFlag(const TableLock& lock);

// The scanner's capability record, the same for every client.
ScannerCapabilities SharedCapabilities(const TableLock& lock);
void SetSharedCapabilities(const TableLock& lock, const ScannerCapabilities& record);
