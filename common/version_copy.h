// Installing one file from the distribution: expand (or copy) it to its destination unless the
// installed file's product version is the same or newer; and the product-version queries.
#pragma once
#include <windows.h>

#include <cstdint>

struct ProductVersion {
    uint16_t major;
    uint16_t minor;
};

// Reads the product version (major, minor) from the file's version resource. Returns 0, or -1
// when the file has no readable version resource.
int16_t GetFileProductVersion(const char* path, ProductVersion* version);

// True when the source should replace the destination: either version cannot be read, or the
// source's (major, minor) is greater.
bool IsSourceNewer(const char* sourcePath, const char* destinationPath);

// Expands or copies `sourcePath` to `destinationPath` unless the destination exists with the same
// or a newer product version, or is the source itself however named. An older destination is
// deleted only once the source is open. When `dialog` is given, its items `sourceItem` and
// `destinationItem` show the two paths just before the data moves. Returns 0 when the file was
// copied or an installed file was kept, -1 when nothing could be copied.
int16_t CopyIfNewer(HWND dialog, int sourceItem, int destinationItem, const char* sourcePath,
                    const char* destinationPath);
