// The installation program's command line of any text: a drive path becomes a target root that
// ends in "\", fits its buffer and names the same directory, or is refused; anything else is a
// language number. The fixed-buffer helpers never write past the size they are given.
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "decimal_text.h"
#include "fuzz_check.h"
#include "language.h"

namespace {

void CheckBufferHelpers(const std::string& text, size_t size) {
    // A buffer of exactly `size` bytes on the heap, so a write past it is caught.
    std::vector<char> out(size);
    CopyText(out.data(), size, text.c_str());
    const size_t length = strlen(out.data());
    FUZZ_REQUIRE(length < size && text.compare(0, length, out.data()) == 0);
    const bool ended = EndWithBackslash(out.data(), size);
    const size_t after = strlen(out.data());
    FUZZ_REQUIRE(after < size);
    if (ended)
        FUZZ_REQUIRE(after > 0 && out[after - 1] == '\\');
    else
        FUZZ_REQUIRE(after == length && length + 2 > size); // no room for the "\"
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks a buffer size for the helpers; the rest is the command line.
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    CheckBufferHelpers(text, 1 + data[0] % 32);
    CheckBufferHelpers(text, kSetupPathBytes);

    const char* line = text.c_str();
    const size_t length = strlen(line);
    CommandLineChoice choice;
    memset(&choice, 0x55, sizeof choice);
    ParseCommandLine(line, &choice);
    const size_t rootLength = strnlen(choice.targetRoot, sizeof choice.targetRoot);
    FUZZ_REQUIRE(rootLength < sizeof choice.targetRoot);
    if (length >= 2 && line[1] == ':') {
        FUZZ_REQUIRE(choice.languageOverride == kNoLanguageOverride);
        const bool ends = line[length - 1] == '\\';
        const bool fits = length + (ends ? 0 : 1) < sizeof choice.targetRoot;
        if (!fits) {
            FUZZ_REQUIRE(choice.mode == SetupMode::Refused && rootLength == 0);
            return 0;
        }
        FUZZ_REQUIRE(choice.mode == SetupMode::CopyDistribution);
        FUZZ_REQUIRE(std::string(choice.targetRoot) ==
                     (ends ? text.substr(0, length) : text.substr(0, length) + "\\"));
        return 0;
    }
    FUZZ_REQUIRE(choice.mode == SetupMode::Install && rootLength == 0);
    FUZZ_REQUIRE(choice.languageOverride ==
                 (length == 0 ? kNoLanguageOverride : ReadDecimal(line)));
    return 0;
}
