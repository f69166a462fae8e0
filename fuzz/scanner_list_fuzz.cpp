// A scanner list file image read line by line as every lookup reads it: each piece stays within
// its line buffer, the reader always advances, and a data line's fields hold no separators, fit
// their buffers and carry the id the line begins with.
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "scanner_formats.h"

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '|' || c == '\r' || c == '\n';
}

// spaces: the model field, whose "_" became spaces when the line was read.
void CheckField(const char* field, int capacity, bool spaces = false) {
    FUZZ_REQUIRE(strlen(field) <= static_cast<size_t>(capacity));
    for (const char* c = field; *c; ++c)
        FUZZ_REQUIRE(!IsSeparator(*c) || (spaces && *c == ' '));
}

void CheckDataLine(const char* line) {
    ScannerFields fields;
    memset(&fields, 0x55, sizeof fields); // every field must be written
    const int id = ParseScannerLine(line, &fields);
    const char* p = line;
    while (*p == ' ' || *p == '\t')
        ++p;
    std::string digits;
    bool negative = false;
    long long expected = 0;
    const bool dataLine = *p >= '0' && *p <= '9' && ReferenceDigits(p, &digits, &negative) &&
                          ReferenceInRange(digits, negative, 0, kMaxScannerId, &expected);
    if (!dataLine) {
        FUZZ_REQUIRE(id == -1);
        return;
    }
    FUZZ_REQUIRE(id == expected);
    CheckField(fields.id, kIdFieldChars);
    CheckField(fields.model, kTextFieldChars, true);
    CheckField(fields.driver, kTextFieldChars);
    CheckField(fields.code, kTextFieldChars);
    FUZZ_REQUIRE(strchr(fields.model, '_') == nullptr);
    // The id field is the line's first word, cut to its buffer.
    size_t word = strcspn(p, " \t|\r\n");
    size_t kept = word < static_cast<size_t>(kIdFieldChars) ? word : kIdFieldChars;
    FUZZ_REQUIRE(strlen(fields.id) == kept && strncmp(fields.id, p, kept) == 0);
    // An empty field is only ever followed by empty fields.
    const char* order[] = {fields.model, fields.driver, fields.code};
    for (int i = 0; i + 1 < 3; ++i)
        FUZZ_REQUIRE(order[i][0] != '\0' || order[i + 1][0] == '\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TextLineCursor cursor = {reinterpret_cast<const char*>(data), size, 0};
    char line[kListLineChars + 1];
    size_t lines = 0;
    for (;;) {
        size_t before = cursor.pos;
        memset(line, 0x55, sizeof line);
        if (!NextTextLine(&cursor, line))
            break;
        FUZZ_REQUIRE(cursor.pos > before && cursor.pos <= size);
        FUZZ_REQUIRE(strlen(line) <= static_cast<size_t>(kListLineChars));
        FUZZ_REQUIRE(++lines <= size);
        // Text mode ends the file at a Ctrl-Z: none is ever shown.
        FUZZ_REQUIRE(strchr(line, kTextEndOfFile) == nullptr);
        CheckDataLine(line);
    }

    // The field splitter on unbounded text, with every field count.
    std::string text(reinterpret_cast<const char*>(data), size);
    ScannerFields fields;
    for (int count = 0; count <= kScannerFieldCount; ++count) {
        SplitScannerFields(text.c_str(), count, &fields);
        CheckField(fields.id, kIdFieldChars);
        CheckField(fields.model, kTextFieldChars);
        CheckField(fields.driver, kTextFieldChars);
        CheckField(fields.code, kTextFieldChars);
    }
    return 0;
}
