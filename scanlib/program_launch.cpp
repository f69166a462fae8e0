#include "program_launch.h"

#include <cstdio>

#include "app_directory.h"
#include "config_names.h"
#include "dde_conversation.h"
#include "language.h"
#include "library_state.h"
#include "orvlib.h"
#include "orvlib_ids.h"
#include "profile_values.h"

namespace {

void ShowLaunchFailure(UINT code) {
    // The block is chosen here: the attach picks its own only after the connect.
    char format[80] = "";
    LoadStringA(g_library.instance,
                StringId(GetLanguageBlock(), ORVLIB_STRING_BASE + ORVLIB_LAUNCH_FAILED), format,
                sizeof format);
    char text[96];
    std::snprintf(text, sizeof text, format, static_cast<int>(code));
    MessageBoxA(nullptr, text, kLaunchFailureCaption, MB_OK);
}

} // namespace

UINT StartAppProgram(const char* name) {
    char path[kPathBufferSize];
    if (!AppFile(path, sizeof path, name))
        return ERROR_FILE_NOT_FOUND;
    UINT result = WinExec(path, SW_MINIMIZE);
    BroadcastBounded(WM_NULL, 0, 0);
    return result;
}

int16_t SelectionStatus(int16_t scannerId) {
    switch (scannerId) {
    case 151:
        return ORV_ERR_SCANNER_151;
    case 152:
        return ORV_ERR_SCANNER_152;
    case 153:
        return ORV_ERR_SCANNER_153;
    case 154:
    case 155:
    case 156:
        return ORV_ERR_SCANNER_154_156;
    default:
        return ORV_ERR_NO_CONVERSATION;
    }
}

int16_t StartDriverProgram() {
    char file[kPathBufferSize];
    if (!AppFile(file, sizeof file, kSelectionFile))
        return ORV_ERR_NO_CONVERSATION;
    int16_t id = ReadProfileInt16(kScannerSection, kCurrentScannerIdKey, 0, file);
    char driver[80] = "";
    if (id > 0)
        GetPrivateProfileStringA(kScannerSection, kCurrentDriverKey, "", driver, sizeof driver,
                                 file);
    if (id <= 0 || id >= 150 || !driver[0])
        return SelectionStatus(id);
    UINT result = StartAppProgram(driver);
    if (result >= 32)
        return ORV_OK;
    ShowLaunchFailure(result);
    return ORV_ERR_NO_DRIVER;
}
