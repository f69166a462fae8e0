// The installation program's process-wide state: filled from the command line at start-up and
// by the wizard, read by the copy and configuration steps.
#pragma once
#include <windows.h>

#include <cstdint>

#include "command_line.h"
#include "twain_registration.h"

constexpr int kClassNameBytes = 20;
constexpr int kModelNameBytes = 128;
constexpr int kDriverNameBytes = 36;
constexpr int kPixelDriverBytes = 40;

// Offsets k of the language block.
constexpr int kClassNameString = 0;
constexpr int kWindowTitleString = 1;
constexpr int kWizardCaptionString = 2;
constexpr int kMissingDistributionString = 100;
constexpr int kUninstallKeyString = 101;
constexpr int kDisplayNameValueString = 102;
constexpr int kUninstallStringValueString = 103;
constexpr int kControllerItemString = 104;
constexpr int kSharedDllsKeyString = 105;
constexpr int kUninstallItemString = 106;
constexpr int kGroupString = 107;
constexpr int kUninstallClassString = 108;
constexpr int kErrorCaptionString = 500;
constexpr int kWelcomePage = 0;
constexpr int kModelPage = 1;
constexpr int kNamePage = 2;
constexpr int kProgressDialog = 4;
constexpr int kExitDialog = 5;

// Controls of the wizard pages and the progress dialog.
constexpr int kModelListId = 623;
constexpr int kChosenNameId = 625;
constexpr int kFromPathId = 620;
constexpr int kToPathId = 621;
constexpr int kGaugeId = 622;

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
};

extern SetupState g_setup;

// Takes the command line (ParseCommandLine) into the state: target root and language override.
SetupMode ReadCommandLine(const char* commandLine, SetupState* state);

// Loads string StringId(block, k) of the program's block into a buffer of `size` bytes.
void LoadBlockString(int k, char* out, int size);
