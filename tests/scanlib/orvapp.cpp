// A test application: loads the library of its build (ORVLIB32.DLL or ORVLIB64.DLL) from the
// Windows directory and runs the commands of its command line in order, one result line each on
// stdout. Waits keep the window messages flowing so that other processes' broadcasts are answered.
//   load[=path]  init  init-again  quit=ID  msgid=ID  version  setup=ID  table  unload
//   open  close (the last client registered)  windows  signal=FILE  wait=FILE  pump=MS  destroy
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "orvlib.h"
#include "table_line.h"
#include "test_app.h"

namespace {

using InitFn = int16_t(WINAPI*)(HWND, int32_t*);
using QuitFn = void(WINAPI*)(int32_t);
using VersionFn = void(WINAPI*)(LibraryVersion*);
using MsgIdFn = uint32_t(WINAPI*)(int32_t);
using SetupFn = int16_t(WINAPI*)(int32_t);
using OpenCloseFn = int16_t(WINAPI*)(int32_t);

HMODULE g_library = nullptr;
HWND g_window = nullptr;
int32_t g_id = 0;

#if defined(_WIN64)
#define EXPORT_NAME(name, bytes) #name
#else
#define EXPORT_NAME(name, bytes) "_" #name "@" #bytes
#endif

template <typename Fn> Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_library, name)));
}

void Init(bool again) {
    if (!again || !g_window)
        g_window = CreateWindowExA(0, "STATIC", "orvapp", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    int32_t id = -1;
    int16_t status = Export<InitFn>(EXPORT_NAME(ORV_Init, 8))(g_window, &id);
    if (status == ORV_OK)
        g_id = id;
    Say("init %d %d", status, id);
}

// This process's DDE client windows of the library, wherever they hang: the connect's under the
// server's window, an open's under the application's.
BOOL CALLBACK CountOwnClientWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && std::strcmp(className, "ClientDDEWndClass") == 0)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountUnderTopLevel(HWND window, LPARAM count) {
    CountOwnClientWindow(window, count);
    EnumChildWindows(window, CountOwnClientWindow, count);
    return TRUE;
}

// The shared table as another program sees it.
void Table() {
    SayTable([](const uint8_t* view) {
        auto* header = reinterpret_cast<const TableHeader*>(view);
        auto* caps = reinterpret_cast<const ScannerCapabilities*>(view + kCapabilitiesOffset);
        char details[64];
        std::snprintf(details, sizeof details, " conv=%s model=%.32s",
                      header->conversationWindow ? "set" : "0", caps->ModelName);
        return std::string(details);
    });
}

bool Run(const Command& command) {
    const std::string& verb = command.verb;
    const char* arg = command.arg;
    const int32_t id = std::atoi(arg);
    if (verb == "load") {
        std::string path = *arg ? arg : "C:\\windows\\" ORV_LIBRARY_FILE;
        g_library = LoadLibraryA(path.c_str());
        if (g_library)
            Say("load ok");
        else
            Say("load failed %lu", GetLastError());
    } else if (verb == "unload") {
        FreeLibrary(g_library);
        g_library = nullptr;
        Say("unload");
    } else if (verb == "init" || verb == "init-again") {
        Init(verb == "init-again");
    } else if (verb == "quit") {
        Export<QuitFn>(EXPORT_NAME(ORV_Quit, 4))(id);
        Say("quit %d", id);
    } else if (verb == "msgid") {
        Say("msgid %u", Export<MsgIdFn>(EXPORT_NAME(ORV_Get_Msg_Id, 4))(id));
    } else if (verb == "version") {
        LibraryVersion version{-1, -1, -1};
        Export<VersionFn>(EXPORT_NAME(ORV_Get_Version, 4))(&version);
        Say("version %d %d %d", version.Major, version.Minor, version.Extra);
    } else if (verb == "setup") {
        Say("setup %d", Export<SetupFn>(EXPORT_NAME(ORV_Setup, 4))(id));
    } else if (verb == "open" || verb == "close") {
        const OpenCloseFn call = Export<OpenCloseFn>(verb == "open" ? EXPORT_NAME(ORV_Open, 4)
                                                                    : EXPORT_NAME(ORV_Close, 4));
        Say("%s %d", verb.c_str(), call(g_id));
    } else if (verb == "windows") {
        int count = 0;
        EnumWindows(CountUnderTopLevel, reinterpret_cast<LPARAM>(&count));
        Say("windows %d", count);
    } else if (verb == "table") {
        Table();
    } else if (verb == "destroy") {
        DestroyWindow(g_window);
        g_window = nullptr;
        Say("destroy");
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    return RunCommandLine(argc, argv, Run, 3000);
}
