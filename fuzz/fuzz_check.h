// What every fuzz target uses: a failed expectation stops the run with a message, so libFuzzer
// keeps the input that caused it.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, #condition);    \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

// Reference reading of a leading decimal number, independent of the product's reader: blanks,
// one sign, the digit run. Gives the digits without leading zeros and the sign; false when there
// are no digits.
inline bool ReferenceDigits(const char* text, std::string* digits, bool* negative) {
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    *negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    digits->clear();
    bool any = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        any = true;
        if (!digits->empty() || *text != '0')
            digits->push_back(*text);
    }
    return any;
}

// True when the reference number lies in minimum..maximum, its value then in *value.
inline bool ReferenceInRange(const std::string& digits, bool negative, long long minimum,
                             long long maximum, long long* value) {
    if (digits.size() > 12)
        return false;
    long long magnitude = digits.empty() ? 0 : std::stoll(digits);
    *value = negative ? -magnitude : magnitude;
    return *value >= minimum && *value <= maximum;
}
