// The new-model dialog (a user-defined model with its own pixel driver) and the help dialog.
#pragma once
#include <windows.h>

// Runs the new-model dialog; on OK the model's line is in the scanner list and, when the main
// dialog shows its scanner choice list, the model is added to it.
void RunNewModelDialog(HWND mainDialog);
// Runs the help dialog with the version of ORVCNTL.EXE.
void RunHelpDialog(HWND mainDialog);
