// An application that uses only orvlib.h and the import library: it calls all sixteen exports, so
// its import table must name every one as the shipped library exports it.
#include "orvlib.h"

int main() {
    int32_t id = 0;
    LibraryVersion version;
    ScannerCapabilities capabilities;
    ScannerAttributes attributes;
    ORV_Get_Version(&version);
    ORV_Init(nullptr, &id);
    ORV_Get_Msg_Id(id);
    ORV_Setup(id);
    ORV_Get_Scanner_Capabilities(id, &capabilities);
    ORV_Get_Scanner_Attributes(id, &attributes);
    ORV_Set_Scanner_Attributes(id, &attributes);
    ORV_Is_Scanner_Busy(id);
    ORV_Open(id);
    ORV_Is_Adf_Ready(id);
    ORV_Start_Scan(id, 0, 0);
    ORV_Get_Scan_Data(id, nullptr, 0, 1);
    ORV_Cancel(id);
    DecompFlushRequest flush{id};
    ORV_CntlCtr(0, ORV_CNTL_FLUSH_DECOMP, &flush, nullptr);
    ORV_Close(id);
    ORV_Quit(id);
    return 0;
}
