#include "server_connect.h"

#include "app_directory.h"
#include "capability_fetch.h"
#include "client_table.h"
#include "dde_conversation.h"
#include "orvlib.h"
#include "program_launch.h"
#include "server_users.h"

namespace {

HWND g_serverMainWindow = nullptr;
uint32_t g_registeredMessage = 0;

} // namespace

uint32_t RegisteredMessage() {
    return g_registeredMessage;
}
HWND ServerMainWindow() {
    return g_serverMainWindow;
}

int16_t ConnectToServer(HINSTANCE instance) {
    AppDirectory();
    {
        // Marked inside the lock: a process unloading now either sees us or closes the server
        // before we look for it.
        LaunchLock launch;
        MarkServerUser();
        g_serverMainWindow = FindWindowA(kServerMainWindowClass, nullptr);
        if (!g_serverMainWindow) {
            if (StartAppProgram(kServerProgram) < 32)
                return ORV_ERR_NO_SERVER;
            g_serverMainWindow = FindWindowA(kServerMainWindowClass, nullptr);
            if (!g_serverMainWindow)
                return ORV_ERR_NO_SERVER_WINDOW;
        }
    }
    if (!RegisterClientWindowClass(instance))
        return ORV_ERR_NO_CONVERSATION;
    int16_t status = StartDriverProgram();
    if (status < 0)
        return status;
    ClearRefusalMark();
    if (OpenConversation(g_serverMainWindow) < 0)
        return ORV_ERR_NO_CONVERSATION;
    FetchCapabilities();
    g_registeredMessage = RegisterWindowMessageA(kScannerFreeMessage);
    {
        // The window's parent is the server's main window; an owner's earlier conversation
        // stays its own.
        TableLock lock;
        SetConversation(lock, ClientWindow(), ConversationOwner(lock));
    }
    return ORV_OK;
}
