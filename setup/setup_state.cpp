#include "setup_state.h"

#include <cstring>

#include "language.h"

SetupState g_setup = [] {
    SetupState state = {};
    state.languageOverride = kNoLanguageOverride;
    return state;
}();

SetupMode ReadCommandLine(const char* commandLine, SetupState* state) {
    CommandLineChoice choice;
    ParseCommandLine(commandLine, &choice);
    state->languageOverride = choice.languageOverride;
    memcpy(state->targetRoot, choice.targetRoot, sizeof state->targetRoot);
    return choice.mode;
}

void LoadBlockString(int k, char* out, int size) {
    out[0] = '\0';
    LoadStringA(g_setup.instance, StringId(g_setup.block, k), out, size);
}
