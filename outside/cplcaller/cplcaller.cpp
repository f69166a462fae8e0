// Control Panel caller: loads an applet DLL and opens it the way the Control Panel would, but
// without dropping an applet that reports no icons. Usage:
//   cplcaller APPLET.DLL [/setup] [/orv]
// /setup sends CPL_INIT with lParam1 = 1 and lParam2 = 2, as the installation program does; the
// applet then takes this program's own path to find the distribution (copy the caller to the
// path to be seen). /orv calls ORV_CPlApplet instead of CPlApplet. Each answer is printed.
#include <windows.h>

#include <cpl.h>

#include <cstdio>
#include <cstring>

namespace {

using AppletProc = LONG(APIENTRY*)(HWND, UINT, LPARAM, LPARAM);

// The caller's window spans the screen, like the installation program's, and stays hidden.
HWND CreateCallerWindow(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "OrvCplCaller";
    RegisterClassA(&windowClass);
    return CreateWindowA("OrvCplCaller", "Control Panel caller", WS_POPUP, 0, 0,
                         GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                         nullptr, instance, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: cplcaller APPLET.DLL [/setup] [/orv]\n");
        return 2;
    }
    bool setup = false, orv = false;
    for (int i = 2; i < argc; ++i) {
        setup |= _stricmp(argv[i], "/setup") == 0;
        orv |= _stricmp(argv[i], "/orv") == 0;
    }
    HMODULE applet = LoadLibraryA(argv[1]);
    if (!applet) {
        printf("cannot load %s (%lu)\n", argv[1], GetLastError());
        return 3;
    }
    auto proc = reinterpret_cast<AppletProc>(
        reinterpret_cast<void*>(GetProcAddress(applet, orv ? "ORV_CPlApplet" : "CPlApplet")));
    if (!proc) {
        printf("no applet procedure\n");
        return 4;
    }
    HWND window = CreateCallerWindow(GetModuleHandleA(nullptr));
    printf("CPL_GETCOUNT %ld\n", proc(window, CPL_GETCOUNT, 0, 0));
    printf("CPL_INIT %ld\n", proc(window, CPL_INIT, setup ? 1 : 0, setup ? 2 : 0));
    fflush(stdout);
    printf("CPL_DBLCLK %ld\n", proc(window, CPL_DBLCLK, 0, 0));
    printf("CPL_EXIT %ld\n", proc(window, CPL_EXIT, 0, 0));
    fflush(stdout);
    DestroyWindow(window);
    FreeLibrary(applet);
    return 0;
}
