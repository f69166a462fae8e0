// Process liveness: a client whose window is gone or whose process has ended (killed, or it quit
// without closing) leaves its entry, and perhaps the scanner, behind; nothing else would release
// them.
#pragma once
#include <cstdint>

#include "table_memory.h"

// True when a process id names a process that has ended (0 names none: never ended).
bool ProcessEnded(uint32_t processId);
// An entry is stale when its window is gone or the process that added it has ended.
bool EntryStale(const ClientEntry& entry);
// The holder is stale when its process has ended, or when its entry is stale. A holder without
// an entry whose process is unknown or alive keeps the scanner: it quit without closing.
bool HolderStale(const TableLock& lock);
// Entries that are not stale.
int LiveEntryCount(const TableLock& lock);
// Drops a stale holder and every stale entry; returns the entries removed.
int ReclaimStale(const TableLock& lock);
