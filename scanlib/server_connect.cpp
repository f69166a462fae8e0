#include "server_connect.h"

#include <cstdio>

#include "capabilities.h"
#include "client_table.h"
#include "config_names.h"
#include "profile_values.h"
#include "dde_conversation.h"
#include "language.h"
#include "library_state.h"
#include "orvlib_ids.h"
#include "server_users.h"
#include "windows_path.h"

namespace {

char g_appDirectory[kPathBufferSize] = "";
HWND g_serverMainWindow = nullptr;
uint32_t g_registeredMessage = 0;

void BuildAppDirectory() {
    if (!WindowsPath(g_appDirectory, sizeof g_appDirectory, kAppDirName) ||
        !EndWithBackslash(g_appDirectory, sizeof g_appDirectory))
        g_appDirectory[0] = '\0';
}

// Starts a program of the application directory minimised; the broadcast returns once every
// top-level window, the new program's included, has handled it or run out of its time. A path
// that does not fit is a missing program.
UINT StartProgram(const char* name) {
    char path[kPathBufferSize];
    if (!AppFile(path, sizeof path, name))
        return ERROR_FILE_NOT_FOUND;
    UINT result = WinExec(path, SW_MINIMIZE);
    BroadcastBounded(WM_NULL, 0, 0);
    return result;
}

void ShowLaunchFailure(UINT code) {
    // The block is chosen here: the attach picks its own only after the connect.
    char format[80] = "";
    LoadStringA(g_library.instance,
                StringId(GetLanguageBlock(), ORVLIB_STRING_BASE + ORVLIB_LAUNCH_FAILED), format,
                sizeof format);
    char text[96];
    std::snprintf(text, sizeof text, format, static_cast<int>(code));
    MessageBoxA(nullptr, text, kLaunchFailureCaption, MB_OK);
}

} // namespace

const char* AppDirectory() {
    if (!g_appDirectory[0])
        BuildAppDirectory();
    return g_appDirectory;
}

bool AppFile(char* out, size_t size, const char* name) {
    // Without the directory a bare name would leave the search path to pick the file.
    if (AppDirectory()[0] && JoinPath(out, size, AppDirectory(), name))
        return true;
    out[0] = '\0';
    return false;
}

uint32_t RegisteredMessage() {
    return g_registeredMessage;
}
HWND ServerMainWindow() {
    return g_serverMainWindow;
}

int16_t SelectionStatus(int16_t scannerId) {
    switch (scannerId) {
    case 151:
        return ORV_ERR_SCANNER_151;
    case 152:
        return ORV_ERR_SCANNER_152;
    case 153:
        return ORV_ERR_SCANNER_153;
    case 154:
    case 155:
    case 156:
        return ORV_ERR_SCANNER_154_156;
    default:
        return ORV_ERR_NO_CONVERSATION;
    }
}

int16_t StartDriverProgram() {
    char file[kPathBufferSize];
    if (!AppFile(file, sizeof file, kSelectionFile))
        return ORV_ERR_NO_CONVERSATION;
    int16_t id = ReadProfileInt16(kScannerSection, kCurrentScannerIdKey, 0, file);
    char driver[80] = "";
    if (id > 0)
        GetPrivateProfileStringA(kScannerSection, kCurrentDriverKey, "", driver, sizeof driver,
                                 file);
    if (id <= 0 || id >= 150 || !driver[0])
        return SelectionStatus(id);
    UINT result = StartProgram(driver);
    if (result >= 32)
        return ORV_OK;
    ShowLaunchFailure(result);
    return ORV_ERR_NO_DRIVER;
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
            if (StartProgram(kServerProgram) < 32)
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
    return 0;
}
