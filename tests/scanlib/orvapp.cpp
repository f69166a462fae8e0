// A test application: loads the library of its build (ORVLIB32.DLL or ORVLIB64.DLL) from the
// Windows directory and runs the commands of its command line in order, one result line each on
// stdout. Waits keep the window messages flowing so that other processes' broadcasts are answered.
//   load[=path]  init  init-again  quit=ID  msgid=ID  version  setup=ID  table  unload
//   signal=FILE  wait=FILE  pump=MS  destroy
#include <windows.h>

#include <cstdio>
#include <cstdlib>
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
