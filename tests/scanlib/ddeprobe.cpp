// Drives the library's conversation code directly (linked in, not loaded) against the scanning
// server, for the exchanges no export of the frame reaches yet. One result line per command.
//   connect  poke=ITEM  requestack=ITEM  request=ITEM,FORMAT  caps  capsloop=N  pokeloop=N  end
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capability_fetch.h"
#include "client_table.h"
#include "dde_conversation.h"
#include "library_state.h"
#include "server_connect.h"
#include "test_app.h"

namespace {

// Bytes of live blocks on the process heap, where global memory blocks (DDE blocks included)
// are allocated: exact enough to see one lost reply per exchange.
long long HeapBytesInUse() {
    HANDLE heap = GetProcessHeap();
    long long total = 0;
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            total += entry.cbData;
    HeapUnlock(heap);
    return total;
}

// A scan-parameter block as the library pokes it (item 4): a black and white 200 x 100 area.
HGLOBAL NewScanParameterBlock() {
    const auto block = NewOutgoingRecord<ScanParameterBlock>(0, kFormatScanParameters);
    block.record->scanMode = ORV_MODE_BW;
    block.record->area = {0, 0, 200, 100};
    block.record->resolution = 100;
    GlobalUnlock(block.handle);
    return block.handle;
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Data:
        return "data";
    case Outcome::Ack:
        return "ack";
    case Outcome::Nack:
        return "nack";
    case Outcome::Failed:
        return "failed";
    case Outcome::TimedOut:
        return "timeout";
    }
    return "?";
}

bool Run(const Command& command) {
    const std::string& verb = command.verb;
    const char* arg = command.arg;
    if (verb == "connect") {
        if (!OpenOrCreateTable() || !MapTable()) {
            Say("connect table-failed");
            return true;
        }
        g_library.instance = GetModuleHandleA(nullptr);
        Say("connect %d", ConnectToServer(g_library.instance));
    } else if (verb == "poke") {
        HGLOBAL block = NewScanParameterBlock();
        bool ok = PokeItem(block, static_cast<uint16_t>(std::atoi(arg)));
        GlobalFree(block);
        Say("poke %s", ok ? "ok" : "fail");
    } else if (verb == "requestack") {
        Say("requestack %s", RequestAck(0, static_cast<uint16_t>(std::atoi(arg))) ? "ok" : "fail");
    } else if (verb == "request") {
        int item = std::atoi(arg), format = std::atoi(std::strchr(arg, ',') + 1);
        Reply reply = RequestData(static_cast<uint16_t>(format), static_cast<uint16_t>(item));
        size_t size = reply.block ? GlobalSize(reply.block) : 0;
        if (reply.block)
            GlobalFree(reply.block);
        Say("request %s %u", OutcomeName(reply.outcome), static_cast<unsigned>(size));
    } else if (verb == "caps") {
        SayCapabilities(*Capabilities());
    } else if (verb == "capsloop") {
        // Warm up first: the heap settles before the measured run.
        int count = std::atoi(arg);
        for (int i = 0; i < count / 4; ++i)
            FetchCapabilities();
        long long before = HeapBytesInUse();
        for (int i = 0; i < count; ++i)
            FetchCapabilities();
        long long growth = HeapBytesInUse() - before;
        Say("capsloop growth=%lld", growth);
    } else if (verb == "pokeloop") {
        // Pokes pack their lParam; the block itself stays the poker's and is freed here.
        int count = std::atoi(arg);
        auto pokeOnce = [] {
            HGLOBAL block = NewScanParameterBlock();
            bool ok = PokeItem(block, kItemScanParameters);
            GlobalFree(block);
            return ok;
        };
        for (int i = 0; i < count / 4; ++i)
            pokeOnce();
        long long before = HeapBytesInUse();
        int acknowledged = 0;
        for (int i = 0; i < count; ++i)
            acknowledged += pokeOnce() ? 1 : 0;
        Say("pokeloop acked=%d growth=%lld", acknowledged, HeapBytesInUse() - before);
    } else if (verb == "end") {
        EndConversation(ServerMainWindow());
        Say("end");
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    return RunCommandLine(argc, argv, Run, 3000);
}
