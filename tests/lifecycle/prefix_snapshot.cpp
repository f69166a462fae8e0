#include "prefix_snapshot.h"

#include <algorithm>

#include "harness.h"

namespace {

std::string Upper(std::string text) {
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

uint64_t Join(DWORD high, DWORD low) {
    return static_cast<uint64_t>(high) << 32 | low;
}

void ListDirectory(const std::string& dir, const std::vector<std::string>& skip, Snapshot* out) {
    ForEachDirectoryEntry(dir, [&](const WIN32_FIND_DATAA& found) {
        FileState state;
        state.directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        state.path = dir + found.cFileName + (state.directory ? "\\" : "");
        if (state.directory && std::find(skip.begin(), skip.end(), Upper(state.path)) != skip.end())
            return;
        if (!state.directory) {
            state.size = Join(found.nFileSizeHigh, found.nFileSizeLow);
            state.written =
                Join(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime);
        }
        out->files[Upper(state.path)] = state;
        // Reparse points (links the prefix makes to the Unix side) are not followed.
        if (state.directory && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ListDirectory(state.path, skip, out);
    });
}

} // namespace

void SnapshotFiles(const std::string& root, const std::vector<std::string>& skip, Snapshot* out) {
    std::vector<std::string> upperSkip;
    for (const std::string& dir : skip)
        upperSkip.push_back(Upper(dir));
    ListDirectory(root, upperSkip, out);
}

void SnapshotRegistry(HKEY root, const char* key, const std::string& name, Snapshot* out) {
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return;
    std::string prefix = name + "\\";
    RegistryState keyState;
    keyState.path = prefix;
    out->values[Upper(prefix)] = keyState; // the key itself, so empty keys count too
    for (DWORD i = 0;; ++i) {
        char valueName[16384];
        DWORD nameLength = sizeof valueName;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(handle, i, valueName, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameLength = sizeof valueName;
        RegEnumValueA(handle, i, valueName, &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(&data[0]), &size);
        data.resize(size);
        RegistryState state;
        state.path = prefix + (valueName[0] ? valueName : "(default)");
        state.type = type;
        state.data = data;
        out->values[Upper(state.path)] = state;
    }
    for (DWORD i = 0;; ++i) {
        char subkey[256];
        DWORD length = sizeof subkey;
        if (RegEnumKeyExA(handle, i, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        std::string path = std::string(key) + (key[0] ? "\\" : "") + subkey;
        SnapshotRegistry(root, path.c_str(), prefix + subkey, out);
    }
    RegCloseKey(handle);
}

namespace {

template <typename State, typename Same>
Difference Compare(const std::map<std::string, State>& before,
                   const std::map<std::string, State>& after, Same same) {
    Difference difference;
    for (const auto& [key, state] : after) {
        auto old = before.find(key);
        if (old == before.end())
            difference.added.push_back(state.path);
        else if (!same(old->second, state))
            difference.rewritten.push_back(state.path);
    }
    for (const auto& [key, state] : before)
        if (!after.count(key))
            difference.removed.push_back(state.path);
    return difference;
}

} // namespace

Difference CompareFiles(const Snapshot& before, const Snapshot& after) {
    return Compare(before.files, after.files, [](const FileState& a, const FileState& b) {
        return a.directory == b.directory && a.size == b.size && a.written == b.written;
    });
}

Difference CompareRegistry(const Snapshot& before, const Snapshot& after) {
    return Compare(before.values, after.values, [](const RegistryState& a, const RegistryState& b) {
        return a.type == b.type && a.data == b.data;
    });
}

std::string DescribeDifference(const char* heading, const Difference& difference) {
    std::string text = std::string(heading) + "\n";
    const std::pair<const char*, const std::vector<std::string>*> parts[] = {
        {"  + ", &difference.added},
        {"  - ", &difference.removed},
        {"  ~ ", &difference.rewritten}};
    for (const auto& [mark, paths] : parts)
        for (const std::string& path : *paths)
            text += mark + path + "\n";
    if (difference.added.empty() && difference.removed.empty() && difference.rewritten.empty())
        text += "  (no difference)\n";
    return text;
}
