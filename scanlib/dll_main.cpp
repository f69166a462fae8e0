// Process attach and detach of ORVLIB32.DLL.
#include <windows.h>

#include "client_table.h"
#include "dde_conversation.h"
#include "language.h"
#include "library_state.h"
#include "location_check.h"
#include "server_connect.h"
#include "server_users.h"

namespace {

// A refused load must not leave a window whose procedure lives in the unloaded module.
BOOL Refuse(HINSTANCE instance) {
    DestroyClientWindow();
    UnregisterClientWindowClass(instance);
    CloseTable();
    UnmarkServerUser();
    g_library.refused = true;
    return FALSE;
}

BOOL Attach(HINSTANCE instance) {
    if (!OpenOrCreateTable())
        return FALSE;
    // Every later step reads or writes the table: without a view the library cannot work.
    if (!MapTable())
        return Refuse(instance);
    g_library.instance = instance;
    g_library.attachStatus = ConnectToServer(instance);
    int block = GetLanguageBlock();
    g_library.dialogTemplateId = static_cast<uint16_t>(DialogId(block, 0));
    g_library.stringBase = static_cast<uint32_t>(StringId(block, 100));
    // Checked last on purpose: a copy in a wrong directory still finds or starts the server.
    if (!LibraryInWindowsDirectory(instance))
        return Refuse(instance);
    return TRUE;
}

void Detach(HINSTANCE instance) {
    if (g_library.refused)
        return;
    // The server goes with the last process using it, not with the first one to unload while
    // the table is empty: another process may be between one client and the next.
    LaunchLock launch;
    UnmarkServerUser();
    if (EntryCount() == 0 && !OtherServerUsers()) {
        EndConversation(ServerMainWindow());
        UnregisterClientWindowClass(instance);
        CloseTable();
        return;
    }
    // Other clients keep the server and the table; this module's window goes with the module.
    DestroyClientWindow();
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
