// Finding or starting the scanning server and the scanner's driver program, and opening the
// conversation at process attach.
#pragma once
#include <windows.h>

#include <cstdint>

#include "text_path.h"

constexpr char kServerProgram[] = "ORVMAIN.EXE";
constexpr char kServerMainWindowClass[] = "OrvMain";
constexpr char kScannerFreeMessage[] = "OrvWinMsg";
constexpr char kLaunchFailureCaption[] = "OrvLib - error";

// Connects to the server; the result becomes the attach status.
int16_t ConnectToServer(HINSTANCE instance);
// Starts the driver program of the selected scanner: 0, -1019 (message shown), -1002, -35..-38.
int16_t StartDriverProgram();
// What a scanner selection without a startable driver gives (the id alone decides).
int16_t SelectionStatus(int16_t scannerId);
// The application directory: the Windows directory, "KELTO32" and a backslash; empty when it
// does not fit its buffer.
const char* AppDirectory();
// Application directory + name into out (size bytes); false, and out empty, when the directory is
// empty or the path does not fit.
bool AppFile(char* out, size_t size, const char* name);
// Id of the registered "OrvWinMsg", 0 before a successful connect.
uint32_t RegisteredMessage();
HWND ServerMainWindow();
