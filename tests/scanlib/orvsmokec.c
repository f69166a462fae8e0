/* A C application of the library: registers a window, reads the capabilities, opens the scanner,
   scans one colour page (100 x 100 pixels at 100 dpi, lines padded to 32 pixels), closes and
   quits. Built from orvlib.h and the import library alone, as C99.
     orvsmokec.exe [out=PATH]   result lines to PATH (default: standard output)
   Exit code: 0, or the first status that went wrong. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "orvlib.h"

#define PAGE_PIXELS 100 /* 100 pixels a line, 100 lines */
/* 128 pixels (a multiple of 32) of 3 bytes: 384 */
#define PADDED_LINE_BYTES ((int32_t)ORV_PADDED_LINE_BYTES(ORV_MODE_COLOR, PAGE_PIXELS))
#define PAGE_BYTES (PADDED_LINE_BYTES * PAGE_PIXELS)

static FILE* g_out;

static int Failed(const char* step, long status) {
    fprintf(g_out, "orvsmokec: %s failed: %ld\n", step, status);
    return status != 0 ? (int)status : 1;
}

/* One page into a global memory block; prints the colour of five bars on line 80. */
static int ScanPage(int32_t id) {
    ScannerAttributes attributes;
    HGLOBAL buffer;
    const uint8_t* line;
    int32_t got;
    int16_t status;
    int i;
    const int bars[5] = {8, 20, 32, 58, 92}; /* white, yellow, cyan, magenta, black */

    ORV_Get_Scanner_Attributes(id, &attributes);
    attributes.ScanMode = ORV_MODE_COLOR;
    attributes.Resolution = 100;
    attributes.ScanArea.L = 0;
    attributes.ScanArea.T = 0;
    attributes.ScanArea.R = PAGE_PIXELS;
    attributes.ScanArea.B = PAGE_PIXELS;
    ORV_Set_Scanner_Attributes(id, &attributes);
    status = ORV_Start_Scan(id, 0, 1);
    if (status != ORV_OK)
        return Failed("ORV_Start_Scan", status);
    buffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, PAGE_BYTES);
    if (!buffer)
        return Failed("GlobalAlloc", 0);
    got = ORV_Get_Scan_Data(id, buffer, PAGE_BYTES, PAGE_PIXELS);
    if (got != PAGE_BYTES) {
        GlobalFree(buffer);
        return Failed("ORV_Get_Scan_Data", got);
    }
    line = (const uint8_t*)GlobalLock(buffer) + 80 * PADDED_LINE_BYTES;
    fprintf(g_out, "orvsmokec: page of %ld bytes; line 80:", (long)got);
    for (i = 0; i < 5; ++i) {
        const uint8_t* pixel = line + 3 * bars[i];
        fprintf(g_out, " %02x%02x%02x", pixel[0], pixel[1], pixel[2]);
    }
    fprintf(g_out, "\n");
    GlobalUnlock(buffer);
    GlobalFree(buffer);
    return 0;
}

int main(int argc, char** argv) {
    LibraryVersion version;
    ScannerCapabilities caps;
    WNDCLASSA windowClass;
    HWND window;
    int32_t id = 0;
    int16_t status;
    int result;

    g_out = argc > 1 && strncmp(argv[1], "out=", 4) == 0 ? fopen(argv[1] + 4, "w") : stdout;
    if (!g_out)
        return 1;
    ORV_Get_Version(&version);
    fprintf(g_out, "orvsmokec: library %d.%d.%d\n", version.Major, version.Minor, version.Extra);

    /* The client's window: parent of the conversation, target of the scanner-free message. */
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "OrvSmokeC";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "OrvSmokeC", "orvsmokec", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL,
                             NULL, windowClass.hInstance, NULL);
    status = ORV_Init(window, &id);
    if (status != ORV_OK)
        return Failed("ORV_Init", status);
    fprintf(g_out, "orvsmokec: client %ld\n", (long)id);

    ORV_Get_Scanner_Capabilities(id, &caps);
    fprintf(g_out, "orvsmokec: scanner \"%.32s\" (id %ld), modes 0x%X, area %d x %d\n",
            caps.ModelName, (long)caps.ScanId, caps.ScanMode, caps.ScanArea.R, caps.ScanArea.B);

    status = ORV_Open(id);
    if (status != ORV_OK)
        return Failed("ORV_Open", status);
    result = ScanPage(id);
    status = ORV_Close(id);
    fprintf(g_out, "orvsmokec: closed %d\n", status);
    ORV_Quit(id);
    DestroyWindow(window);
    if (g_out != stdout)
        fclose(g_out);
    return result != 0 ? result : status;
}
