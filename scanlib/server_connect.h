// Finding or starting the scanning server and opening the conversation at process attach.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr char kServerProgram[] = "ORVMAIN.EXE";
constexpr char kServerMainWindowClass[] = "OrvMain";
constexpr char kScannerFreeMessage[] = "OrvWinMsg";

// Connects to the server (starting it, and the driver program): the result becomes the attach
// status.
int16_t ConnectToServer(HINSTANCE instance);
// Id of the registered "OrvWinMsg", 0 before a successful connect.
uint32_t RegisteredMessage();
HWND ServerMainWindow();
