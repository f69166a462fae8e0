// Starting programs of the application directory: the scanning server when none runs, and the
// selected scanner's driver program at every load, whose failure is shown in a message box.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr char kLaunchFailureCaption[] = "OrvLib - error";

// Starts the program minimised; returns once every top-level window, the new program's
// included, has handled a broadcast or run out of its time. WinExec's result (32 and up: started);
// a path that does not fit is a missing program.
UINT StartAppProgram(const char* name);
// Starts the driver program of the selected scanner: 0, -1019 (message shown), -1002, -35..-38.
int16_t StartDriverProgram();
// What a scanner selection without a startable driver gives (the id alone decides).
int16_t SelectionStatus(int16_t scannerId);
