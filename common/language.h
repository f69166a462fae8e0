// The language rule: every deliverable carries nine blocks of dialogs and strings side by side
// under one resource language and picks a block from the user's default language.
#pragma once
#include <cstdint>

constexpr int kEnglishBlock = 1;
constexpr int16_t kNoLanguageOverride = -1;

// Block for a Windows language id (0 and unlisted languages give English).
int LanguageBlockFromLangId(uint16_t langId);
// Block for the installation program's command-line language number.
int LanguageBlockFromOverride(int16_t overrideValue);

// The installation program's override; -1 (the default) means none.
void SetLanguageOverride(int16_t overrideValue);
// Block 1..9 for this process: the override when set, otherwise the user's default language.
int GetLanguageBlock();

constexpr int DialogId(int block, int k) {
    return block * 100 + k;
}
constexpr int StringId(int block, int k) {
    return block * 1000 + k;
}
