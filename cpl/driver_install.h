// Installing and removing scanner drivers from the distribution's DRIVER directory, and the
// dialog that asks where that directory is.
#pragma once
#include <windows.h>

#include "applet_state.h"

// The pixel drivers' directory: Windows directory + "\PIXTRAN\". False (and out empty) when the
// Windows directory is longer than the 79 characters it is read into: pixel drivers are then not
// placed at all.
constexpr int kPixelWindowsDirChars = 79;
bool PixelDriverDir(char (&out)[kPathChars]);

// True when the driver source directory holds the marker file ORVDRXX.EX_.
bool DriverSourcePresent();
// Runs the driver source dialog: 1 (OK, driver source directory set) or 2 (Cancel).
int AskDriverSource(HWND owner);
// Installs the model selected in the scanner choice list.
void InstallScannerDriver(HWND dialog);
// Removes the model selected in the installed list.
void RemoveScannerDriver(HWND dialog);
