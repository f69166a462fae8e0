#include "profile_values.h"

#include <windows.h>

#include "decimal_text.h"

int32_t ReadProfileNumber(const char* section, const char* key, int32_t fallback, int32_t minimum,
                          int32_t maximum, const char* file) {
    // Room for far more digits than any field holds; a longer value is cut.
    char text[64] = "";
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file);
    return ProfileNumber(text, fallback, minimum, maximum);
}
