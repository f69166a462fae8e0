// The exports of the library frame: client registration, version, notification id, setup.
#include <windows.h>

#include "call_trace.h"
#include "client_table.h"
#include "library_state.h"
#include "orvlib.h"
#include "scanner_attributes.h"
#include "server_connect.h"

namespace {

constexpr LibraryVersion kVersion = {2, 0, 0};
bool g_traceSwitchRead = false;

} // namespace

extern "C" int16_t WINAPI ORV_Init(HWND window, int32_t* fId) {
    if (!g_traceSwitchRead) {
        ReadTraceSwitch();
        g_traceSwitchRead = true;
    }
    TraceCall(kTraceInit, 0, 0, kFormNone);
    int16_t status = g_library.attachStatus;
    int32_t newId = 0;
    if (status >= 0) {
        status = ORV_OK;
        if (IsWindowRegistered(TableLock{}, window)) {
            status = ORV_ERR_WINDOW_REGISTERED;
        } else {
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(ScannerAttributes));
            auto* attributes = block ? static_cast<ScannerAttributes*>(GlobalLock(block)) : nullptr;
            if (!attributes) {
                status = ORV_ERR_NO_MEMORY;
            } else {
                ReadAttributesFromFile(attributes);
                GlobalUnlock(block);
                status = RegisterClient(TableLock{}, window, block, &newId);
                if (status == ORV_OK)
                    *fId = newId;
            }
            if (status != ORV_OK && block)
                GlobalFree(block);
        }
    }
    TraceCall(kTraceInit + 1, newId, static_cast<uint16_t>(status), kFormShort);
    return status;
}

extern "C" void WINAPI ORV_Quit(int32_t fId) {
    TraceCall(kTraceQuit, fId, 0, kFormNone);
    RemoveClient(TableLock{}, fId);
    TraceCall(kTraceQuit + 1, fId, 0, kFormNone);
}

extern "C" void WINAPI ORV_Get_Version(LibraryVersion* version) {
    TraceCall(kTraceGetVersion, 0, 0, kFormNone);
    *version = kVersion;
    TraceCall(kTraceGetVersion + 1, 0, 0, kFormNone);
}

extern "C" uint32_t WINAPI ORV_Get_Msg_Id(int32_t fId) {
    TraceCall(kTraceGetMsgId, fId, 0, kFormNone);
    uint32_t message = RegisteredMessage();
    if (message != 0)
        SubscribeClient(TableLock{}, fId, message);
    TraceCall(kTraceGetMsgId + 1, fId, message, kFormUnsigned);
    return message;
}

extern "C" int16_t WINAPI ORV_Setup(int32_t fId) {
    TraceCall(kTraceSetup, fId, 0, kFormNone);
    int16_t status = ORV_ERR_NOT_PROVIDED;
    TraceCall(kTraceSetup + 1, fId, static_cast<uint16_t>(status), kFormShort);
    return status;
}
