// Process-wide state of the applet: kept while the DLL stays loaded, rebuilt in part by every
// CPL_INIT. One caller thread runs the dialogs, so nothing here is guarded.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr int kPathChars = 256;

struct HardwareOptions {
    int16_t currentScannerId;
    int16_t port;
    int16_t speed;
};

struct AppletState {
    HINSTANCE instance;
    int block; // language block 1..9
    int mainDialogId, sourceDialogId, helpDialogId, newModelDialogId;
    int setupCaptionId, appletCaptionId, messageBaseId;
    char appDir[kPathChars]; // Windows directory + "\KELTO32\"
    bool setupMode;
    char driverSourceDir[kPathChars]; // ends in "\"; empty when unknown
    HardwareOptions options;
    bool scannerListShown; // set by the first Add>>, never cleared
    int rememberedSelection;
    char modelName[kPathChars]; // last values of the new-model dialog
    char modelDriverPath[kPathChars];
};
extern AppletState g_applet;

// CPL_INIT: language block, resource ids, application directory, setup mode and driver source.
void InitialiseApplet(HWND caller, LPARAM lParam1, LPARAM lParam2);

// Loads string number k of the current block, cut to size.
int LoadAppletString(int k, char* text, int size);
// Message box with the applet's caption (the installation caption in setup mode).
int ShowAppletMessage(HWND owner, const char* text, UINT type);
// Message k of the block, formatted with one text argument when it holds %s.
int ShowAppletMessageId(HWND owner, int k, UINT type, const char* argument = nullptr);
// Sets a window's title from string k, cut to maxChars.
void SetTitleFromString(HWND window, int k, int maxChars);

// Copies text into a buffer of size bytes, cutting it; false when it was cut.
bool CopyText(char* out, int size, const char* text);
// Appends text to out (size bytes), cutting it; false when it was cut.
bool AppendText(char* out, int size, const char* text);
// True when path names an existing file (not a directory).
bool FileExists(const char* path);
// The pixel drivers' directory: Windows directory + "\PIXTRAN\". False (and out empty) when the
// Windows directory is longer than the 79 characters it is read into: pixel drivers are then not
// placed at all.
constexpr int kPixelWindowsDirChars = 79;
bool PixelDriverDir(char (&out)[kPathChars]);
