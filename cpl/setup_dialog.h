// The Scanner Setup dialog: installed models, default scanner, hardware options and, below the
// fold, the scanner choice list with Install.
#pragma once
#include <windows.h>

// Runs the dialog modally for the caller's window.
void RunSetupDialog(HWND owner);
// Enables Remove and Set As Default exactly when the installed list holds a line.
void UpdateMainButtons(HWND dialog);
