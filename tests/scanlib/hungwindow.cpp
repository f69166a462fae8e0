// A program whose top-level window never takes a message: it creates the window and sleeps, as
// a program stuck in a long computation or a dead lock does. Every broadcast in the session
// reaches this window.
#include <windows.h>

int main() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HungWindow";
    RegisterClassA(&windowClass);
    if (!CreateWindowExA(0, "HungWindow", "never pumps", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         200, 100, nullptr, nullptr, windowClass.hInstance, nullptr))
        return 1;
    Sleep(INFINITE);
    return 0;
}
