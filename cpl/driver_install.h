// Installing and removing scanner drivers from the distribution's DRIVER directory, and the
// dialog that asks where that directory is.
#pragma once
#include <windows.h>

#include "applet_state.h"

// Runs the driver source dialog: 1 (OK, driver source directory set) or 2 (Cancel).
int AskDriverSource(HWND owner);
// Installs the model selected in the scanner choice list.
void InstallScannerDriver(HWND dialog);
// Removes the model selected in the installed list.
void RemoveScannerDriver(HWND dialog);
