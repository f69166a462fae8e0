// An application for the fault tests, built against orvlib.h and the import library: it runs the
// commands of its command line in order, one result line each, with the time every library call
// took ("ms=N"), written unbuffered to the file named by "out=PATH" (a test may kill it at any
// moment; the server the library starts would keep an inherited pipe open).
//   init  inits=N  quit  msgid  notes  open  close  busy  adf  cancel
//   setattr=mode,res,right,bottom  start=progress,pad32  get=lines
//   page=lines,calls   (calls of get=lines; sum of the bytes delivered, longest call)
//   table  signal=FILE  wait=FILE  pump=MS  hold  destroy  dialog
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvlib.h"
#include "library_client.h"
#include "table_line.h"

namespace {

HWND g_window = nullptr;
int32_t g_id = 0;

HWND NewWindow() {
    return CreateWindowExA(0, "FaultApp", "faultapp", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

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
    SayTable([](const uint8_t* view) {
        auto* header = reinterpret_cast<const TableHeader*>(view);
        uint32_t holderProcess;
        std::memcpy(&holderProcess, view + kHolderProcessOffset, sizeof holderProcess);
        char details[96];
        std::snprintf(
            details, sizeof details, " holder=%d holderprocess=%s sum=%08x", header->openClient,
            holderProcess == 0 ? "0" : (holderProcess == GetCurrentProcessId() ? "self" : "other"),
            Fnv1a(view, kTableSize));
        return std::string(details);
    });
}

bool Run(const Command& command) {
    const std::string& verb = command.verb;
    const std::vector<int>& args = command.args;
    if (verb == "init")
        g_window = NewWindow();
    if (RunClientCall(command, g_window, &g_id, true))
        return true;
    if (verb == "inits") {
        int registered = 0;
        int16_t status = ORV_OK;
        for (int i = 0; i < Arg(args, 0, 1) && status == ORV_OK; ++i) {
            g_window = NewWindow();
            status = ORV_Init(g_window, &g_id);
            registered += status == ORV_OK;
        }
        Say("inits %d last=%d", registered, status);
    } else if (verb == "setattr") {
        SetAttributes(args);
    } else if (verb == "get") {
        HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE, 1 << 20);
        const Stopwatch watch;
        const int32_t result =
            ORV_Get_Scan_Data(g_id, buffer, 1 << 20, static_cast<int16_t>(Arg(args, 0, 1)));
        Say("get %d ms=%lld", result, watch.Ms());
        GlobalFree(buffer);
    } else if (verb == "page") {
        Page(args);
    } else if (verb == "table") {
        Table();
    } else if (verb == "hold") {
        Say("hold");
        Pump(120000); // until the test ends this process
    } else if (verb == "destroy") {
        DestroyWindow(g_window);
        Say("destroy");
    } else if (verb == "dialog") {
        Say("dialog %s", FindWindowA("#32770", "Scanning") ? "shown" : "none");
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    RegisterNotesWindowClass("FaultApp");
    return RunCommandLine(argc, argv, Run, 6000, FILE_FLAG_WRITE_THROUGH);
}
