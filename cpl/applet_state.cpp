#include "applet_state.h"

#include "applet_ids.h"
#include "config_names.h"
#include "language.h"
#include "windows_path.h"

AppletState g_applet;

namespace {

// The driver source of a setup-mode caller: its program's directory + "DRIVER\".
void DeriveDriverSource(HWND caller) {
    if (!caller)
        return;
    HINSTANCE callerInstance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(caller, GWLP_HINSTANCE));
    if (!callerInstance)
        return;
    char directory[kPathChars];
    g_applet.driverSourceDir[0] = '\0';
    if (ModuleDirectory(callerInstance, directory, sizeof directory) &&
        AppendText(directory, sizeof directory, "DRIVER\\"))
        CopyText(g_applet.driverSourceDir, sizeof g_applet.driverSourceDir, directory);
}

} // namespace

void InitialiseApplet(HWND caller, LPARAM lParam1, LPARAM lParam2) {
    int block = GetLanguageBlock();
    g_applet.block = block;
    g_applet.mainDialogId = DialogId(block, IDD_MAIN);
    g_applet.sourceDialogId = DialogId(block, IDD_DRIVER_SOURCE);
    g_applet.helpDialogId = DialogId(block, IDD_HELP);
    g_applet.newModelDialogId = DialogId(block, IDD_NEW_MODEL);

    if (!WindowsPath(g_applet.appDir, sizeof g_applet.appDir, kAppDirName) ||
        !EndWithBackslash(g_applet.appDir, sizeof g_applet.appDir))
        g_applet.appDir[0] = '\0';

    g_applet.setupMode = false;
    if (lParam1 != 1 || lParam2 != 2) {
        g_applet.driverSourceDir[0] = '\0';
        return;
    }
    g_applet.setupMode = true;
    DeriveDriverSource(caller);
}
