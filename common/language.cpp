#include "language.h"

#include <windows.h>

namespace {
int16_t g_override = kNoLanguageOverride;
}

int LanguageBlockFromLangId(uint16_t langId) {
    if (langId == 0)
        return kEnglishBlock;
    switch (langId & 0x3FF) {
    case 0x07:
        return 3;
    case 0x09:
        return 1;
    case 0x0A:
        return 4;
    case 0x0C:
        return 2;
    case 0x10:
        return 5;
    case 0x13:
        return 6;
    case 0x1D:
        return 7;
    case 0x16:
        switch (langId >> 10) {
        case 2:
            return 8;
        case 1:
            return 9;
        default:
            return kEnglishBlock;
        }
    default:
        return kEnglishBlock;
    }
}

int LanguageBlockFromOverride(int16_t overrideValue) {
    switch (overrideValue) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 4:
        return 4;
    case 5:
        return 5;
    case 6:
        return 6;
    case 8:
        return 7;
    case 12:
        return 8;
    case 15:
        return 9;
    default:
        return kEnglishBlock;
    }
}

void SetLanguageOverride(int16_t overrideValue) {
    g_override = overrideValue;
}

int GetLanguageBlock() {
    if (g_override != kNoLanguageOverride)
        return LanguageBlockFromOverride(g_override);
    return LanguageBlockFromLangId(GetUserDefaultLangID());
}
