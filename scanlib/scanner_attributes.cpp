#include "scanner_attributes.h"

#include "config_names.h"
#include "profile_values.h"
#include "app_directory.h"

void ReadAttributesFromFile(ScannerAttributes* record) {
    char file[kPathBufferSize] = "";
    // Without the selection file's path every value is its default.
    const bool known = AppFile(file, sizeof file, kSelectionFile);
    char update[16] = "Y";
    if (known)
        GetPrivateProfileStringA(kScannerSection, kAttrNeedUpdateKey, "Y", update, sizeof update,
                                 file);
    const char* section = update[0] == 'N' ? kUpdatedAttribsSection : kDefaultAttribsSection;
    // Each value must fit its field: one that does not reads as the key's default.
    auto word = [&](const char* key, uint16_t fallback) {
        return known ? ReadProfileUInt16(section, key, fallback, file) : fallback;
    };
    auto coordinate = [&](const char* key) {
        return known ? ReadProfileInt16(section, key, 1, file) : static_cast<int16_t>(1);
    };
    auto flag = [&](const char* key) {
        return known ? ReadProfileNumber(section, key, 0, INT32_MIN, INT32_MAX, file) : 0;
    };
    record->ScanMode = word(kModeKey, ORV_MODE_BW);
    record->UseADF = flag(kUseAdfKey);
    record->Brightness = word(kBrightKey, 1);
    record->Resolution = word(kResKey, 300);
    record->ScanArea.L = coordinate(kScanLeftKey);
    record->ScanArea.T = coordinate(kScanTopKey);
    record->ScanArea.R = coordinate(kScanRightKey);
    record->ScanArea.B = coordinate(kScanBottomKey);
    record->PaperSize = word(kPaperSizeKey, 1);
    record->Contrast = word(kContrastKey, 1);
    record->Orientation = word(kOrientKey, 1);
    record->Invert = flag(kInvertKey);
}
