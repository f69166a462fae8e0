#include "language.h"

#include <windows.h>

namespace {
int16_t g_override = kNoLanguageOverride;
}

int LanguageBlockFromLangId(uint16_t langId) {
    if (langId == 0)
        return kEnglishBlock;
    switch (PRIMARYLANGID(langId)) {
    case LANG_GERMAN:
        return 3;
    case LANG_ENGLISH:
        return 1;
    case LANG_SPANISH:
        return 4;
    case LANG_FRENCH:
        return 2;
    case LANG_ITALIAN:
        return 5;
    case LANG_DUTCH:
        return 6;
    case LANG_SWEDISH:
        return 7;
    case LANG_PORTUGUESE:
        switch (SUBLANGID(langId)) {
        case SUBLANG_PORTUGUESE:
            return 8;
        case SUBLANG_PORTUGUESE_BRAZILIAN:
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
