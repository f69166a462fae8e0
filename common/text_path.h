// Fixed-buffer text and paths, the one home of the helpers every deliverable uses. Paths are built
// by concatenation from the Windows directory with a backslash only where one is missing, in fixed
// buffers: 256 characters in the setup tools, 144 in the library. A result that does not fit is
// reported, never cut without the caller knowing. Free of any platform call (the Windows directory
// lives in windows_path.h) so the readers that use it can be built and fuzzed natively.
#pragma once
#include <cstddef>

constexpr size_t kPathBufferSize = 144; // the library's paths
constexpr int kToolPathChars = 256;     // the installation program's, applet's and uninstaller's

// Copies text into a buffer of size bytes, cutting it; false when it was cut.
bool CopyText(char* out, size_t size, const char* text);
// Appends text to out (size bytes), cutting it; false when it was cut.
bool AppendText(char* out, size_t size, const char* text);
// Appends "\" when the text does not end in one and it fits; false when it does not fit.
bool EndWithBackslash(char* path, size_t size);
// directory + "\" (only where one is missing after a non-empty directory) + name into out;
// false when it does not fit.
bool JoinPath(char* out, size_t size, const char* directory, const char* name);
