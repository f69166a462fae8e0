#include "applet_text.h"

#include <cstdio>

#include "applet_ids.h"
#include "applet_state.h"
#include "language.h"

int LoadAppletString(int k, char* text, int size) {
    text[0] = '\0';
    return LoadStringA(g_applet.instance, StringId(g_applet.block, k), text, size);
}

int ShowAppletMessage(HWND owner, const char* text, UINT type) {
    char caption[64];
    LoadAppletString(g_applet.setupMode ? IDS_SETUP_CAPTION : IDS_APPLET_CAPTION, caption,
                     sizeof caption);
    return MessageBoxA(owner, text, caption, type);
}

int ShowAppletMessageId(HWND owner, int k, UINT type, const char* argument) {
    char format[512];
    LoadAppletString(k, format, sizeof format);
    if (!argument)
        return ShowAppletMessage(owner, format, type);
    char text[1024];
    snprintf(text, sizeof text, format, argument);
    return ShowAppletMessage(owner, text, type);
}

void SetTitleFromString(HWND window, int k, int maxChars) {
    char title[256];
    LoadAppletString(k, title,
                     maxChars + 1 < static_cast<int>(sizeof title) ? maxChars + 1 : sizeof title);
    SetWindowTextA(window, title);
}

void RelabelClose(HWND dialog) {
    char close[kTitleChars + 1];
    LoadAppletString(IDS_CLOSE_LABEL, close, sizeof close);
    SetDlgItemTextA(dialog, IDC_CLOSE, close);
}
