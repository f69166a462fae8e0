// The client table's entries and the scanner's holder: registering, finding and removing clients,
// their scanner-free subscriptions. Every function runs under the caller's table lock.
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
uint32_t HolderProcess(const TableLock& lock);
