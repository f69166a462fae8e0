// ORVSETUP.EXE: installs Orvane 2.0 from its distribution medium, or copies the medium to another
// directory when started with a drive path.
#include "setup.h"

#include <commctrl.h>

#include "language.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    g_program.instance = instance;
    CommandLineChoice choice;
    ParseCommandLine(commandLine, &choice);
    if (choice.mode == SetupMode::Refused)
        return 0;
    CopyText(g_program.distributionRoot, sizeof g_program.distributionRoot, choice.targetRoot);
    SetLanguageOverride(choice.languageOverride);
    g_program.block = GetLanguageBlock();
    InitCommonControls();

    char className[kClassNameBytes];
    char windowTitle[kClassNameBytes];
    LoadBlockString(IDS_CLASS_NAME, className, sizeof className);
    LoadBlockString(IDS_WINDOW_TITLE, windowTitle, sizeof windowTitle);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SetupWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND window = CreateWindowA(className, windowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (g_program.progressDialog && IsDialogMessageA(g_program.progressDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
