// TWAIN.DLL stand-in: a library that loads and unloads and exports nothing, so a program that
// looks for the 16-bit source manager's entry point finds none and goes on without it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
