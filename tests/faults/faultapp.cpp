// An application for the fault tests, built against orvlib.h and the import library: it runs the
// commands of its command line in order, one result line each, with the time every library call
// took ("ms=N"), written unbuffered to the file named by "out=PATH" (a test may kill it at any
// moment; the server the library starts would keep an inherited pipe open).
//   init  inits=N  quit  msgid  notes  open  close  busy  adf  cancel
//   setattr=mode,res,right,bottom  start=progress,pad32  get=lines
//   page=lines,calls   (calls of get=lines; sum of the bytes delivered, longest call)
//   table  signal=FILE  wait=FILE  pump=MS  hold  destroy  dialog
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "client_table.h"
#include "orvlib.h"
#include "probe_output.h"

namespace {

HWND g_window = nullptr;
int32_t g_id = 0;
UINT g_freeMessage = 0;
int g_notes = 0;
WPARAM g_noteW = 0;
LPARAM g_noteL = 0;

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_freeMessage && message == g_freeMessage) {
        ++g_notes;
        g_noteW = wParam;
        g_noteL = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND NewWindow() {
    return CreateWindowExA(0, "FaultApp", "faultapp", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

// Milliseconds since the previous call.
struct Stopwatch {
    LARGE_INTEGER start, frequency;
    Stopwatch() {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    long long Ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    }
};

void Page(const std::vector<int>& args) {
    const int lines = Arg(args, 0, 10), calls = Arg(args, 1, 1);
    const SIZE_T size = 1 << 20;
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    uint32_t sum = 2166136261u;
    long long delivered = 0, longest = 0;
    int32_t result = 0;
    for (int i = 0; i < calls; ++i) {
        Stopwatch watch;
        result = ORV_Get_Scan_Data(g_id, buffer, static_cast<int32_t>(size),
                                   static_cast<int16_t>(lines));
        const long long ms = watch.Ms();
        longest = ms > longest ? ms : longest;
        if (result < 0)
            break;
        auto* bytes = static_cast<const uint8_t*>(GlobalLock(buffer));
        sum = Fnv1a(bytes, static_cast<size_t>(result), sum);
        GlobalUnlock(buffer);
        delivered += result;
    }
    GlobalFree(buffer);
    Say("page %d bytes=%lld sum=%08x maxms=%lld", result, delivered, sum, longest);
}

void SetAttributes(const std::vector<int>& args) {
    ScannerAttributes attributes{};
    ORV_Get_Scanner_Attributes(g_id, &attributes);
    attributes.ScanMode = static_cast<uint16_t>(Arg(args, 0, 8));
    attributes.Resolution = static_cast<uint16_t>(Arg(args, 1, 300));
    attributes.ScanArea = {0, 0, static_cast<int16_t>(Arg(args, 2, 100)),
                           static_cast<int16_t>(Arg(args, 3, 100))};
    Say("setattr %d", ORV_Set_Scanner_Attributes(g_id, &attributes));
}

// The shared table as another program sees it; "sum" covers all of its bytes.
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
    uint32_t holderProcess;
    std::memcpy(&holderProcess, view + kHolderProcessOffset, sizeof holderProcess);
    Say("table counter=%d count=%d ids=%s holder=%d holderprocess=%s sum=%08x", header->idCounter,
        header->entryCount, ids.c_str(), header->openClient,
        holderProcess == 0 ? "0" : (holderProcess == GetCurrentProcessId() ? "self" : "other"),
        Fnv1a(view, kTableSize));
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

void WaitForFile(const char* path) {
    for (int i = 0; i < 6000 && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; ++i)
        Pump(20);
    Say("wait %s", GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "timeout" : "ok");
}

// Runs one library call and says its result and duration.
template <typename Call> void Timed(const char* verb, Call call) {
    Stopwatch watch;
    const long long result = call();
    Say("%s %lld ms=%lld", verb, result, watch.Ms());
}

void Run(const char* command) {
    const char* equals = std::strchr(command, '=');
    const std::string verb = equals ? std::string(command, equals - command) : command;
    const char* arg = equals ? equals + 1 : "";
    const std::vector<int> args = Numbers(arg);
    if (verb == "init") {
        g_window = NewWindow();
        Stopwatch watch;
        const int16_t status = ORV_Init(g_window, &g_id);
        Say("init %d %d ms=%lld", status, g_id, watch.Ms());
    } else if (verb == "inits") {
        int registered = 0;
        int16_t status = ORV_OK;
        for (int i = 0; i < Arg(args, 0, 1) && status == ORV_OK; ++i) {
            g_window = NewWindow();
            status = ORV_Init(g_window, &g_id);
            registered += status == ORV_OK;
        }
        Say("inits %d last=%d", registered, status);
    } else if (verb == "quit") {
        ORV_Quit(g_id);
        Say("quit");
    } else if (verb == "msgid") {
        g_freeMessage = ORV_Get_Msg_Id(g_id);
        Say("msgid %s", g_freeMessage ? "set" : "0");
    } else if (verb == "notes") {
        Say("notes %d %d %d", g_notes, static_cast<int>(g_noteW), static_cast<int>(g_noteL));
    } else if (verb == "open") {
        Timed("open", [] { return ORV_Open(g_id); });
    } else if (verb == "close") {
        Timed("close", [] { return ORV_Close(g_id); });
    } else if (verb == "busy") {
        Timed("busy", [] { return ORV_Is_Scanner_Busy(g_id); });
    } else if (verb == "adf") {
        Timed("adf", [] { return ORV_Is_Adf_Ready(g_id); });
    } else if (verb == "cancel") {
        Timed("cancel", [] { return ORV_Cancel(g_id); });
    } else if (verb == "setattr") {
        SetAttributes(args);
    } else if (verb == "start") {
        Timed("start", [&] { return ORV_Start_Scan(g_id, Arg(args, 0, 0), Arg(args, 1, 0)); });
    } else if (verb == "get") {
        HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE, 1 << 20);
        Timed("get", [&] {
            return ORV_Get_Scan_Data(g_id, buffer, 1 << 20, static_cast<int16_t>(Arg(args, 0, 1)));
        });
        GlobalFree(buffer);
    } else if (verb == "page") {
        Page(args);
    } else if (verb == "table") {
        Table();
    } else if (verb == "signal") {
        CloseHandle(CreateFileA(arg, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        Say("signal");
    } else if (verb == "wait") {
        WaitForFile(arg);
    } else if (verb == "pump") {
        Pump(static_cast<DWORD>(Arg(args, 0, 0)));
        Say("pump");
    } else if (verb == "hold") {
        Say("hold");
        Pump(120000); // until the test ends this process
    } else if (verb == "destroy") {
        DestroyWindow(g_window);
        Say("destroy");
    } else if (verb == "dialog") {
        Say("dialog %s", FindWindowA("#32770", "Scanning") ? "shown" : "none");
    } else {
        Say("unknown %s", command);
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepOutputPrivate();
    const int first = TakeOutputArgument(argc, argv, FILE_FLAG_WRITE_THROUGH);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = AppWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "FaultApp";
    RegisterClassA(&windowClass);
    for (int i = first; i < argc; ++i)
        Run(argv[i]);
    CloseHandle(ProbeOutput());
    return 0;
}
