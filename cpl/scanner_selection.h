// The default scanner and the hardware options (port address and speed) of the main dialog,
// kept in ORVANE.IFF; the pixel-driver settings in SETSCAN.INI.
#pragma once
#include <windows.h>

#include "model_install.h"

// The model of the first list entry with id (any id): its kind and files; kind None when no
// entry carries the id. The applet rewrites SETSCAN.INI with it (WritePixelDriverSettings, which
// only writes for a pixel-driver model) whenever a model is selected, loaded, set as default or
// removed.
ModelChoice ListedModel(const char* dir, int id);
// Enables and fills, or disables, the hardware option fields; enabled fields are emptied first.
void ShowHardwareOptions(HWND dialog, bool enable, int port, int speed);
// ShowHardwareOptions for the model selected in the installed list.
void RefreshHardwareOptions(HWND dialog);
// 0 when the selected installed model was made the default (or its options saved), -1 when it
// stopped early.
int SetDefaultScanner(HWND dialog);
// Loads the options record from ORVANE.IFF and fills the installed list and the option fields.
void LoadScannerSelection(HWND dialog);
