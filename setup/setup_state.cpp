#include "setup_state.h"

#include <cctype>
#include <cstring>

#include "language.h"

SetupState g_setup = [] {
    SetupState state = {};
    state.languageOverride = kNoLanguageOverride;
    return state;
}();

void CopyText(char* out, size_t size, const char* text) {
    strncpy(out, text, size - 1);
    out[size - 1] = '\0';
}

bool EndWithBackslash(char* path, size_t size) {
    size_t length = strlen(path);
    if (length > 0 && path[length - 1] == '\\')
        return true;
    if (length + 2 > size)
        return false;
    path[length] = '\\';
    path[length + 1] = '\0';
    return true;
}

int16_t ReadDecimal(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    int32_t value = 0;
    for (; isdigit(static_cast<unsigned char>(*text)); ++text) {
        // Held at the first value past the 16-bit range, so long digit runs cannot overflow.
        if (value <= INT16_MAX)
            value = value * 10 + (*text - '0');
    }
    if (negative)
        value = -value;
    if (value > INT16_MAX)
        return INT16_MAX;
    if (value < INT16_MIN)
        return INT16_MIN;
    return static_cast<int16_t>(value);
}

SetupMode ReadCommandLine(const char* commandLine, SetupState* state) {
    if (commandLine[0] == '\0')
        return SetupMode::Install;
    if (commandLine[1] == ':') {
        // A path cut to the buffer would name another directory: it is refused instead.
        if (strlen(commandLine) >= sizeof state->targetRoot)
            return SetupMode::Refused;
        CopyText(state->targetRoot, sizeof state->targetRoot, commandLine);
        if (!EndWithBackslash(state->targetRoot, sizeof state->targetRoot)) {
            state->targetRoot[0] = '\0';
            return SetupMode::Refused;
        }
        return SetupMode::CopyDistribution;
    }
    state->languageOverride = ReadDecimal(commandLine);
    return SetupMode::Install;
}

void LoadBlockString(int k, char* out, int size) {
    out[0] = '\0';
    LoadStringA(g_setup.instance, StringId(g_setup.block, k), out, size);
}
