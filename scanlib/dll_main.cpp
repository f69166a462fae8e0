// Process attach and detach of the library (ORVLIB32.DLL, ORVLIB64.DLL).
#include <windows.h>

#include "client_table.h"
#include "dde_conversation.h"
#include "language.h"
#include "library_state.h"
#include "location_check.h"
#include "server_connect.h"
#include "server_users.h"
#include "stale_clients.h"

namespace {

BOOL Attach(HINSTANCE instance) {
    if (!OpenOrCreateTable())
        return FALSE;
    // Every later step reads or writes the table: without a view the library cannot work. The
    // system calls the entry point with process-detach right after a refusal, which cleans up.
    if (!MapTable())
        return FALSE;
    g_library.instance = instance;
    g_library.attachStatus = ConnectToServer(instance);
    int block = GetLanguageBlock();
    g_library.dialogTemplateId = static_cast<uint16_t>(DialogId(block, 0));
    g_library.stringBase = static_cast<uint32_t>(StringId(block, 100));
    // Checked last on purpose: a copy in a wrong directory still finds or starts the server. The
    // detach that follows the refusal closes that server again unless another process uses it.
    return LibraryInWindowsDirectory(instance) ? TRUE : FALSE;
}

// Also run right after a refused attach, so a refused copy leaves no server running for nobody
// and no window whose procedure lives in the unloaded module.
void Detach(HINSTANCE instance) {
    // The server goes with the last process using it, not with the first one to unload while
    // the table is empty: another process may be between one client and the next.
    LaunchLock launch;
    UnmarkServerUser();
    // Entries of clients whose window or process is gone never quit: they count as absent.
    const int entries = LiveEntryCount(TableLock{});
    if (entries == 0 && !OtherServerUsers()) {
        EndConversation(ServerMainWindow());
        UnregisterClientWindowClass(instance);
        CloseTable();
        return;
    }
    // Other clients keep the server and the table; this module's window and class go with the
    // module, even though this process's clients (if any) then have no conversation window left.
    DestroyClientWindow();
    UnregisterClientWindowClass(instance);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return Attach(instance);
    case DLL_PROCESS_DETACH:
        Detach(instance);
        return TRUE;
    default:
        return TRUE;
    }
}
