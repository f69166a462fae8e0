// Picking a TWAIN data source in the source manager's own dialog and recording its product name
// in ORVANE.INI ([Orvane] Setup=Y, TwainDS=name) for programs outside the system.
#pragma once
#include <windows.h>

#include "twain_types.h"

// The applet records a choice at once; the installation program remembers it and records it at
// the end of a successful installation (RecordTwainSource).
enum class TwainRecording { AtOnce, Remembered };

// Fills the application identity and keeps the owner of the selection dialog.
void InitTwainIdentity(HWND parent);
// 0 when TWAIN_32.DLL of the Windows directory is open; 1 when it is missing, cannot be loaded or
// has no entry point; otherwise the code MSG_OPENDSM returned.
int OpenTwainManager();
// Code of MSG_CLOSEDSM; on success the manager module is unloaded.
int CloseTwainManager();
// 0 when the user chose a source, -1 otherwise (manager missing, refused, low memory, cancel).
int SelectTwainSource(HWND parent, TwainRecording recording);
// Installation program: writes the remembered source name, when there is one. Returns 0.
int RecordTwainSource();
