/* A C application that shares the scanner: its window subscribes to the scanner-free message
   before its first ORV_Open; when another client holds the scanner (-1001) it keeps taking its
   window messages until "OrvWinMsg" arrives or its own time-out fires, then opens again. Built
   from orvlib.h and the import library alone, as C99.
     orvwaitc.exe out=PATH hold=MS   open, hold the scanner MS milliseconds, close
     orvwaitc.exe out=PATH wait=MS   open, waiting at most MS for the scanner, and close
   Exit code: 0, or the status that went wrong. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "orvlib.h"

#define TIMEOUT_TIMER 1

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
        /* The scanner is ours: scan pages here, as orvsmokec.c does. */
        if (holdMs > 0) {
            SetTimer(window, TIMEOUT_TIMER, holdMs, NULL);
            RunMessageLoop(); /* the timer ends it; holding, the window keeps taking messages */
            KillTimer(window, TIMEOUT_TIMER);
        }
        fprintf(g_out, "orvwaitc: close %d\n", ORV_Close(g_id));
    }
    ORV_Quit(g_id);
    DestroyWindow(window);
    if (g_out != stdout)
        fclose(g_out);
    return status;
}
