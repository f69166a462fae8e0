// ORVSETUP.EXE: installs Orvane 2.0 from its distribution medium, or copies the medium to another
// directory when started with a drive path.
#include "setup.h"

#include <commctrl.h>

#include "language.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    g_setup.instance = instance;
    if (ReadCommandLine(commandLine, &g_setup) == SetupMode::Refused)
        return 0;
    SetLanguageOverride(g_setup.languageOverride);
    g_setup.block = GetLanguageBlock();
    InitCommonControls();

    LoadBlockString(IDS_CLASS_NAME, g_setup.className, sizeof g_setup.className);
    LoadBlockString(IDS_WINDOW_TITLE, g_setup.windowTitle, sizeof g_setup.windowTitle);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SetupWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = g_setup.className;
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND window =
        CreateWindowA(g_setup.className, g_setup.windowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      0, 0, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (g_setup.progressDialog && IsDialogMessageA(g_setup.progressDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
