#include "scanner_formats.h"

#include <cstring>

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '|';
}
bool EndsField(char c) {
    return c == '\0' || c == '\r' || c == '\n' || IsSeparator(c);
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Copies one field into out (room for capacity characters); the rest of a longer field is skipped.
const char* TakeField(const char* p, char* out, int capacity) {
    while (IsSeparator(*p))
        ++p;
    int n = 0;
    for (; !EndsField(*p); ++p)
        if (n < capacity)
            out[n++] = *p;
    out[n] = '\0';
    return p;
}

} // namespace

void SplitScannerFields(const char* text, int fieldCount, ScannerFields* fields) {
    char* outputs[kScannerFieldCount] = {fields->id, fields->model, fields->driver, fields->code};
    const int capacities[kScannerFieldCount] = {kIdFieldChars, kTextFieldChars, kTextFieldChars,
                                                kTextFieldChars};
    const char* p = text;
    for (int i = 0; i < kScannerFieldCount; ++i) {
        if (i < fieldCount)
            p = TakeField(p, outputs[i], capacities[i]);
        else
            outputs[i][0] = '\0';
    }
}

int ParseScannerLine(const char* line, ScannerFields* fields) {
    memset(fields, 0, sizeof *fields);
    char copy[kListLineChars + 1];
    size_t length = strnlen(line, kListLineChars);
    memcpy(copy, line, length);
    copy[length] = '\0';

    const char* p = copy;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!IsDigit(*p))
        return -1;
    // The value comes from the line, not the cut id text. An id beyond the 16-bit range would
    // alias another model; such a line names no model.
    int id = 0;
    for (const char* d = p; IsDigit(*d); ++d) {
        id = id * 10 + (*d - '0');
        if (id > kMaxScannerId)
            return -1;
    }
    SplitScannerFields(p, kScannerFieldCount, fields);
    ReadBackModelName(fields->model);
    return id;
}

void ReadBackModelName(char* name) {
    for (char* c = name; *c; ++c)
        if (*c == '_' || IsSeparator(*c))
            *c = ' ';
}

bool NextTextLine(TextLineCursor* cursor, char line[kListLineChars + 1]) {
    const char* data = cursor->data;
    size_t pos = cursor->pos;
    if (pos >= cursor->size || data[pos] == kTextEndOfFile)
        return false;
    int read = 0;
    int shown = 0; // characters before a 0x00 byte, which ends what the text shows
    bool textEnded = false;
    while (read < kListLineChars && pos < cursor->size && data[pos] != kTextEndOfFile) {
        char c = data[pos++];
        if (c == '\r' && pos < cursor->size && data[pos] == '\n')
            c = data[pos++];
        ++read;
        if (c == '\0')
            textEnded = true;
        if (!textEnded)
            line[shown++] = c;
        if (c == '\n')
            break;
    }
    line[shown] = '\0';
    cursor->pos = pos;
    return true;
}

void ClearInstalledSet(InstalledSet* set) {
    memset(set->bytes, 0, sizeof set->bytes);
    set->bytes[0] = '0';
    set->length = 1;
}

void LoadInstalledSet(const uint8_t* data, size_t size, InstalledSet* set) {
    ClearInstalledSet(set);
    if (size == 0)
        return;
    if (size > kInstalledSetMaxBytes)
        size = kInstalledSetMaxBytes;
    memcpy(set->bytes, data, size);
    set->length = static_cast<int32_t>(size);
}

int InstalledCount(const InstalledSet* set) {
    int n = set->bytes[0] - '0';
    if (n < 0)
        return 0;
    return n < set->length - 1 ? n : set->length - 1;
}

bool IsScannerInstalled(const InstalledSet* set, int id) {
    if (id < 0 || id > kMaxInstallableId)
        return false;
    const int n = InstalledCount(set);
    for (int i = 1; i <= n; ++i)
        if (set->bytes[i] == '0' + id)
            return true;
    return false;
}

int InstalledIdAt(const InstalledSet* set, int index) {
    if (index < 1 || index > InstalledCount(set))
        return kNoScannerId;
    const int id = set->bytes[index] - '0';
    return id < 1 || id > kMaxInstallableId ? kNoScannerId : id;
}

int ChangeInstalledSet(InstalledSet* set, int id, InstalledChange change) {
    if (id < 0 || id > kMaxInstallableId)
        return -1;
    int n = InstalledCount(set);
    const uint8_t entry = static_cast<uint8_t>('0' + id);
    int found = 0;
    for (int i = 1; i <= n && !found; ++i)
        if (set->bytes[i] == entry)
            found = i;
    if (change == InstalledChange::Add && !found) {
        if (n >= kMaxInstalledEntries)
            return -1;
        set->bytes[++n] = entry;
    } else if (change == InstalledChange::Remove && found) {
        set->bytes[found] = set->bytes[n--];
    }
    set->bytes[0] = static_cast<uint8_t>('0' + n);
    set->length = n + 1;
    return n;
}
