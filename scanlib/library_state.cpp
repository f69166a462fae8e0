#include "library_state.h"

LibraryState g_library = {nullptr, 0, 0, 0};
