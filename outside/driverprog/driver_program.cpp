// A scanner driver program stand-in (ORVDRnn.EXE): a minimised top-level window of class
// "OrvDriver" titled with the program's own file name. One copy of each program runs at a time (a
// second start ends at once), and it ends with the scanning server: the library starts it at
// every load, and a copy that outlived the server would pile up and hold the output of the
// program whose load started it. It also ends on WM_CLOSE or when the process is ended.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kDriverClass[] = "OrvDriver";
constexpr char kServerMainClass[] = "OrvMain";
// How often the server is looked for: a copy ends at most this long after the server.
constexpr UINT kServerPollMs = 250;
constexpr UINT_PTR kServerPollTimer = 1;

LRESULT CALLBACK DriverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kServerPollTimer && !FindWindowA(kServerMainClass, nullptr))
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return 1;
    const char* slash = strrchr(path, '\\');
    const char* name = slash ? slash + 1 : path;

    // One copy per program, whatever the spelling it was started under.
    char mutexName[MAX_PATH + 16];
    std::snprintf(mutexName, sizeof mutexName, "OrvDriver %s", name);
    CharUpperA(mutexName);
    HANDLE oneCopy = CreateMutexA(nullptr, FALSE, mutexName);
    if (!oneCopy)
        return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(oneCopy);
        return 0;
    }

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
    if (!window || !SetTimer(window, kServerPollTimer, kServerPollMs, nullptr))
        return 1;
    // Minimised whatever the starter asked for: a driver program never takes the foreground.
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0; // ending releases the one-copy mutex
}
