// Integer values of the configuration files and typed option fields, of any text, for each kind
// of field they land in: the value is the number the text spells when the field holds it and the
// default otherwise, checked against a reading of its own.
#include <cstring>
#include <string>

#include "decimal_text.h"
#include "fuzz_check.h"

namespace {

struct Field {
    int32_t fallback, minimum, maximum;
};
// A scanner id or scan-area edge, a resolution or mode word, a port or speed, a 32-bit flag.
constexpr Field kFields[] = {{1, INT16_MIN, INT16_MAX},
                             {300, 0, UINT16_MAX},
                             {200, 0, INT16_MAX},
                             {0, INT32_MIN, INT32_MAX}};

void CheckProfileNumber(const std::string& text, const Field& field) {
    const int32_t got = ProfileNumber(text.c_str(), field.fallback, field.minimum, field.maximum);
    std::string digits;
    bool negative = false;
    long long value = 0;
    ReferenceDigits(text.c_str(), &digits, &negative);
    int32_t expected = field.fallback;
    if (text.c_str()[0] != '\0' &&
        ReferenceInRange(digits, negative, field.minimum, field.maximum, &value))
        expected = static_cast<int32_t>(value);
    FUZZ_REQUIRE(got == expected);
}

void CheckUnsignedText(const std::string& text, int32_t maximum) {
    const char* c = text.c_str();
    bool onlyDigits = *c != '\0';
    for (; *c; ++c)
        onlyDigits = onlyDigits && *c >= '0' && *c <= '9';
    long long value = 0;
    std::string digits;
    bool negative = false;
    const bool expected = onlyDigits && ReferenceDigits(text.c_str(), &digits, &negative) &&
                          ReferenceInRange(digits, negative, 0, maximum, &value);
    int32_t got = -1;
    FUZZ_REQUIRE(ReadUnsignedText(text.c_str(), maximum, &got) == expected);
    if (expected)
        FUZZ_REQUIRE(got == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const Field& field : kFields)
        CheckProfileNumber(text, field);
    CheckUnsignedText(text, INT16_MAX);
    CheckUnsignedText(text, 0);
    return 0;
}
