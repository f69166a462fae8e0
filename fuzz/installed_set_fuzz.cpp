// An installed-set file image of any bytes, then a run of adds and removes: the count byte and the
// bytes held always agree, nothing is written past the 256-byte image, an add makes the id
// installed, a remove takes away one entry of it, and no other entry changes. The bytes after the
// image also stand for a scanner list: each entry of the image's set is taken to its driver
// program the way the uninstaller does, and a damaged entry never names one.
#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "model_install.h"
#include "scanner_formats.h"

namespace {

// How often each byte value stands among the entries.
struct Histogram {
    int count[256];
};

Histogram Entries(const InstalledSet& set) {
    Histogram histogram = {};
    const int n = InstalledCount(&set);
    for (int i = 1; i <= n; ++i)
        ++histogram.count[set.bytes[i]];
    return histogram;
}

bool operator==(const Histogram& a, const Histogram& b) {
    return memcmp(a.count, b.count, sizeof a.count) == 0;
}

void CheckShape(const InstalledSet& set) {
    FUZZ_REQUIRE(set.length >= 1 && set.length <= kInstalledSetMaxBytes);
    const int n = InstalledCount(&set);
    FUZZ_REQUIRE(n >= 0 && n <= set.length - 1 && n <= kMaxInstalledEntries);
}

// Every entry to its driver program through the list: only ids 1..207 are looked up, and a name
// comes back whole from a data line (the distribution name with its last character "E").
void CheckDriverPrograms(const InstalledSet& set, const char* list, size_t size) {
    const std::string text(list, size);
    // Whatever the fields held before, a line that is no data line leaves them empty.
    TextLineCursor cursor = {list, size, 0};
    char line[kListLineChars + 1];
    while (NextTextLine(&cursor, line)) {
        ScannerFields fields;
        memset(&fields, 0x55, sizeof fields);
        if (ParseScannerLine(line, &fields) < 0)
            FUZZ_REQUIRE(!fields.id[0] && !fields.model[0] && !fields.driver[0] && !fields.code[0]);
    }
    const int n = InstalledCount(&set);
    for (int i = 1; i <= n; ++i) {
        const int raw = set.bytes[i] - '0';
        const int id = InstalledIdAt(&set, i);
        FUZZ_REQUIRE(id == (raw >= 1 && raw <= kMaxInstallableId ? raw : kNoScannerId));
        // Lines that are no data lines (the ids a damaged byte gives) name no program.
        char program[kModelFileChars + 1];
        if (raw < 0)
            FUZZ_REQUIRE(!InstalledDriverProgram(list, size, raw, program));
        if (id == kNoScannerId || !InstalledDriverProgram(list, size, id, program))
            continue;
        const size_t length = strnlen(program, sizeof program);
        FUZZ_REQUIRE(length >= 1 && length < sizeof program && program[length - 1] == 'E');
        FUZZ_REQUIRE(IsPlainFileName(program)); // never a path out of the directory
        FUZZ_REQUIRE(text.find(std::string(program, length - 1)) != std::string::npos);
    }
}

// More than enough to fill the set from empty and empty it again.
constexpr size_t kMaxOperations = 512;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // First two bytes: how many of the following bytes form the file image (up to 511, more than
    // is ever read); the rest are operations.
    size_t imageSize = std::min<size_t>(data[0] + 256 * (data[1] & 1), size - 2);
    InstalledSet set;
    LoadInstalledSet(data + 2, imageSize, &set);
    CheckShape(set);
    FUZZ_REQUIRE(set.length ==
                 static_cast<int32_t>(
                     imageSize == 0 ? 1 : std::min<size_t>(imageSize, kInstalledSetMaxBytes)));

    CheckDriverPrograms(set, reinterpret_cast<const char*>(data) + 2 + imageSize,
                        size - 2 - imageSize);

    Histogram expected = Entries(set);
    const size_t end = std::min(size, 2 + imageSize + kMaxOperations);
    for (size_t i = 2 + imageSize; i < end; ++i) {
        const bool remove = data[i] & 1;
        const int id = data[i] >> 1 | (i + 1 < size && data[i + 1] == 0xFF ? 0x80 : 0);
        const int before = InstalledCount(&set);
        const bool wasInstalled = IsScannerInstalled(&set, id);
        const int n =
            ChangeInstalledSet(&set, id, remove ? InstalledChange::Remove : InstalledChange::Add);
        CheckShape(set);
        if (id > kMaxInstallableId) {
            FUZZ_REQUIRE(n == -1 && !wasInstalled);
        } else if (n == -1) { // a full set takes no more
            FUZZ_REQUIRE(!remove && !wasInstalled && before == kMaxInstalledEntries);
        } else {
            FUZZ_REQUIRE(n == InstalledCount(&set) && set.length == n + 1 &&
                         set.bytes[0] == '0' + n);
            const uint8_t entry = static_cast<uint8_t>('0' + id);
            if (!remove && !wasInstalled)
                ++expected.count[entry];
            if (remove && wasInstalled)
                --expected.count[entry];
            if (!remove)
                FUZZ_REQUIRE(IsScannerInstalled(&set, id));
        }
        FUZZ_REQUIRE(Entries(set) == expected);
    }
    return 0;
}
