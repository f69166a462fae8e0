// The server's windows and its side of the DDE conversation ("Orvane" / "Vellicor").
#pragma once
#include <windows.h>

// Registers the classes and creates the DDE window (class "Orvane", empty title) and, unless
// the settings say otherwise, the main window (class "OrvMain"). False if a window is missing.
bool CreateServerWindows(HINSTANCE instance, int show);
