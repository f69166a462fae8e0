// The group walk of an installation manifest kept in a string table: the total at string 115,
// group g's count at g, then its directory strings and from g + firstName on its file names;
// groups lie at 120, 220, ... and follow one another until their counts reach the total. The
// installation program and the uninstaller walk their manifests with it. Free of any platform
// call: the strings come through a reader, so the walk can be built and fuzzed natively.
#pragma once
#include <cstdint>

constexpr int kManifestTotalId = 115;
constexpr int kFirstManifestGroupId = 120;
constexpr int kManifestGroupStep = 100;
// Strings from 1000 on belong to the language blocks: no manifest string may reach them.
constexpr int kLastManifestId = 999;
constexpr int kMaxManifestGroups =
    (kLastManifestId - kFirstManifestGroupId) / kManifestGroupStep + 1;

// Copies string id into out (size bytes, cut and ended by a 0 byte); its length, 0 when absent.
using ManifestStringReader = int (*)(void* context, int id, char* out, int size);

// A manifest number: the string read by ReadDecimal, an absent string reads as 0.
int ManifestNumber(ManifestStringReader reader, void* context, int id);

struct ManifestLayout {
    int firstName; // offset of a group's first file name from its id
};

struct ManifestGroupSpan {
    int32_t id;
    int32_t count;
};

// Number of groups from 120 upward whose counts add up to exactly total (0 for a total below 1),
// or -1 when they overshoot it, never reach it, or a group holds a negative count or more names
// than fit before the next group or the language blocks. A count of 0 (or none at all) is an
// empty group: both copy loops pass it and go on with the next.
int WalkManifestGroups(ManifestStringReader reader, void* context, int total,
                       const ManifestLayout& layout,
                       ManifestGroupSpan (&groups)[kMaxManifestGroups]);

// Adds group id, one beyond the total's groups (the library for 64-bit applications), after the
// `found` groups of a walk when it has names and they fit as a walked group's must; returns the
// number of groups then (found as it was for a walk that failed).
int AddManifestGroup(ManifestStringReader reader, void* context, int id,
                     const ManifestLayout& layout, ManifestGroupSpan (&groups)[kMaxManifestGroups],
                     int found);
