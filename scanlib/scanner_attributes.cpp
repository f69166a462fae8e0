#include "scanner_attributes.h"

#include "config_names.h"
#include "server_connect.h"

void ReadAttributesFromFile(ScannerAttributes* record) {
    char file[kPathBufferSize] = "";
    JoinPath(file, sizeof file, AppDirectory(), kSelectionFile);
    char update[16] = "";
    GetPrivateProfileStringA(kScannerSection, kAttrNeedUpdateKey, "Y", update, sizeof update, file);
    const char* section = update[0] == 'N' ? kUpdatedAttribsSection : kDefaultAttribsSection;
    auto value = [&](const char* key, int fallback) {
        return GetPrivateProfileIntA(section, key, fallback, file);
    };
    record->ScanMode = static_cast<uint16_t>(value(kModeKey, 1));
    record->UseADF = static_cast<int32_t>(value(kUseAdfKey, 0));
    record->Brightness = static_cast<uint16_t>(value(kBrightKey, 1));
    record->Resolution = static_cast<uint16_t>(value(kResKey, 300));
    record->ScanArea.L = static_cast<int16_t>(value(kScanLeftKey, 1));
    record->ScanArea.T = static_cast<int16_t>(value(kScanTopKey, 1));
    record->ScanArea.R = static_cast<int16_t>(value(kScanRightKey, 1));
    record->ScanArea.B = static_cast<int16_t>(value(kScanBottomKey, 1));
    record->PaperSize = static_cast<uint16_t>(value(kPaperSizeKey, 1));
    record->Contrast = static_cast<uint16_t>(value(kContrastKey, 1));
    record->Orientation = static_cast<uint16_t>(value(kOrientKey, 1));
    record->Invert = static_cast<int32_t>(value(kInvertKey, 0));
}
