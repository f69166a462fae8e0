// Taking and giving back the scanner: one client holds it at a time. Opening takes it (dropping a
// holder whose process ended) and switches the conversation to the new holder's window; closing
// gives it back and tells the waiting clients.
#pragma once
#include <cstdint>

// Makes the client the holder and gives it a conversation of its own: 0, -1001 (another client
// holds it), -1011 or -1002. `taken` tells whether this call made it the holder (an open by the
// holder itself changes nothing).
int16_t OpenScanner(int32_t fId, bool* taken);
int16_t CloseScanner(int32_t fId);
int16_t IsScannerBusy(int32_t fId);
// True when the id has an entry and holds the scanner open.
bool IsOpenClient(int32_t fId);
// Gives the scanner back when the client still holds it (in one table operation: a stale hold
// reclaimed by another process stays with the new holder); true when it did.
bool ReleaseHolder(int32_t fId);
// The scanner was given back: tells the subscribed clients and drops entries whose windows are
// gone.
void AnnounceScannerFree();
