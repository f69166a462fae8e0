// The attribute blocks this process allocated for its clients. A table entry's block handle means
// nothing in another process, so only the allocating process reads, writes and frees a block;
// blocks whose entries another process removed are released at this process's next registration
// or removal.
#pragma once
#include <windows.h>

#include <cstdint>

#include "orvlib.h"
#include "table_memory.h"

// The entry's field for the block: the handle on i686; 0 on x86_64, whose handles do not fit.
uint32_t AttributeBlockField(HGLOBAL block);
// Remembers the block as the client's, this process's to free.
void KeepAttributeBlock(int32_t clientId, HGLOBAL block);
// Frees the client's block when this process allocated it.
void FreeAttributeBlock(int32_t clientId);
// Frees every block of ours whose client no longer has an entry.
void ReleaseOrphanedBlocks(const TableLock& lock);
// Copy the 56-byte attribute block of a client this process registered; -1011 otherwise.
int16_t ReadClientAttributes(const TableLock& lock, int32_t clientId,
                             ScannerAttributes* destination);
int16_t WriteClientAttributes(const TableLock& lock, int32_t clientId,
                              const ScannerAttributes* source);
