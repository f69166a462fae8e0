#include "scanner_holder.h"

#include "client_table.h"
#include "dde_conversation.h"
#include "orvlib.h"
#include "scanning_dialog.h"
#include "stale_clients.h"

namespace {

// Takes the scanner for the client: the check and the take are one table operation, so that no
// other process can open between them. Returns the client's window through `window`.
int16_t TakeHolder(int32_t fId, HWND* window, bool* taken) {
    TableLock lock;
    if (!HasClient(lock, fId))
        return ORV_ERR_UNKNOWN_CLIENT;
    const int32_t holder = Holder(lock);
    if (holder == fId)
        return ORV_OK;
    // A holder whose process was killed (or whose window is gone) never closes: it is dropped
    // here, with every other stale entry, instead of blocking the scanner for good.
    if (holder != 0 && !HolderStale(lock))
        return ORV_ERR_SCANNER_IN_USE;
    if (holder != 0)
        ReclaimStale(lock);
    SetHolder(lock, fId);
    *window = ClientWindowOf(lock, fId);
    *taken = true;
    return ORV_OK;
}

// The conversation follows the holder: a new one is opened under the client's window. Opening
// destroys this process's earlier client window, the recorded one when it is ours; another
// process's window is that process's to destroy (its next open or its unload does).
int16_t SwitchConversation(int32_t fId, HWND window) {
    {
        TableLock lock;
        // A conversation whose server has gone (it ended or was restarted) is of no use: a new
        // one is opened with whichever server answers now.
        if (ConversationOwner(lock) == fId && IsWindow(ServerWindow()))
            return ORV_OK;
        SetConversation(lock, nullptr, 0);
    }
    if (OpenConversation(window) != ORV_OK)
        return ORV_ERR_NO_CONVERSATION;
    SetConversation(TableLock{}, ClientWindow(), fId);
    return ORV_OK;
}

} // namespace

bool IsOpenClient(int32_t fId) {
    TableLock lock;
    return fId != 0 && Holder(lock) == fId && HasClient(lock, fId);
}

int16_t OpenScanner(int32_t fId, bool* taken) {
    *taken = false;
    HWND window = nullptr;
    const int16_t status = TakeHolder(fId, &window, taken);
    return status == ORV_OK && *taken ? SwitchConversation(fId, window) : status;
}

int16_t CloseScanner(int32_t fId) {
    HWND owner;
    {
        TableLock lock;
        // Only the holder matters: a client that quit before closing still frees the scanner.
        if (fId == 0 || Holder(lock) != fId)
            return ORV_ERR_UNKNOWN_CLIENT;
        // The client's window, when it still has an entry, gets the focus back.
        owner = ClientWindowOf(lock, fId);
    }
    HideScanningDialog(owner);
    // The dialog's messages gave another process time to reclaim a stale hold.
    if (ReleaseHolder(fId))
        AnnounceScannerFree();
    return ORV_OK;
}

bool ReleaseHolder(int32_t fId) {
    TableLock lock;
    if (Holder(lock) != fId)
        return false;
    SetHolder(lock, 0);
    return true;
}

int16_t IsScannerBusy(int32_t fId) {
    TableLock lock;
    if (!HasClient(lock, fId))
        return 1;
    // A holder that can never close does not make the scanner busy: the next open drops it.
    return Holder(lock) != 0 && !HolderStale(lock) ? 1 : 0;
}

void AnnounceScannerFree() {
    TableLock lock;
    if (NotifyScannerFree(lock))
        PurgeDeadClients(lock);
}
