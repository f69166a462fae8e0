#include "applet_state.h"

#include <cstdio>
#include <cstring>

#include "applet_ids.h"
#include "config_names.h"
#include "language.h"

AppletState g_applet;

bool CopyText(char* out, int size, const char* text) {
    size_t length = strlen(text);
    bool whole = length < static_cast<size_t>(size);
    if (!whole)
        length = size - 1;
    memcpy(out, text, length);
    out[length] = '\0';
    return whole;
}

bool AppendText(char* out, int size, const char* text) {
    size_t used = strlen(out);
    return CopyText(out + used, size - static_cast<int>(used), text);
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PixelDriverDir(char (&out)[kPathChars]) {
    char windows[kPixelWindowsDirChars + 1] = "";
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    out[0] = '\0';
    // A longer Windows directory does not fit; the empty buffer would put PIXTRAN at the root of
    // the current drive.
    if (length == 0 || length > kPixelWindowsDirChars)
        return false;
    CopyText(out, kPathChars, windows);
    AppendText(out, kPathChars, "\\PIXTRAN\\");
    return true;
}

namespace {

// The driver source of a setup-mode caller: its program's directory + "DRIVER\".
void DeriveDriverSource(HWND caller) {
    if (!caller)
        return;
    HINSTANCE callerInstance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(caller, GWLP_HINSTANCE));
    if (!callerInstance)
        return;
    char module[kPathChars] = "";
    GetModuleFileNameA(callerInstance, module, sizeof module);
    module[kPathChars - 1] = '\0';
    g_applet.driverSourceDir[0] = '\0';
    char* slash = strrchr(module, '\\');
    if (strlen(module) <= 3 || !slash)
        return;
    slash[1] = '\0';
    if (AppendText(module, sizeof module, "DRIVER\\"))
        CopyText(g_applet.driverSourceDir, sizeof g_applet.driverSourceDir, module);
}

} // namespace

void InitialiseApplet(HWND caller, LPARAM lParam1, LPARAM lParam2) {
    int block = GetLanguageBlock();
    g_applet.block = block;
    g_applet.mainDialogId = DialogId(block, kMainDialog);
    g_applet.sourceDialogId = DialogId(block, kDriverSourceDialog);
    g_applet.helpDialogId = DialogId(block, kHelpDialog);
    g_applet.newModelDialogId = DialogId(block, kNewModelDialog);
    g_applet.setupCaptionId = StringId(block, kSetupCaption);
    g_applet.appletCaptionId = StringId(block, kAppletCaption);
    g_applet.messageBaseId = StringId(block, kMessageBase);

    char windows[kPathChars] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    CopyText(g_applet.appDir, sizeof g_applet.appDir, windows);
    AppendText(g_applet.appDir, sizeof g_applet.appDir, "\\");
    AppendText(g_applet.appDir, sizeof g_applet.appDir, kAppDirName);
    AppendText(g_applet.appDir, sizeof g_applet.appDir, "\\");

    g_applet.setupMode = false;
    if (lParam1 != 1 || lParam2 != 2) {
        g_applet.driverSourceDir[0] = '\0';
        return;
    }
    g_applet.setupMode = true;
    DeriveDriverSource(caller);
}

int LoadAppletString(int k, char* text, int size) {
    text[0] = '\0';
    return LoadStringA(g_applet.instance, StringId(g_applet.block, k), text, size);
}

int ShowAppletMessage(HWND owner, const char* text, UINT type) {
    char caption[64];
    LoadAppletString(g_applet.setupMode ? kSetupCaption : kAppletCaption, caption, sizeof caption);
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
