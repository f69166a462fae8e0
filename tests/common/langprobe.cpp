// Prints the language block this process chose and the language id it was chosen from.
#include "language.h"

#include <windows.h>

#include <cstdio>

int main() {
    std::printf("%04x %d\n", GetUserDefaultLangID(), GetLanguageBlock());
    return 0;
}
