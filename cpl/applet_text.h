// The applet's strings and messages: string k of the current language block, message boxes with
// the applet's caption, window titles and the "Close" label.
#pragma once
#include <windows.h>

// Captions are cut to the 47 characters the product shows.
constexpr int kTitleChars = 47;

// Loads string number k of the current block, cut to size.
int LoadAppletString(int k, char* text, int size);
// Message box with the applet's caption (the installation caption in setup mode).
int ShowAppletMessage(HWND owner, const char* text, UINT type);
// Message k of the block, formatted with one text argument when it holds %s.
int ShowAppletMessageId(HWND owner, int k, UINT type, const char* argument = nullptr);
// Sets a window's title from string k, cut to maxChars.
void SetTitleFromString(HWND window, int k, int maxChars);
// Relabels the main dialog's "Cancel" button "Close" once a change has been made.
void RelabelClose(HWND dialog);
