// ORVCPL32.DLL entry points: the Control Panel applet procedure and its ORV_ alias.
#include <windows.h>

#include <cpl.h>

#include "applet_state.h"
#include "setup_dialog.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    g_applet.instance = instance;
    return TRUE;
}

// Answers only CPL_INIT and CPL_DBLCLK: the applet shows no icon of its own and is opened by
// callers that send both messages directly.
LONG APIENTRY CPlApplet(HWND hwndCPl, UINT uMsg, LPARAM lParam1, LPARAM lParam2) {
    switch (uMsg) {
    case CPL_INIT:
        InitialiseApplet(hwndCPl, lParam1, lParam2);
        return 1;
    case CPL_DBLCLK:
        RunSetupDialog(hwndCPl);
        return 0;
    default:
        return 0;
    }
}

LONG APIENTRY ORV_CPlApplet(HWND hwndCPl, UINT uMsg, LPARAM lParam1, LPARAM lParam2) {
    return CPlApplet(hwndCPl, uMsg, lParam1, lParam2);
}

} // extern "C"
