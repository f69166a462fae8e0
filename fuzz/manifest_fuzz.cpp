// A manifest string table of any content, one "id text" string per line, walked with the
// installation program's and the uninstaller's layouts: a walk either refuses the manifest or
// gives consecutive groups from 120 whose counts add up to the total, each holding its names
// below the next group and below the language blocks; the 64-bit library's group follows them
// under the same rule. Manifest numbers are checked against a
// reading of their own.
#include <cstring>
#include <map>
#include <string>

#include "decimal_text.h"
#include "fuzz_check.h"
#include "manifest_groups.h"

namespace {

using Table = std::map<int, std::string>;

// Like the platform's string loader: the string cut to the buffer, its length, 0 when absent.
int ReadString(void* context, int id, char* out, int size) {
    const Table& table = *static_cast<const Table*>(context);
    out[0] = '\0';
    auto found = table.find(id);
    if (found == table.end() || size <= 0)
        return 0;
    const std::string& text = found->second;
    size_t length = strnlen(text.c_str(), static_cast<size_t>(size - 1));
    memcpy(out, text.c_str(), length);
    out[length] = '\0';
    return static_cast<int>(length);
}

Table ReadTable(const uint8_t* data, size_t size) {
    Table table;
    std::string all(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos)
            end = all.size();
        std::string line = all.substr(start, end - start);
        start = end + 1;
        size_t space = line.find(' ');
        if (space == std::string::npos || space == 0 || space > 5)
            continue;
        int id = 0;
        bool number = true;
        for (size_t i = 0; i < space; ++i) {
            number = number && line[i] >= '0' && line[i] <= '9';
            id = id * 10 + (line[i] - '0');
        }
        if (number)
            table[id] = line.substr(space + 1);
    }
    return table;
}

void CheckNumber(const std::string& text) {
    std::string digits;
    bool negative = false;
    long long value = 0;
    int16_t expected = 0;
    if (ReferenceDigits(text.c_str(), &digits, &negative))
        expected = ReferenceInRange(digits, negative, INT16_MIN, INT16_MAX, &value)
                       ? static_cast<int16_t>(value)
                       : (negative ? INT16_MIN : INT16_MAX);
    FUZZ_REQUIRE(ReadDecimal(text.c_str()) == expected);
}

void CheckWalk(Table& table, int total, const ManifestLayout& layout) {
    ManifestGroupSpan groups[kMaxManifestGroups];
    memset(groups, 0x55, sizeof groups);
    const int found = WalkManifestGroups(ReadString, &table, total, layout, groups);
    if (found < 0) {
        FUZZ_REQUIRE(found == -1 && total >= 1);
        return;
    }
    FUZZ_REQUIRE(found <= kMaxManifestGroups);
    if (total < 1) {
        FUZZ_REQUIRE(found == 0);
        return;
    }
    int sum = 0;
    for (int k = 0; k < found; ++k) {
        const ManifestGroupSpan& group = groups[k];
        FUZZ_REQUIRE(group.id == kFirstManifestGroupId + k * kManifestGroupStep);
        FUZZ_REQUIRE(group.count == ManifestNumber(ReadString, &table, group.id));
        FUZZ_REQUIRE(group.count >= 0);
        const int lastName = group.id + layout.firstName - 1 + group.count;
        FUZZ_REQUIRE(lastName < group.id + kManifestGroupStep && lastName <= kLastManifestId);
        // The walk stops at the first group that reaches the total.
        FUZZ_REQUIRE(sum < total);
        sum += group.count;
    }
    FUZZ_REQUIRE(sum == total);
    // The 64-bit library's group joins after the walk only with names that stay below the next
    // group and the language blocks.
    const int count = ManifestNumber(ReadString, &table, 620);
    const int lastName = 620 + layout.firstName - 1 + count;
    const bool fits = count >= 1 && lastName < 720 && found < kMaxManifestGroups;
    const int added = AddManifestGroup(ReadString, &table, 620, layout, groups, found);
    FUZZ_REQUIRE(added == found + (fits ? 1 : 0));
    FUZZ_REQUIRE(!fits || (groups[found].id == 620 && groups[found].count == count));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Table table = ReadTable(data, size);
    for (const auto& entry : table)
        CheckNumber(entry.second);
    const int total = ManifestNumber(ReadString, &table, kManifestTotalId);
    const int withDrivers = total + ManifestNumber(ReadString, &table, 520);
    for (int t : {total, withDrivers}) {
        CheckWalk(table, t, {3}); // installation: count, source, destination, names
        CheckWalk(table, t, {2}); // removal: count, directory, names
    }
    return 0;
}
