// The common open dialog behind the applet's Browse buttons.
#pragma once
#include <windows.h>

enum class BrowseFilter { PixelDriver = 3, Program = 4 };

// Shows the open dialog; on a choice copies the full path to path (kPathChars), returns the chosen
// filter index through filterIndex and the chosen file's directory through directory (kPathChars,
// in and out; empty for none). Returns nonzero when the user chose a file.
int BrowseForFile(HWND owner, char* path, BrowseFilter filter, int* filterIndex, char* directory,
                  const char* title);
// The Browse button of an applet dialog: the open dialog under the applet's caption, starting in
// no chosen directory with the one filter. Returns nonzero with path (kPathChars) filled.
int BrowseFromDialog(HWND dialog, BrowseFilter filter, char* path);
