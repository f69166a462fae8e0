/* A C application that shares the scanner: its window subscribes to the scanner-free message
   before its first ORV_Open; when another client holds the scanner (-1001) it keeps taking its
   window messages until "OrvWinMsg" arrives or its own time-out fires, then opens again. Built
   from orvlib.h and the import library alone, as C99.
     orvwaitc.exe out=PATH hold=MS   open, hold the scanner MS milliseconds, close
     orvwaitc.exe out=PATH wait=MS   open (waiting at most MS for the scanner), scan a page, close
   Exit code: 0, or the status that went wrong. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "orvlib.h"

#define TIMEOUT_TIMER 1
#define PAGE_LINES 100
#define CALL_LINES 25
#define LINE_BYTES 128 /* 100 gray pixels padded to 128 */

static FILE* g_out;
static UINT g_freeMessage; /* "OrvWinMsg": registered at run time, not a constant */
static int32_t g_id;
static int16_t g_openStatus = ORV_ERR_SCANNER_IN_USE;

/* Every path out of the wait ends the message loop; the loop's caller reads g_openStatus. */
static LRESULT CALLBACK ClientWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_freeMessage != 0 && message == g_freeMessage) {
        /* Another waiting client may have been faster: then -1001 again, and keep waiting. */
        g_openStatus = ORV_Open(g_id);
        fprintf(g_out, "orvwaitc: scanner free, open %d\n", g_openStatus);
        if (g_openStatus != ORV_ERR_SCANNER_IN_USE)
            PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && wParam == TIMEOUT_TIMER) {
        if (g_openStatus != ORV_OK)
            fprintf(g_out, "orvwaitc: timed out\n");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

/* Runs the window's messages until the quit message posted above. */
static void RunMessageLoop(void) {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

/* Opens the scanner, waiting at most waitMs for another client to close it. */
static int16_t OpenWaiting(HWND window, UINT waitMs) {
    g_openStatus = ORV_Open(g_id);
    fprintf(g_out, "orvwaitc: open %d\n", g_openStatus);
    if (g_openStatus != ORV_ERR_SCANNER_IN_USE)
        return g_openStatus;
    SetTimer(window, TIMEOUT_TIMER, waitMs, NULL);
    RunMessageLoop();
    KillTimer(window, TIMEOUT_TIMER);
    return g_openStatus;
}

/* One 8-bit gray page, 100 x 100 pixels at 300 dpi; the last call meets the page's end. */
static int16_t ScanPage(void) {
    ScannerAttributes attributes;
    HGLOBAL buffer;
    int32_t got, total = 0;
    int call;

    ORV_Get_Scanner_Attributes(g_id, &attributes);
    attributes.ScanMode = 0x08;
    attributes.Resolution = 300;
    attributes.ScanArea.L = 0; /* the page is R x B pixels from the scanner's own origin */
    attributes.ScanArea.T = 0;
    attributes.ScanArea.R = 100;
    attributes.ScanArea.B = PAGE_LINES;
    ORV_Set_Scanner_Attributes(g_id, &attributes);
    if (ORV_Start_Scan(g_id, 0, 1) != ORV_OK)
        return ORV_ERR_EXCHANGE_FAILED;
    buffer = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)LINE_BYTES * CALL_LINES);
    if (!buffer)
        return ORV_ERR_NO_MEMORY;
    /* Four calls of 25 lines; with pad32 each returns 25 x 128 bytes. */
    for (call = 0; call < PAGE_LINES / CALL_LINES; ++call) {
        got = ORV_Get_Scan_Data(g_id, buffer, LINE_BYTES * CALL_LINES, CALL_LINES);
        if (got < 0) {
            GlobalFree(buffer);
            return (int16_t)got;
        }
        total += got;
    }
    GlobalFree(buffer);
    fprintf(g_out, "orvwaitc: page of %ld bytes\n", (long)total);
    return ORV_OK;
}

int main(int argc, char** argv) {
    WNDCLASSA windowClass;
    HWND window;
    UINT holdMs = 0, waitMs = 0;
    int16_t status;
    int i;

    g_out = stdout;
    for (i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "out=", 4) == 0)
            g_out = fopen(argv[i] + 4, "w");
        else if (strncmp(argv[i], "hold=", 5) == 0)
            holdMs = (UINT)atoi(argv[i] + 5);
        else if (strncmp(argv[i], "wait=", 5) == 0)
            waitMs = (UINT)atoi(argv[i] + 5);
    }
    if (!g_out)
        return 1;
    setvbuf(g_out, NULL, _IONBF, 0); /* each line readable at once by whoever watches */

    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = ClientWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "OrvWaitC";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "OrvWaitC", "orvwaitc", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL,
                             NULL, windowClass.hInstance, NULL);
    status = ORV_Init(window, &g_id);
    if (status != ORV_OK) {
        fprintf(g_out, "orvwaitc: init %d\n", status);
        return status;
    }
    /* Subscribed before the first open: a close that comes before our wait is still heard. */
    g_freeMessage = ORV_Get_Msg_Id(g_id);

    status = OpenWaiting(window, waitMs);
    if (status == ORV_OK) {
        if (holdMs > 0) {
            SetTimer(window, TIMEOUT_TIMER, holdMs, NULL);
            RunMessageLoop(); /* the timer ends it; holding, the window keeps taking messages */
            KillTimer(window, TIMEOUT_TIMER);
        } else {
            status = ScanPage();
        }
        fprintf(g_out, "orvwaitc: close %d\n", ORV_Close(g_id));
    }
    ORV_Quit(g_id);
    DestroyWindow(window);
    if (g_out != stdout)
        fclose(g_out);
    return status;
}
