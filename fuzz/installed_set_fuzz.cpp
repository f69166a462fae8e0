// An installed-set file image of any bytes, then a run of adds and removes: the count byte and the
// bytes held always agree, nothing is written past the 256-byte image, an add makes the id
// installed, a remove takes away one entry of it, and no other entry changes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "scanner_formats.h"

namespace {

std::vector<uint8_t> Entries(const InstalledSet& set) {
    std::vector<uint8_t> entries(set.bytes + 1, set.bytes + 1 + InstalledCount(&set));
    std::sort(entries.begin(), entries.end());
    return entries;
}

void CheckShape(const InstalledSet& set) {
    FUZZ_REQUIRE(set.length >= 1 && set.length <= kInstalledSetMaxBytes);
    const int n = InstalledCount(&set);
    FUZZ_REQUIRE(n >= 0 && n <= set.length - 1 && n <= kMaxInstalledEntries);
}

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

    for (size_t i = 2 + imageSize; i < size; ++i) {
        const bool remove = data[i] & 1;
        const int id = data[i] >> 1 | (i + 1 < size && data[i + 1] == 0xFF ? 0x80 : 0);
        const std::vector<uint8_t> before = Entries(set);
        const bool wasInstalled = IsScannerInstalled(&set, id);
        const int n =
            ChangeInstalledSet(&set, id, remove ? InstalledChange::Remove : InstalledChange::Add);
        CheckShape(set);
        std::vector<uint8_t> after = Entries(set);
        if (id > kMaxInstallableId) {
            FUZZ_REQUIRE(n == -1 && !wasInstalled);
            continue;
        }
        if (n == -1) { // a full set takes no more
            FUZZ_REQUIRE(!remove && !wasInstalled &&
                         before.size() == static_cast<size_t>(kMaxInstalledEntries));
            continue;
        }
        FUZZ_REQUIRE(n == InstalledCount(&set) && set.length == n + 1 && set.bytes[0] == '0' + n);
        std::vector<uint8_t> expected = before;
        const uint8_t entry = static_cast<uint8_t>('0' + id);
        if (!remove && !wasInstalled)
            expected.insert(std::upper_bound(expected.begin(), expected.end(), entry), entry);
        if (remove && wasInstalled)
            expected.erase(std::lower_bound(expected.begin(), expected.end(), entry));
        FUZZ_REQUIRE(after == expected);
        if (!remove)
            FUZZ_REQUIRE(IsScannerInstalled(&set, id));
    }
    return 0;
}
