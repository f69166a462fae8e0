#include "command_line.h"

#include <cstring>

#include "decimal_text.h"
#include "language.h"

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
