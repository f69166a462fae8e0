// The shared client table as another test program sees it: in one result line, or held by a
// test across a run of clients.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>

#include "probe_output.h"
#include "table_memory.h"

// "table counter=N count=N ids=a,b" and what details(view) adds from the mapped table; "table
// none" while no process has the table.
template <typename Details> void SayTable(Details details) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kTableName);
    if (!mapping) {
        Say("table none");
        return;
    }
    auto* view =
        static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kTableSize));
    auto* header = reinterpret_cast<const TableHeader*>(view);
    std::string ids;
    for (int i = 0; i < header->entryCount && i < kMaxClients; ++i) {
        auto* entry =
            reinterpret_cast<const ClientEntry*>(view + kEntriesOffset + kEntryStride * i);
        ids += (i ? "," : "") + std::to_string(entry->clientId);
    }
    const std::string more = details(view);
    Say("table counter=%d count=%d ids=%s%s", header->idCounter, header->entryCount, ids.c_str(),
        more.c_str());
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

// A table a test makes before any client and keeps mapped, so it can be read after the last
// client has gone. fresh: no process had one before (a run that left one would skew the ids).
struct HeldTable {
    HANDLE mapping = nullptr;
    const uint8_t* view = nullptr;
    bool fresh = false;
};

inline HeldTable HoldTable() {
    HeldTable held;
    held.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kTableSize,
                                      kTableName);
    held.fresh = held.mapping && GetLastError() != ERROR_ALREADY_EXISTS;
    if (held.mapping)
        held.view = static_cast<const uint8_t*>(
            MapViewOfFile(held.mapping, FILE_MAP_READ, 0, 0, kTableSize));
    return held;
}

inline TableHeader HeldTableHeader(const HeldTable& held) {
    TableHeader header{};
    std::memcpy(&header, held.view, sizeof header);
    return header;
}

inline void ReleaseTable(const HeldTable& held) {
    if (held.view)
        UnmapViewOfFile(held.view);
    if (held.mapping)
        CloseHandle(held.mapping);
}
