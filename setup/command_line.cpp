#include "command_line.h"

#include <cstring>

#include "decimal_text.h"
#include "language.h"

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

void ParseCommandLine(const char* commandLine, CommandLineChoice* choice) {
    choice->mode = SetupMode::Install;
    choice->languageOverride = kNoLanguageOverride;
    choice->targetRoot[0] = '\0';
    if (commandLine[0] == '\0')
        return;
    if (commandLine[1] == ':') {
        // A path cut to the buffer would name another directory: it is refused instead.
        choice->mode = SetupMode::Refused;
        if (strlen(commandLine) >= sizeof choice->targetRoot)
            return;
        CopyText(choice->targetRoot, sizeof choice->targetRoot, commandLine);
        if (!EndWithBackslash(choice->targetRoot, sizeof choice->targetRoot)) {
            choice->targetRoot[0] = '\0';
            return;
        }
        choice->mode = SetupMode::CopyDistribution;
        return;
    }
    choice->languageOverride = ReadDecimal(commandLine);
}
