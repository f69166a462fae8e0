// A minimal TWAIN data source: it tells the source manager who it is and can be opened and
// closed. It acquires nothing; it exists so the source manager's selection dialog lists a source.
#include <cstring>

#include "twain_types.h"

namespace {

uint16_t g_condition = TWCC_SUCCESS;

void FillIdentity(TW_IDENTITY* identity) {
    // The manager's id and protocol stay as it set them.
    identity->Version.MajorNum = 1;
    identity->Version.MinorNum = 0;
    identity->Version.Language = TWLG_USA;
    identity->Version.Country = TWCY_USA;
    strcpy(identity->Version.Info, "Acme test source 1.0");
    identity->SupportedGroups = DG_CONTROL | DG_IMAGE;
    strcpy(identity->Manufacturer, "Acme");
    strcpy(identity->ProductFamily, "Acme Scanners");
    strcpy(identity->ProductName, "Acme TWAIN");
}

uint16_t Fail(uint16_t condition) {
    g_condition = condition;
    return TWRC_FAILURE;
}

} // namespace

extern "C" uint16_t WINAPI DS_Entry(TW_IDENTITY*, uint32_t dg, uint16_t dat, uint16_t msg,
                                    void* data) {
    if (dg != DG_CONTROL || !data)
        return Fail(TWCC_BADPROTOCOL);
    if (dat == DAT_IDENTITY && (msg == MSG_GET || msg == MSG_OPENDS)) {
        FillIdentity(static_cast<TW_IDENTITY*>(data));
        g_condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) {
        g_condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_STATUS && msg == MSG_GET) {
        TW_STATUS* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = g_condition;
        status->Reserved = 0;
        g_condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}
