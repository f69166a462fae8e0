// The shared client table as another test program sees it, in one result line.
#pragma once
#include <windows.h>

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
