// What a Wine prefix holds at one moment, for before/after comparisons: every file and directory
// of a drive with its size and last write time, and every value below registry keys with its
// type and data.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct FileState {
    std::string path; // as the file system spells it
    bool directory = false;
    uint64_t size = 0;
    uint64_t written = 0;
};
struct RegistryState {
    std::string path; // root\key\value ("(default)" for the unnamed value)
    DWORD type = 0;
    std::string data;
};

// Keys are upper-cased paths: the file system and the registry compare names without case.
struct Snapshot {
    std::map<std::string, FileState> files;
    std::map<std::string, RegistryState> values;
};

// Every file and directory below `root` (ending in "\"), skipping the directories in `skip`.
void SnapshotFiles(const std::string& root, const std::vector<std::string>& skip, Snapshot* out);
// Every value below a registry key; `name` is how paths below it are spelt.
void SnapshotRegistry(HKEY root, const char* key, const std::string& name, Snapshot* out);

struct Difference {
    std::vector<std::string> added;     // paths present only afterwards
    std::vector<std::string> removed;   // paths present only before
    std::vector<std::string> rewritten; // files or values whose size, time or data changed
};
Difference CompareFiles(const Snapshot& before, const Snapshot& after);
Difference CompareRegistry(const Snapshot& before, const Snapshot& after);
// A readable report of a difference under a heading.
std::string DescribeDifference(const char* heading, const Difference& difference);
