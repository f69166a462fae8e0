// A test application: loads ORVLIB32.DLL from the Windows directory and runs the commands of its
// command line in order, one result line each on stdout. Waits keep the window messages flowing
// so that other processes' broadcasts are answered.
//   load[=path]  init  init-again  quit=ID  msgid=ID  version  setup=ID  table  unload
//   signal=FILE  wait=FILE  pump=MS  destroy
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "client_table.h"
#include "probe_output.h"
#include "orvlib.h"

namespace {

using InitFn = int16_t(WINAPI*)(HWND, int32_t*);
using QuitFn = void(WINAPI*)(int32_t);
using VersionFn = void(WINAPI*)(LibraryVersion*);
using MsgIdFn = uint32_t(WINAPI*)(int32_t);
using SetupFn = int16_t(WINAPI*)(int32_t);

HMODULE g_library = nullptr;
HWND g_window = nullptr;

#if defined(_WIN64)
#define EXPORT_NAME(name, bytes) #name
#else
#define EXPORT_NAME(name, bytes) "_" #name "@" #bytes
#endif

template <typename Fn> Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_library, name)));
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

void Init(bool again) {
    if (!again || !g_window)
        g_window = CreateWindowExA(0, "STATIC", "orvapp", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    int32_t id = -1;
    int16_t status = Export<InitFn>(EXPORT_NAME(ORV_Init, 8))(g_window, &id);
    Say("init %d %d", status, id);
}

// The shared table as another program sees it.
void Table() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kTableName);
    if (!mapping) {
        Say("table none");
        return;
    }
    auto* view =
        static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kTableSize));
    auto* header = reinterpret_cast<const TableHeader*>(view);
    std::string ids;
    for (int i = 0; i < header->entryCount && i < kMaxClients; ++i) {
        auto* entry =
            reinterpret_cast<const ClientEntry*>(view + kEntriesOffset + kEntryStride * i);
        ids += (i ? "," : "") + std::to_string(entry->clientId);
    }
    auto* caps = reinterpret_cast<const ScannerCapabilities*>(view + kCapabilitiesOffset);
    Say("table counter=%d count=%d ids=%s conv=%s model=%.32s", header->idCounter,
        header->entryCount, ids.c_str(), header->conversationWindow ? "set" : "0", caps->ModelName);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

void WaitForFile(const char* path) {
    for (int i = 0; i < 3000 && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; ++i)
        Pump(20);
    Say("wait %s", GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "timeout" : "ok");
}

void Run(const char* command) {
    const char* equals = std::strchr(command, '=');
    std::string verb = equals ? std::string(command, equals - command) : command;
    const char* arg = equals ? equals + 1 : "";
    int32_t id = std::atoi(arg);
    if (verb == "load") {
        std::string path = *arg ? arg : "C:\\windows\\ORVLIB32.DLL";
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
    } else if (verb == "table") {
        Table();
    } else if (verb == "signal") {
        HANDLE file = CreateFileA(arg, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        Say("signal");
    } else if (verb == "wait") {
        WaitForFile(arg);
    } else if (verb == "pump") {
        Pump(static_cast<DWORD>(id));
        Say("pump");
    } else if (verb == "destroy") {
        DestroyWindow(g_window);
        g_window = nullptr;
        Say("destroy");
    } else {
        Say("unknown %s", command);
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepOutputPrivate();
    for (int i = 1; i < argc; ++i)
        Run(argv[i]);
    return 0;
}
