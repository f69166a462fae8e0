// A pixel driver stand-in (*.PXW): a module with a version resource that loads and does nothing;
// the installation only copies it into PIXTRAN.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
