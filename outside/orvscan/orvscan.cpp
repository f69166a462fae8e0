// orvscan.exe: the sample application of the Orvane scanner access library. It walks through the
// whole life of a client: register a window, read the scanner's capabilities, set the scan
// attributes, open the scanner (waiting while another application holds it), scan one page and
// write it as a BMP file.
//
//   orvscan [/mode:bw|gray4|gray8|color] [/res:DPI] [/area:L,T,R,B] [/lines:N] [/progress]
//           [/wait:SECONDS] [/out:FILE.bmp]
//
// Building an application like this one: include orvlib.h, link ORVLIB32.LIB (ORVLIB64.LIB for
// a 64-bit build), and link with a 16 MB stack (-Wl,--stack,16777216): line blocks from the
// scanning server arrive as DDE messages that are copied onto the receiving thread's stack. At run
// time the library must lie in the Windows directory (it refuses to load from anywhere else), so
// the application keeps no copy of it beside itself.
//
// The exit code is 0 when the page was written, the library's status when a library call
// failed, 1 when the image could not be written and 2 for a bad command line.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "orvlib.h"
#include "orvscan_texts.h"
#include "page_bitmap.h"
#include "scan_options.h"

namespace {

// US Letter, the default area, in hundredths of an inch.
constexpr int kLetterWidth = 850;
constexpr int kLetterHeight = 1100;
// The server reports the scanner's largest area in pixels and lines at 300 dpi.
constexpr int kCapabilityDpi = 300;
// Lines per transfer are chosen so that one line block stays near this size: large enough that
// the 20 ms the library waits per exchange is small against the copy, far below the 8 MB a block
// may have and the 16 MB stack that receives it.
constexpr int kTransferBytes = 1 << 20;

// Prints a message from the string table, formatted with the arguments.
void Say(UINT id, ...) {
    char format[512];
    if (!LoadStringA(GetModuleHandleA(nullptr), id, format, sizeof format))
        return;
    va_list arguments;
    va_start(arguments, id);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

// The library's client is a window: it parents the library's DDE window, owns the "Scanning"
// dialog and receives the scanner-free notification. An application uses its main window; this
// program makes a hidden one.
HWND CreateClientWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvScanClient";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "orvscan", WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

// Resolutions the capability record names: 75, 100, 200, 300 and 400 dpi have a bit each; other
// resolutions are not described by it.
struct ResolutionBit {
    int dpi;
    uint16_t bit;
};
constexpr ResolutionBit kResolutionBits[] = {{75, ORV_RES_75},
                                             {100, ORV_RES_100},
                                             {200, ORV_RES_200},
                                             {300, ORV_RES_300},
                                             {400, ORV_RES_400}};

void ReportCapabilities(const ScannerCapabilities& caps) {
    char resolutions[64] = "";
    for (const ResolutionBit& resolution : kResolutionBits)
        if (caps.ScanRes & resolution.bit) {
            size_t used = std::strlen(resolutions);
            std::snprintf(resolutions + used, sizeof resolutions - used, " %d", resolution.dpi);
        }
    char model[sizeof caps.ModelName + 1] = "";
    std::memcpy(model, caps.ModelName, sizeof caps.ModelName); // NUL-padded, maybe unterminated
    Say(IDS_SCANNER, model, caps.ScanId, caps.ScanMode, resolutions, caps.ScanArea.R,
        caps.ScanArea.B);
}

// Checks the request against what the scanner can do; an empty area becomes US Letter at the
// resolution, cut to the scanner's maximum at that resolution.
bool FitToScanner(const ScannerCapabilities& caps, ScanOptions* options) {
    if (!(caps.ScanMode & options->mode.modeBit)) {
        Say(IDS_MODE_MISSING, options->mode.name);
        return false;
    }
    for (const ResolutionBit& resolution : kResolutionBits)
        if (resolution.dpi == options->resolution && !(caps.ScanRes & resolution.bit)) {
            Say(IDS_RESOLUTION_MISSING, options->resolution);
            return false;
        }
    int16_t* area = options->area;
    // The largest area at the page's resolution, where the requested area is.
    auto atResolution = [&](int16_t edge) {
        return static_cast<int16_t>(std::min(edge * options->resolution / kCapabilityDpi, 32767));
    };
    const ScanRect max = {atResolution(caps.ScanArea.L), atResolution(caps.ScanArea.T),
                          atResolution(caps.ScanArea.R), atResolution(caps.ScanArea.B)};
    if (!options->areaGiven) {
        area[0] = max.L;
        area[1] = max.T;
        area[2] =
            static_cast<int16_t>(std::min<int>(kLetterWidth * options->resolution / 100, max.R));
        area[3] =
            static_cast<int16_t>(std::min<int>(kLetterHeight * options->resolution / 100, max.B));
    }
    if (area[0] < max.L || area[1] < max.T || area[2] > max.R || area[3] > max.B) {
        Say(IDS_AREA_OUTSIDE, area[0], area[1], area[2], area[3], max.L, max.T, max.R, max.B);
        return false;
    }
    return true;
}

// Waits for the scanner-free notification (the message ORV_Get_Msg_Id returned), keeping the
// window messages flowing. False when the deadline passed first.
bool WaitForScannerFree(UINT freeMessage, DWORD deadline) {
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == freeMessage)
                return true;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD left = deadline - GetTickCount();
        if (static_cast<int32_t>(left) <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
    }
}

// Opens the scanner. While another client holds it (-1001) the program waits for the library's
// notification and tries again; several waiting clients race for it, so a notification is no
// promise.
int16_t OpenScanner(int32_t id, UINT freeMessage, int waitSeconds) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(waitSeconds) * 1000;
    bool toldWaiting = false;
    for (;;) {
        int16_t status = ORV_Open(id);
        if (status != ORV_ERR_SCANNER_IN_USE)
            return status;
        if (!toldWaiting)
            Say(IDS_WAITING);
        toldWaiting = true;
        if (!WaitForScannerFree(freeMessage, deadline)) {
            Say(IDS_WAIT_TIMEOUT, waitSeconds);
            return status;
        }
    }
}

// Fetches the page's lines into page->data, linesPerTransfer at a time. Each ORV_Get_Scan_Data
// call is one request to the server and one line block back; with pad32 every line arrives at a
// multiple of page->lineBytes in the buffer. Returns 0 or the library's status.
int32_t TransferPage(int32_t id, int linesPerTransfer, ScannedPage* page, uint8_t* pageData) {
    const SIZE_T transferBytes = static_cast<SIZE_T>(linesPerTransfer) * page->lineBytes;
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE, transferBytes);
    if (!buffer) {
        Say(IDS_NO_MEMORY, page->width, linesPerTransfer);
        return ORV_ERR_NO_MEMORY;
    }
    const DWORD start = GetTickCount();
    int transfers = 0;
    int32_t status = 0;
    for (int done = 0; done < page->lines;) {
        int wanted = std::min(linesPerTransfer, page->lines - done);
        int32_t bytes = ORV_Get_Scan_Data(id, buffer, static_cast<int32_t>(transferBytes),
                                          static_cast<int16_t>(wanted));
        ++transfers;
        if (bytes < 0) {
            Say(IDS_FAILED, "ORV_Get_Scan_Data", bytes);
            status = bytes;
            break;
        }
        // A block with fewer lines than asked for returns fewer bytes.
        int got = std::min(wanted, bytes / page->lineBytes);
        if (got == 0) {
            Say(IDS_FAILED, "ORV_Get_Scan_Data", bytes);
            status = ORV_ERR_DATA_EXCHANGE;
            break;
        }
        const void* lines = GlobalLock(buffer);
        std::memcpy(pageData + static_cast<size_t>(done) * page->lineBytes, lines,
                    static_cast<size_t>(got) * page->lineBytes);
        GlobalUnlock(buffer);
        done += got;
    }
    GlobalFree(buffer);
    if (status == 0)
        Say(IDS_TRANSFERRED, page->lines, transfers,
            static_cast<unsigned long>(static_cast<size_t>(page->lines) * page->lineBytes),
            static_cast<unsigned long>(GetTickCount() - start));
    return status;
}

// The library part of the program: from ORV_Init to ORV_Quit. Fills the page on success.
int32_t ScanOnePage(HWND window, ScanOptions* options, ScannedPage* page,
                    std::unique_ptr<uint8_t[]>* pageData) {
    int32_t id = 0;
    int16_t status = ORV_Init(window, &id);
    if (status != ORV_OK) {
        Say(IDS_FAILED, "ORV_Init", status);
        return status;
    }
    // Subscribing before the first ORV_Open means no notification can slip past.
    UINT freeMessage = ORV_Get_Msg_Id(id);

    ScannerCapabilities caps{};
    ORV_Get_Scanner_Capabilities(id, &caps);
    ReportCapabilities(caps);
    if (!FitToScanner(caps, options)) {
        ORV_Quit(id);
        return 2;
    }

    // Start from the attributes of the scanner selection and change what this scan needs.
    ScannerAttributes attributes{};
    ORV_Get_Scanner_Attributes(id, &attributes);
    attributes.ScanMode = options->mode.modeBit;
    attributes.Resolution = static_cast<uint16_t>(options->resolution);
    attributes.ScanArea =
        ScanRect{options->area[0], options->area[1], options->area[2], options->area[3]};
    attributes.UseADF = 0;
    status = ORV_Set_Scanner_Attributes(id, &attributes);
    if (status != ORV_OK) {
        Say(IDS_FAILED, "ORV_Set_Scanner_Attributes", status);
        ORV_Quit(id);
        return status;
    }

    // The scanner takes ScanArea R as the line width in pixels and B as the number of lines.
    page->width = attributes.ScanArea.R;
    page->lines = attributes.ScanArea.B;
    const uint16_t mode = options->mode.modeBit;
    page->bitsPerPixel = ORV_MODE_BITS_PER_SAMPLE(mode) * ORV_MODE_SAMPLES_PER_PIXEL(mode);
    page->lineBytes = static_cast<int>(ORV_PADDED_LINE_BYTES(mode, page->width));
    Say(IDS_SETTINGS, options->mode.name, options->resolution, options->area[0], options->area[1],
        options->area[2], options->area[3], page->width, page->lines,
        options->progress ? "with" : "without");
    pageData->reset(new (std::nothrow) uint8_t[static_cast<size_t>(page->lines) * page->lineBytes]);
    if (!*pageData) {
        Say(IDS_NO_MEMORY, page->width, page->lines);
        ORV_Quit(id);
        return ORV_ERR_NO_MEMORY;
    }

    status = OpenScanner(id, freeMessage, options->waitSeconds);
    if (status != ORV_OK) {
        if (status != ORV_ERR_SCANNER_IN_USE)
            Say(IDS_FAILED, "ORV_Open", status);
        ORV_Quit(id);
        return status;
    }
    Say(IDS_OPENED);

    // pad32 on: every line starts on a 32-pixel boundary, ready for a device-independent bitmap.
    int32_t result = ORV_Start_Scan(id, options->progress ? 1 : 0, 1);
    if (result != ORV_OK) {
        Say(IDS_FAILED, "ORV_Start_Scan", result);
    } else {
        int lines = options->linesPerTransfer;
        if (lines == 0)
            lines = std::max(1, std::min(page->lines, kTransferBytes / page->lineBytes));
        result = TransferPage(id, lines, page, pageData->get());
    }
    page->data = pageData->get();

    // Give the scanner back (waiting clients are told), then leave the client table.
    ORV_Close(id);
    ORV_Quit(id);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    ScanOptions options;
    const char* bad = nullptr;
    if (!ParseScanOptions(argc, argv, &options, &bad)) {
        Say(IDS_BAD_ARGUMENT, bad);
        Say(IDS_USAGE);
        return 2;
    }
    LibraryVersion version{};
    ORV_Get_Version(&version);
    Say(IDS_VERSION, version.Major, version.Minor, version.Extra);

    HWND window = CreateClientWindow();
    ScannedPage page{};
    std::unique_ptr<uint8_t[]> pageData;
    int32_t status = ScanOnePage(window, &options, &page, &pageData);
    DestroyWindow(window);
    if (status != 0)
        return status;

    char fullPath[MAX_PATH];
    DWORD length = GetFullPathNameA(options.outPath, sizeof fullPath, fullPath, nullptr);
    const char* shown = length > 0 && length < sizeof fullPath ? fullPath : options.outPath;
    if (!WritePageBitmap(page, options.outPath)) {
        Say(IDS_WRITE_FAILED, shown);
        return 1;
    }
    Say(IDS_WROTE, shown, page.bitsPerPixel, page.width, page.lines);
    return 0;
}
