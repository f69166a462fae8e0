// ORVCLEAN.EXE: a hidden window that asks once for confirmation and then removes what the
// installation program and the applet put in place. It takes no arguments, reports nothing and
// always ends with exit code 0.
#include "language.h"
#include "removal_steps.h"

#include <windows.h>

namespace {

// Posted to itself once the window exists, so the question is asked from the message loop.
constexpr UINT kStartRemoval = WM_USER + 1;
// Class names and window titles are cut to 19 characters, captions to 47.
constexpr int kClassChars = 20;
constexpr int kCaptionChars = 48;
constexpr int kConfirmChars = 256;

HINSTANCE g_instance;
int g_block = kEnglishBlock;
char g_baseDir[kPathChars];

void AskAndRemove(HWND window) {
    char text[kConfirmChars] = "";
    char caption[kCaptionChars] = "";
    LoadStringA(g_instance, StringId(g_block, IDS_CONFIRM_TEXT), text, sizeof text);
    LoadStringA(g_instance, StringId(g_block, IDS_CONFIRM_CAPTION), caption, sizeof caption);
    if (MessageBoxA(window, text, caption, MB_ICONQUESTION | MB_YESNO) != IDYES)
        return;
    // Without the Windows directory no path below could be formed.
    if (g_baseDir[0] == '\0')
        return;
    RemovalRun run;
    LoadRemovalRun(g_instance, g_block, g_baseDir, &run);
    RunRemoval(&run);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        ReadBaseDirectory(g_baseDir);
        PostMessageA(window, kStartRemoval, 0, 0);
        return 0;
    case kStartRemoval:
        AskAndRemove(window);
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_instance = instance;
    g_block = GetLanguageBlock();
    char className[kClassChars] = "";
    char title[kClassChars] = "";
    LoadStringA(instance, StringId(g_block, IDS_CLASS_NAME), className, sizeof className);
    LoadStringA(instance, StringId(g_block, IDS_WINDOW_TITLE), title, sizeof title);

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND window = CreateWindowExA(0, className, title, WS_POPUP | WS_DLGFRAME, 0, 0, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // Every way out ends with code 0.
    return 0;
}
