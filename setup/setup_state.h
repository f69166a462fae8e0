// The installation program's process-wide state: filled from the command line at start-up and
// by the wizard, read by the copy and configuration steps.
#pragma once
#include <windows.h>

#include <cstdint>

#include "command_line.h"
#include "orvsetup_ids.h"
#include "scanner_formats.h"
#include "twain_registration.h"

constexpr int kClassNameBytes = 20;
constexpr int kModelNameBytes = 128;
constexpr int kDriverNameBytes = 36;
constexpr int kPixelDriverBytes = 40;

constexpr UINT WM_SETUP_INSTALL = WM_USER + 1;
constexpr UINT WM_SETUP_COPYDIST = WM_USER + 3;

struct SetupState {
    int16_t languageOverride;
    int block;
    HINSTANCE instance;
    HWND mainWindow;
    char className[kClassNameBytes];
    char windowTitle[kClassNameBytes];
    char targetRoot[kSetupPathBytes];
    char setupDirectory[kSetupPathBytes];
    HBITMAP logo;
    HWND progressDialog;
    char modelName[kModelNameBytes];
    int16_t scannerId;
    char driverName[kDriverNameBytes];
    char pixelDriverName[kPixelDriverBytes];
    bool finished;
    // The installed set an earlier installation left, taken before the manifest lays the shipped
    // (empty) one over it.
    InstalledSet earlierSet;
    bool hadEarlierSet;
};

extern SetupState g_setup;

// Takes the command line (ParseCommandLine) into the state: target root and language override.
SetupMode ReadCommandLine(const char* commandLine, SetupState* state);

// Loads string StringId(block, k) of the program's block into a buffer of `size` bytes.
void LoadBlockString(int k, char* out, int size);
