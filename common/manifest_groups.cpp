#include "manifest_groups.h"

#include "decimal_text.h"

int ManifestNumber(ManifestStringReader reader, void* context, int id) {
    char text[32];
    if (reader(context, id, text, sizeof text) <= 0)
        return 0;
    return ReadDecimal(text);
}

namespace {

bool GroupFits(int id, int count, const ManifestLayout& layout) {
    const int lastName = id + layout.firstName - 1 + count;
    return count >= 0 && lastName < id + kManifestGroupStep && lastName <= kLastManifestId;
}

} // namespace

int WalkManifestGroups(ManifestStringReader reader, void* context, int total,
                       const ManifestLayout& layout,
                       ManifestGroupSpan (&groups)[kMaxManifestGroups]) {
    if (total < 1)
        return 0;
    int sum = 0;
    int found = 0;
    for (int id = kFirstManifestGroupId; sum < total; id += kManifestGroupStep) {
        if (found == kMaxManifestGroups)
            return -1;
        const int count = ManifestNumber(reader, context, id);
        if (!GroupFits(id, count, layout))
            return -1;
        groups[found++] = {id, count};
        sum += count;
    }
    return sum == total ? found : -1;
}

int AddManifestGroup(ManifestStringReader reader, void* context, int id,
                     const ManifestLayout& layout, ManifestGroupSpan (&groups)[kMaxManifestGroups],
                     int found) {
    const int count = ManifestNumber(reader, context, id);
    if (found < 0 || found == kMaxManifestGroups || count < 1 || !GroupFits(id, count, layout))
        return found;
    groups[found] = {id, count};
    return found + 1;
}
