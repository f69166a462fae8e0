// A scanner driver program stand-in (ORVDRnn.EXE): a minimised top-level window of class
// "OrvDriver" titled with the program's own file name, until WM_CLOSE or the process is ended.
#include <windows.h>

#include <cstring>

namespace {

constexpr char kDriverClass[] = "OrvDriver";

LRESULT CALLBACK DriverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return 1;
    const char* slash = strrchr(path, '\\');
    const char* name = slash ? slash + 1 : path;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DriverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kDriverClass;
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, kDriverClass, name, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 240, 80, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    // Minimised whatever the starter asked for: a driver program never takes the foreground.
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
