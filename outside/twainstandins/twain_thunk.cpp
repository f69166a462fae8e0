// TWUNK_16.EXE / TWUNK_32.EXE stand-in: the thunking programs of the TWAIN source manager are
// started only by the manager itself; this one ends at once with exit code 0.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
