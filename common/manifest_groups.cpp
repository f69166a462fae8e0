#include "manifest_groups.h"

#include "decimal_text.h"

int ManifestNumber(ManifestStringReader reader, void* context, int id) {
    char text[32];
    if (reader(context, id, text, sizeof text) <= 0)
        return 0;
    return ReadDecimal(text);
}

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
        const int lastName = id + layout.firstName - 1 + count;
        if (count < 0 || lastName >= id + kManifestGroupStep || lastName > kLastManifestId)
            return -1;
        groups[found++] = {id, count};
        sum += count;
    }
    return sum == total ? found : -1;
}
