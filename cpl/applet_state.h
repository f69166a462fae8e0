// Process-wide state of the applet: kept while the DLL stays loaded, rebuilt in part by every
// CPL_INIT. One caller thread runs the dialogs, so nothing here is guarded.
#pragma once
#include <windows.h>

#include <cstdint>

#include "text_path.h"

constexpr int kPathChars = kToolPathChars;

struct HardwareOptions {
    int16_t currentScannerId;
    int16_t port;
    int16_t speed;
};

struct AppletState {
    HINSTANCE instance;
    int block; // language block 1..9
    int mainDialogId, sourceDialogId, helpDialogId, newModelDialogId;
    char appDir[kPathChars]; // Windows directory + "\KELTO32\"
    bool setupMode;
    char driverSourceDir[kPathChars]; // ends in "\"; empty when unknown
    HardwareOptions options;
    bool scannerListShown; // set by the first Add>>, never cleared
    int rememberedSelection;
    char modelName[kPathChars]; // last values of the new-model dialog
    char modelDriverPath[kPathChars];
};
extern AppletState g_applet;

// CPL_INIT: language block, dialog ids, application directory, setup mode and driver source.
void InitialiseApplet(HWND caller, LPARAM lParam1, LPARAM lParam2);
