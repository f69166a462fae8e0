#include "process_probe.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstring>

DWORD ProcessIdNamed(const char* imageName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, imageName) == 0)
            found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

namespace {

struct WindowCount {
    DWORD processId;
    int count;
    std::string classes;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param) {
    auto* counting = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counting->processId) {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        counting->classes += (counting->count++ ? "," : "") + std::string(name);
    }
    return TRUE;
}

// Child windows may belong to another process than their parent (the library's DDE window lives
// under the server's window at first), so every top-level window's descendants are looked at.
BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
    CountChild(window, param);
    EnumChildWindows(window, CountChild, param);
    return TRUE;
}

} // namespace

bool ReadFootprint(DWORD processId, ProcessFootprint* footprint) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return false;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    const bool read = GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    CloseHandle(process);
    if (!read)
        return false;
    footprint->privateBytes = counters.PrivateUsage;
    footprint->pagefileBytes = counters.PagefileUsage;
    WindowCount counting{processId, 0, {}};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&counting));
    footprint->windows = counting.count;
    footprint->classes = counting.classes;
    return true;
}

std::vector<std::string> GlobalAtomNames() {
    std::vector<std::string> names;
    char name[256];
    for (unsigned atom = 0xC000; atom <= 0xFFFF; ++atom)
        if (GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name) > 0)
            names.push_back(std::to_string(atom) + ":" + name);
    return names;
}
