// The application directory, where the server, the driver programs and the configuration files
// lie: the Windows directory, "KELTO32" and a backslash.
#pragma once
#include <cstddef>

#include "text_path.h"

// The directory, built once; empty when it does not fit its buffer.
const char* AppDirectory();
// Application directory + name into out (size bytes); false, and out empty, when the directory is
// empty or the path does not fit.
bool AppFile(char* out, size_t size, const char* name);
