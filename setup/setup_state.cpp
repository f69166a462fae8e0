#include "setup_state.h"

#include "language.h"

SetupProgram g_program;

void LoadBlockString(int k, char* out, int size) {
    out[0] = '\0';
    LoadStringA(g_program.instance, StringId(g_program.block, k), out, size);
}
