#include "language.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
constexpr uint16_t LangId(uint16_t primary, uint16_t sub) {
    return (sub << 10) | primary;
}
} // namespace

TEST(LanguageBlock, PrimaryLanguagesAnySublanguage) {
    struct Case {
        uint16_t primary;
        int block;
    } cases[] = {{0x09, 1}, {0x0C, 2}, {0x07, 3}, {0x0A, 4}, {0x10, 5}, {0x13, 6}, {0x1D, 7}};
    for (const Case& c : cases)
        for (uint16_t sub = 0; sub < 64; ++sub)
            EXPECT_EQ(LanguageBlockFromLangId(LangId(c.primary, sub)), c.block)
                << std::hex << LangId(c.primary, sub);
}

TEST(LanguageBlock, PortugueseBySublanguage) {
    EXPECT_EQ(LanguageBlockFromLangId(0x0816), 8); // Portugal
    EXPECT_EQ(LanguageBlockFromLangId(0x0416), 9); // Brazil
    EXPECT_EQ(LanguageBlockFromLangId(0x0016), 1);
    EXPECT_EQ(LanguageBlockFromLangId(LangId(0x16, 3)), 1);
}

TEST(LanguageBlock, UnlistedAndZeroAreEnglish) {
    EXPECT_EQ(LanguageBlockFromLangId(0), 1);
    EXPECT_EQ(LanguageBlockFromLangId(0x0411), 1); // Japanese
    EXPECT_EQ(LanguageBlockFromLangId(0x0406), 1); // Danish
    EXPECT_EQ(LanguageBlockFromLangId(0x0807), 3); // German (Switzerland)
    // Only the low ten bits name the language: a sublanguage must not turn Danish into Swedish.
    EXPECT_EQ(LanguageBlockFromLangId(LangId(0x06, 0x07)), 1);
}

TEST(LanguageBlock, OverrideTable) {
    const int expected[16] = {1, 2, 3, 1, 4, 5, 6, 1, 7, 1, 1, 1, 8, 1, 1, 9};
    for (int16_t value = 0; value < 16; ++value)
        EXPECT_EQ(LanguageBlockFromOverride(value), expected[value]) << value;
    for (int16_t value : {16, 100, 32767, -2, -32768})
        EXPECT_EQ(LanguageBlockFromOverride(value), 1) << value;
}

TEST(LanguageBlock, OverrideReplacesUserLanguage) {
    SetLanguageOverride(8);
    EXPECT_EQ(GetLanguageBlock(), 7);
    SetLanguageOverride(3);
    EXPECT_EQ(GetLanguageBlock(), 1);
    SetLanguageOverride(kNoLanguageOverride);
    EXPECT_EQ(GetLanguageBlock(), LanguageBlockFromLangId(GetUserDefaultLangID()));
}

TEST(LanguageBlock, IdentifierArithmetic) {
    static_assert(DialogId(1, 0) == 100 && DialogId(9, 99) == 999);
    static_assert(StringId(1, 0) == 1000 && StringId(9, 999) == 9999);
    static_assert(StringId(3, 100) + 3 == 3103);
    EXPECT_EQ(DialogId(7, 0), 700);
}
