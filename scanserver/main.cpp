// ORVMAIN.EXE: the scanning server, for the simulated chart or a SANE device. Its settings come
// from ORVMAIN.INI beside it, read once here (the scanner source's again at every page start);
// everything else happens in the DDE window's procedure.
#include "dde_server.h"
#include "page_source.h"
#include "server_settings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    LoadServerSettings();
    PreparePageSource(instance, Settings().image);
    if (!CreateServerWindows(instance, show))
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
