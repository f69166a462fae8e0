// The Windows directory and paths below it, read into fixed buffers (text_path.h).
#pragma once
#include <cstddef>

// The Windows directory ending in one backslash into out (size bytes); false, and out empty, when
// there is none or it does not fit. The buffer's size is the caller's limit on its length.
bool WindowsDirectory(char* out, size_t size);
// Windows directory + "\" + name into out (size bytes); false, and out empty, when it does not fit.
bool WindowsPath(char* out, size_t size, const char* name);
// The directory of a loaded module's file, ending in "\", into out (size bytes); false, and out
// empty, when the path does not fit or names no directory.
bool ModuleDirectory(void* module, char* out, size_t size);
// True when path names an existing file (not a directory).
bool FileExists(const char* path);
