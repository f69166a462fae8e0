// A test application built against orvlib.h and the import library alone, as applications are:
// it runs the commands of its command line in order against one client, one result line each,
// written to the file named by the first argument "out=PATH" (the library starts the server while
// this program loads, before main: the server would inherit a standard output pipe).
//   init  quit  msgid  notes  open  close  busy  adf  cancel  caps  getattr
//   setattr=mode,res,right,bottom,contrast  start=progress,pad32  get=lines,size[,guard]
//   bytes=offset,count  hash=count  setdecomp=enable,option  decompdata=p5  flush
//   graphic=lines,size  cntl=reserved,function,request,output  dialog  gauge  focus  pump=ms
//   wait=file  signal=file  destroy
// Runs for load and leak measurements, one line each:
//   cycles=N,width,lines   N x (init, subscribe, open or wait for the free notification, one
//                          colour page of width x lines at 100 dpi, close, quit): one line a
//                          cycle with the page's FNV-1a hash, then the time of all cycles
//   pages=N,width,lines    N pages through one open client (no output but a summary)
//   initquit=N             N x (init, quit)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvlib.h"
#include "orvlib_ids.h"
#include "library_client.h"

namespace {

constexpr uint8_t kUntouched = 0xAA;

HWND g_window = nullptr;
int32_t g_id = 0;
std::vector<uint8_t> g_last; // the caller's block after the last transfer

HGLOBAL FilledBlock(SIZE_T size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    void* bytes = GlobalLock(block);
    std::memset(bytes, kUntouched, GlobalSize(block));
    GlobalUnlock(block);
    return block;
}

void KeepAndFree(HGLOBAL block) {
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    g_last.assign(bytes, bytes + GlobalSize(block));
    GlobalUnlock(block);
    GlobalFree(block);
}

// The caller's block followed by a guard block: a transfer that overran the first would change
// the guard or the heap's own records between them.
void Get(const std::vector<int>& args) {
    const int lines = Arg(args, 0, 1);
    const SIZE_T size = static_cast<SIZE_T>(Arg(args, 1, 4096));
    const bool guarded = Arg(args, 2, 0) != 0;
    HGLOBAL buffer = FilledBlock(size);
    HGLOBAL guard = guarded ? FilledBlock(4096) : nullptr;
    const int32_t result =
        ORV_Get_Scan_Data(g_id, buffer, static_cast<int32_t>(size), static_cast<int16_t>(lines));
    const SIZE_T real = GlobalSize(buffer);
    KeepAndFree(buffer);
    if (!guarded) {
        Say("get %d", result);
        return;
    }
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(guard));
    bool intact = true;
    for (SIZE_T i = 0; i < GlobalSize(guard); ++i)
        intact = intact && bytes[i] == kUntouched;
    GlobalUnlock(guard);
    GlobalFree(guard);
    Say("get %d real=%u guard=%s heap=%s", result, static_cast<unsigned>(real),
        intact ? "intact" : "changed", HeapValidate(GetProcessHeap(), 0, nullptr) ? "ok" : "bad");
}

void Bytes(const std::vector<int>& args) {
    const size_t offset = static_cast<size_t>(Arg(args, 0, 0));
    const size_t count = static_cast<size_t>(Arg(args, 1, 16));
    std::string hex;
    char two[4];
    for (size_t i = offset; i < offset + count && i < g_last.size(); ++i) {
        std::snprintf(two, sizeof two, "%02x", g_last[i]);
        hex += two;
    }
    Say("bytes %s", hex.c_str());
}

// The scanning dialog shown over our window, if any.
HWND ScanningDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) WINAPI -> BOOL {
            char className[32] = "";
            GetClassNameA(window, className, sizeof className);
            if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Share of the gauge control's middle row drawn dark, in per cent.
void Gauge() {
    HWND dialog = ScanningDialog();
    if (!dialog) {
        Say("gauge none");
        return;
    }
    HWND control = GetDlgItem(dialog, ORVLIB_GAUGE_CONTROL);
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    const int row = client.bottom / 2;
    int dark = 0, width = 0;
    for (int x = 1; x < client.right - 1; ++x, ++width) {
        COLORREF pixel = GetPixel(dc, x, row);
        if (GetRValue(pixel) < 200)
            ++dark;
    }
    ReleaseDC(control, dc);
    Say("gauge %d", width ? (dark * 100 + width / 2) / width : -1);
}

void Dialog() {
    HWND dialog = ScanningDialog();
    if (!dialog) {
        Say("dialog none");
        return;
    }
    char title[64] = "", button[64] = "";
    GetWindowTextA(dialog, title, sizeof title);
    GetDlgItemTextA(dialog, IDCANCEL, button, sizeof button);
    HWND owner = GetWindow(dialog, GW_OWNER);
    Say("dialog %s|%s|%s", title, button, owner == g_window ? "owned" : "foreign");
}

// Opens the scanner; while another client holds it, waits for the free notification (or 250 ms,
// in case the scanner was freed and taken again before our subscription could hear it) and
// tries again. Counts the waits that ended by the notification and those that timed out.
int16_t OpenWaiting(int* heard, int* timedOut) {
    const DWORD start = GetTickCount();
    for (;;) {
        const int16_t status = ORV_Open(g_id);
        if (status != ORV_ERR_SCANNER_IN_USE || GetTickCount() - start > 120000)
            return status;
        const int before = g_freeNotes.count;
        const DWORD waitStart = GetTickCount();
        while (g_freeNotes.count == before && GetTickCount() - waitStart < 250) {
            PumpMessages();
            if (g_freeNotes.count == before)
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        ++*(g_freeNotes.count != before ? heard : timedOut);
    }
}

// One colour page of `width` x `lines` at 100 dpi into one block, then the end of the page.
// Returns the bytes of the lines (or a negative status) and their hash; `end` gets what the call
// after the last line returned.
int32_t ScanPage(int width, int lines, uint32_t* hash, int32_t* end) {
    ScannerAttributes attributes{};
    ORV_Get_Scanner_Attributes(g_id, &attributes);
    attributes.ScanMode = 0x10;
    attributes.Resolution = 100;
    attributes.ScanArea = {0, 0, static_cast<int16_t>(width), static_cast<int16_t>(lines)};
    attributes.UseADF = 0;
    if (ORV_Set_Scanner_Attributes(g_id, &attributes) != ORV_OK)
        return -1;
    const int16_t started = ORV_Start_Scan(g_id, 0, 0);
    if (started != ORV_OK)
        return started;
    const SIZE_T size = static_cast<SIZE_T>(width) * 3 * lines;
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    const int32_t got =
        ORV_Get_Scan_Data(g_id, buffer, static_cast<int32_t>(size), static_cast<int16_t>(lines));
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(buffer));
    *hash = got > 0 ? Fnv1a(bytes, static_cast<size_t>(got)) : 0;
    GlobalUnlock(buffer);
    *end = ORV_Get_Scan_Data(g_id, buffer, static_cast<int32_t>(size), 1);
    GlobalFree(buffer);
    return got;
}

void Cycles(const std::vector<int>& args) {
    const int count = Arg(args, 0, 1), width = Arg(args, 1, 64), lines = Arg(args, 2, 16);
    Stopwatch watch;
    for (int i = 0; i < count; ++i) {
        g_id = 0;
        const int16_t init = ORV_Init(g_window, &g_id);
        g_freeNotes.message = ORV_Get_Msg_Id(g_id);
        int heard = 0, timedOut = 0;
        const int16_t open = OpenWaiting(&heard, &timedOut);
        uint32_t hash = 0;
        int32_t end = 0;
        const int32_t got = open == ORV_OK ? ScanPage(width, lines, &hash, &end) : 0;
        const int16_t close = ORV_Close(g_id);
        ORV_Quit(g_id);
        Say("cycle id=%d init=%d open=%d heard=%d waited=%d got=%d hash=%08x end=%d close=%d", g_id,
            init, open, heard, timedOut, got, hash, end, close);
    }
    Say("cycles %d ms=%d", count, static_cast<int>(watch.Ms()));
}

// Pages through the client already open; every page must give the same bytes.
void Pages(const std::vector<int>& args) {
    const int count = Arg(args, 0, 1), width = Arg(args, 1, 64), lines = Arg(args, 2, 16);
    int good = 0;
    uint32_t first = 0;
    for (int i = 0; i < count; ++i) {
        uint32_t hash = 0;
        int32_t end = 0;
        const int32_t got = ScanPage(width, lines, &hash, &end);
        if (i == 0)
            first = hash;
        good += got == width * 3 * lines && hash == first && end == width * 3;
    }
    Say("pages %d good=%d hash=%08x", count, good, first);
}

// Through a second window, made once, so the client of the command line may stay registered.
void InitQuit(const std::vector<int>& args) {
    const int count = Arg(args, 0, 1);
    static HWND window = CreateWindowExA(0, "ScanApp", "initquit", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                         100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    int good = 0;
    for (int i = 0; i < count; ++i) {
        int32_t id = 0;
        good += ORV_Init(window, &id) == ORV_OK;
        ORV_Quit(id);
    }
    Say("initquit %d good=%d", count, good);
}

void Caps() {
    ScannerCapabilities caps;
    std::memset(&caps, 0xEE, sizeof caps);
    ORV_Get_Scanner_Capabilities(g_id, &caps);
    SayCapabilities(caps);
}

void SayAttributes(const char* verb, int status, const ScannerAttributes& a) {
    Say("%s %d mode=%u adf=%d bright=%u res=%u area=%d,%d,%d,%d paper=%u contrast=%u orient=%u "
        "invert=%d",
        verb, status, a.ScanMode, a.UseADF, a.Brightness, a.Resolution, a.ScanArea.L, a.ScanArea.T,
        a.ScanArea.R, a.ScanArea.B, a.PaperSize, a.Contrast, a.Orientation, a.Invert);
}

void SetAttributes(const std::vector<int>& args) {
    ScannerAttributes attributes{};
    ORV_Get_Scanner_Attributes(g_id, &attributes);
    attributes.ScanMode = static_cast<uint16_t>(Arg(args, 0, attributes.ScanMode));
    attributes.Resolution = static_cast<uint16_t>(Arg(args, 1, attributes.Resolution));
    attributes.ScanArea.L = 0;
    attributes.ScanArea.T = 0;
    attributes.ScanArea.R = static_cast<int16_t>(Arg(args, 2, attributes.ScanArea.R));
    attributes.ScanArea.B = static_cast<int16_t>(Arg(args, 3, attributes.ScanArea.B));
    attributes.Contrast = static_cast<uint16_t>(Arg(args, 4, attributes.Contrast));
    int16_t status = ORV_Set_Scanner_Attributes(g_id, &attributes);
    SayAttributes("setattr", status, attributes);
}

void Control(const std::string& verb, const std::vector<int>& args) {
    if (verb == "setdecomp") {
        DecompModeRequest request{g_id, static_cast<int16_t>(Arg(args, 0, 0)), 0, Arg(args, 1, 0)};
        Say("setdecomp %d", ORV_CntlCtr(0, ORV_CNTL_SET_DECOMP, &request, nullptr));
    } else if (verb == "decompdata") {
        DecompDataRequest request{
            g_id, 11, 12, 13, 14, 0x7777, static_cast<int16_t>(Arg(args, 0, 0))};
        DecompDataOutput output{reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(-1)), -1};
        int16_t status = ORV_CntlCtr(0, ORV_CNTL_DECOMP_DATA, &request, &output);
        std::string reply;
        if (status == ORV_OK && output.Delivered && output.Block) {
            auto* words = static_cast<const int16_t*>(GlobalLock(output.Block));
            char text[96];
            // The server's answer: the five parameters in force and the decompression mode.
            std::snprintf(text, sizeof text, " reply=%d,%d,%d,%d,%d mode=%d", words[2], words[3],
                          words[4], words[5], words[6], words[7]);
            reply = text;
            GlobalUnlock(output.Block);
            GlobalFree(output.Block);
        }
        Say("decompdata %d delivered=%d%s", status, output.Delivered, reply.c_str());
    } else if (verb == "flush") {
        DecompFlushRequest request{g_id};
        Say("flush %d", ORV_CntlCtr(0, ORV_CNTL_FLUSH_DECOMP, &request, nullptr));
    } else if (verb == "graphic") {
        const SIZE_T size = static_cast<SIZE_T>(Arg(args, 1, 4096));
        HGLOBAL buffer = FilledBlock(size);
        GraphicDataRequest request{g_id, buffer, static_cast<int32_t>(size),
                                   static_cast<int16_t>(Arg(args, 0, 1))};
        GraphicDataOutput output{-1, -1};
        int16_t status = ORV_CntlCtr(0, ORV_CNTL_GET_GRAPHIC_DATA, &request, &output);
        KeepAndFree(buffer);
        Say("graphic %d bytes=%d lines=%d", status, output.Bytes, output.LineCount);
    } else {
        // Raw: reserved, function, whether to pass a request and an output record.
        GraphicDataRequest request{g_id, nullptr, 0, 1};
        GraphicDataOutput output{0, 0};
        Say("cntl %d",
            ORV_CntlCtr(Arg(args, 0, 0), static_cast<int16_t>(Arg(args, 1, 0)),
                        Arg(args, 2, 1) ? &request : nullptr, Arg(args, 3, 1) ? &output : nullptr));
    }
}

bool Run(const Command& command) {
    const std::string& verb = command.verb;
    const std::vector<int>& args = command.args;
    if (RunClientCall(command, g_window, &g_id, false))
        return true;
    if (verb == "caps") {
        Caps();
    } else if (verb == "getattr") {
        ScannerAttributes attributes{};
        int16_t status = ORV_Get_Scanner_Attributes(g_id, &attributes);
        SayAttributes("getattr", status, attributes);
    } else if (verb == "setattr") {
        SetAttributes(args);
    } else if (verb == "get") {
        Get(args);
    } else if (verb == "bytes") {
        Bytes(args);
    } else if (verb == "hash") { // of the first count bytes of the last block
        Say("hash %08x", Fnv1a(g_last.data(), std::min<size_t>(g_last.size(), Arg(args, 0, 0))));
    } else if (verb == "setdecomp" || verb == "decompdata" || verb == "flush" ||
               verb == "graphic" || verb == "cntl") {
        Control(verb, args);
    } else if (verb == "dialog") {
        Dialog();
    } else if (verb == "gauge") {
        Gauge();
    } else if (verb == "focus") {
        Say("focus %s", GetFocus() == g_window ? "app" : "elsewhere");
    } else if (verb == "destroy") {
        DestroyWindow(g_window);
        Say("destroy");
    } else if (verb == "cycles") {
        Cycles(args);
    } else if (verb == "pages") {
        Pages(args);
    } else if (verb == "initquit") {
        InitQuit(args);
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    RegisterNotesWindowClass("ScanApp");
    g_window = CreateWindowExA(0, "ScanApp", "scanapp", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                               300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetFocus(g_window);
    return RunCommandLine(argc, argv, Run, 3000);
}
