// The DDE conversation with the scanning server: a hidden client window, the initiate handshake
// and the exchange primitives (poke, request with acknowledgement, request with data). Items are
// small numbers, not atoms; every wait polls the calling thread's queue every 20 ms.
#pragma once
#include <windows.h>

#include <cstdint>

#include "wire_records.h"

constexpr char kClientWindowClass[] = "ClientDDEWndClass";
constexpr char kClientWindowTitle[] = "ClientDDE";
constexpr char kDdeApplication[] = "Orvane";
constexpr char kDdeTopic[] = "Vellicor";
constexpr char kServerDdeWindowClass[] = "Orvane";
constexpr DWORD kPollMs = 20;
constexpr DWORD kReplyTimeoutMs = 90000;
constexpr DWORD kShutdownPollMs = 500;
// The whole shutdown (close request, wait for the DDE window to go, main window's close) ends
// within this time, however the server behaves.
constexpr DWORD kShutdownLimitMs = 10000;
// Each top-level window gets this long to handle a broadcast (the server's own DDE window, the
// reply time-out for the initiate); a window whose program stopped taking messages is skipped at
// once once the system counts it as hung.
constexpr UINT kBroadcastWindowMs = 3000;

enum class Outcome { Data, Ack, Nack, Failed, TimedOut };

struct Reply {
    Outcome outcome;
    HGLOBAL block; // the data block (Outcome::Data), the library's to unlock or free
};

// A block the library fills for the server: locked, zero until written.
struct OutgoingBlock {
    HGLOBAL handle;
    void* data;
};

// Allocates a zero-filled moveable shared block of `bytes` and locks it; both members are null
// when either step failed (nothing is left allocated). The caller unlocks `handle` when done.
OutgoingBlock NewOutgoingBlock(size_t bytes);

// Whether a received block, locked at `bytes`, carries kBlockRelease: then the library frees it
// once read.
bool CarriesRelease(const uint8_t* bytes, size_t size);

// A wire record in a block of its own, locked, its DDE header written.
template <typename Record> struct OutgoingRecord {
    HGLOBAL handle;
    Record* record;
};
template <typename Record>
OutgoingRecord<Record> NewOutgoingRecord(uint16_t flags, uint16_t format) {
    const OutgoingBlock block = NewOutgoingBlock(sizeof(Record));
    auto* record = static_cast<Record*>(block.data);
    if (record)
        record->header = {flags, format};
    return {block.handle, record};
}

// Registers the client window class with the module that owns the window procedure.
bool RegisterClientWindowClass(HINSTANCE instance);
void UnregisterClientWindowClass(HINSTANCE instance);
// Creates a client window under the parent, destroying this process's earlier one, and performs
// the initiate handshake: 0 or -1002 (the new window destroyed again).
int16_t OpenConversation(HWND parent);
// Clears the mark that a server refused the handshake (only the connect does this).
void ClearRefusalMark();
HWND ClientWindow();
HWND ServerWindow();
// True while this process has a conversation with a server.
inline bool Connected() {
    return ServerWindow() != nullptr;
}
// Sends a message to every top-level window, bounded per window; messages sent to this thread
// (the server's answer to an initiate) are handled during the wait.
void BroadcastBounded(UINT message, WPARAM wParam, LPARAM lParam);
// Poke the block under the item; an answer with fBusy re-posts the same block. True on fAck.
// `posted` tells whether the block reached the server at all: one that never did is still the
// caller's to free.
bool PokeItem(HGLOBAL block, uint16_t item, bool* posted = nullptr);
// Pokes an unlocked block carrying kBlockRelease, which the server frees once it has it; one that
// never reached the server is freed here. True on fAck.
bool PokeReleasedBlock(HGLOBAL block, uint16_t item);
// Posts a request and does not wait: for a client whose conversation window is gone, which no
// answer can reach. True when it was posted.
bool PostRequestUnanswered(uint16_t format, uint16_t item);
// Request answered by an acknowledgement: true on fAck.
bool RequestAck(uint16_t format, uint16_t item);
// Request answered by a data message (the block) or an acknowledgement (Ack or Nack).
Reply RequestData(uint16_t format, uint16_t item);
// Drains the thread's queue, dispatching; returns 1 when the wanted message was met and removed.
int PumpMessages(UINT wanted);
// Closes the server (WM_CLOSE to its DDE window, wait for it to go, all within kShutdownLimitMs)
// and destroys this process's client window; the table's conversation window and the main window
// are closed too.
void EndConversation(HWND serverMainWindow);
// Destroys this process's client window without ending the conversation.
void DestroyClientWindow();
