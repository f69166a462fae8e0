#include "dde_conversation.h"

#include <dde.h>

#include <cstring>

#include "client_table.h"
#include "wait_clock.h"

namespace {

HINSTANCE g_instance = nullptr;
HWND g_clientWindow = nullptr;
HWND g_serverWindow = nullptr;
bool g_awaitingInitiate = false;
bool g_refused = false;

// A DDE message taken off the queue, its lParam already released.
struct Incoming {
    UINT message;
    UINT_PTR low; // status word of an ack, block of a data message
    uint16_t item;
};

// A data block handed over with fRelease is ours to free once nobody takes it, or it would be
// lost.
void FreeUnclaimedBlock(UINT message, UINT_PTR low) {
    if (message != WM_DDE_DATA || !low)
        return;
    HGLOBAL block = reinterpret_cast<HGLOBAL>(low);
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    if (!bytes)
        return;
    const bool release = CarriesRelease(bytes, GlobalSize(block));
    GlobalUnlock(block);
    if (release)
        GlobalFree(block);
}

// Opens a posted DDE message's lParam and releases it.
Incoming UnpackDdeMessage(UINT message, LPARAM lParam) {
    UINT_PTR low = 0, high = 0;
    UnpackDDElParam(message, lParam, &low, &high);
    FreeDDElParam(message, lParam);
    return {message, low, static_cast<uint16_t>(high)};
}

LRESULT CALLBACK ClientWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Posted answers dispatched here (by PumpMessages or the application's own loop) came after
    // their exchange ended: released as a wait releases what it drops.
    if (message == WM_DDE_DATA || (message == WM_DDE_ACK && !InSendMessage())) {
        const Incoming late = UnpackDdeMessage(message, lParam);
        FreeUnclaimedBlock(late.message, late.low);
        return 0;
    }
    if (message != WM_DDE_ACK)
        return DefWindowProcA(window, message, wParam, lParam);
    // The answer to an initiate is sent, not posted: its lParam holds two plain atoms, which the
    // answering server added for us to delete, whether or not the answer is taken.
    ATOM application = LOWORD(lParam), topic = HIWORD(lParam);
    char name[80] = "";
    GlobalGetAtomNameA(application, name, sizeof name);
    if (g_awaitingInitiate && std::strcmp(name, kDdeApplication) == 0) {
        g_serverWindow = reinterpret_cast<HWND>(wParam);
        if (topic != 0)
            g_refused = true;
        g_awaitingInitiate = false;
    }
    if (topic != 0)
        GlobalDeleteAtom(topic);
    GlobalDeleteAtom(application);
    return 0;
}

// One step of every wait: sleep a poll interval, let sent messages in, take one DDE message if any.
bool PollForDdeMessage(Incoming* incoming) {
    Sleep(kPollMs);
    MSG msg;
    PeekMessageA(&msg, g_clientWindow, WM_MOUSEFIRST, 0x209, PM_NOREMOVE);
    PeekMessageA(&msg, g_clientWindow, WM_KEYFIRST, 0x108, PM_NOREMOVE);
    if (!PeekMessageA(&msg, g_clientWindow, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE))
        return false;
    // Wine may hand back a garbage message after losing an oversized block.
    if (msg.message < WM_DDE_FIRST || msg.message > WM_DDE_LAST)
        return false;
    *incoming = UnpackDdeMessage(msg.message, msg.lParam);
    return true;
}

bool PostPoke(HGLOBAL block, uint16_t item) {
    LPARAM lParam = PackDDElParam(WM_DDE_POKE, reinterpret_cast<UINT_PTR>(block), item);
    if (PostMessageA(g_serverWindow, WM_DDE_POKE, reinterpret_cast<WPARAM>(g_clientWindow), lParam))
        return true;
    FreeDDElParam(WM_DDE_POKE, lParam);
    return false;
}

bool PostRequest(uint16_t format, uint16_t item) {
    return PostMessageA(g_serverWindow, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(g_clientWindow),
                        MAKELPARAM(format, item)) != 0;
}

// Waits for the answer under the item. With a poke block, a busy answer re-posts it; with
// dataWanted a data message ends the wait with its block.
Reply AwaitAnswer(uint16_t item, bool dataWanted, HGLOBAL pokeBlock) {
    const Deadline reply = DeadlineIn(kReplyTimeoutMs);
    for (;;) {
        Incoming incoming;
        if (PollForDdeMessage(&incoming)) {
            if (incoming.item != item) {
                FreeUnclaimedBlock(incoming.message, incoming.low);
            } else if (incoming.message == WM_DDE_DATA && dataWanted) {
                return {Outcome::Data, reinterpret_cast<HGLOBAL>(incoming.low)};
            } else if (incoming.message == WM_DDE_ACK) {
                uint16_t status = static_cast<uint16_t>(incoming.low);
                if (status & kAckPositive)
                    return {Outcome::Ack, nullptr};
                if (!(pokeBlock && (status & kAckBusy)))
                    return {Outcome::Nack, nullptr};
                if (!PostPoke(pokeBlock, item))
                    return {Outcome::Failed, nullptr};
            } else {
                FreeUnclaimedBlock(incoming.message, incoming.low);
            }
        } else if (!IsWindow(g_serverWindow) || !IsWindow(g_clientWindow)) {
            // No answer can come: the server ended (or was killed) before answering, or the
            // client window it answers to is gone (with the application's window, perhaps
            // destroyed by a message the peeks delivered). Checked only with the queue empty,
            // since an answer posted just before the server ended still waits there.
            return {Outcome::Failed, nullptr};
        }
        if (TimeLeft(reply) == 0)
            return {Outcome::TimedOut, nullptr};
    }
}

} // namespace

bool RegisterClientWindowClass(HINSTANCE instance) {
    g_instance = instance;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ClientWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClientWindowClass;
    return RegisterClassA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void UnregisterClientWindowClass(HINSTANCE instance) {
    UnregisterClassA(kClientWindowClass, instance);
}

void ClearRefusalMark() {
    g_refused = false;
}

HWND ClientWindow() {
    return g_clientWindow;
}
HWND ServerWindow() {
    return g_serverWindow;
}

namespace {

struct Initiate {
    WPARAM clientWindow;
    LPARAM atoms;
};

// Sends the initiate to one top-level window, as a broadcast would. The server's DDE window is
// waited for as long as any exchange, so a server busy for a few seconds still answers; any other
// window gets the bounded time of a broadcast, so one that stopped taking messages costs seconds.
BOOL CALLBACK SendInitiate(HWND window, LPARAM param) {
    const auto* initiate = reinterpret_cast<const Initiate*>(param);
    char className[sizeof kServerDdeWindowClass + 1] = "";
    GetClassNameA(window, className, sizeof className);
    const bool server = lstrcmpiA(className, kServerDdeWindowClass) == 0;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_DDE_INITIATE, initiate->clientWindow, initiate->atoms,
                        server ? SMTO_NORMAL : SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        server ? kReplyTimeoutMs : kBroadcastWindowMs, &ignored);
    return TRUE;
}

} // namespace

int16_t OpenConversation(HWND parent) {
    // One client window per process: the earlier one, and the conversation it carried, go first.
    DestroyClientWindow();
    // A child of another process's window is created without waiting for that process's thread
    // only when it does not notify its parent.
    g_clientWindow = CreateWindowExA(WS_EX_NOPARENTNOTIFY, kClientWindowClass, kClientWindowTitle,
                                     WS_CHILD, 0, 0, 0, 0, parent, nullptr, g_instance, nullptr);
    if (!g_clientWindow)
        return ORV_ERR_NO_CONVERSATION;
    ATOM application = GlobalAddAtomA(kDdeApplication);
    ATOM topic = GlobalAddAtomA(kDdeTopic);
    g_awaitingInitiate = true;
    g_serverWindow = nullptr;
    const Initiate initiate{reinterpret_cast<WPARAM>(g_clientWindow),
                            static_cast<LPARAM>(MAKELPARAM(application, topic))};
    EnumWindows(SendInitiate, reinterpret_cast<LPARAM>(&initiate));
    g_awaitingInitiate = false;
    // Every server answering has added its own atoms; ours are released once the sends are over.
    GlobalDeleteAtom(application);
    GlobalDeleteAtom(topic);
    if (!g_serverWindow || g_refused) {
        // No conversation: the window would only be left behind.
        DestroyClientWindow();
        return ORV_ERR_NO_CONVERSATION;
    }
    return ORV_OK;
}

namespace {

// The answers go to the client window: with that window gone (it is a child of the application's
// window) no exchange can finish, so none is started.
bool CanExchange() {
    return g_serverWindow && IsWindow(g_clientWindow);
}

} // namespace

OutgoingBlock NewOutgoingBlock(size_t bytes) {
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, bytes);
    void* data = handle ? GlobalLock(handle) : nullptr;
    if (!data) {
        if (handle)
            GlobalFree(handle);
        return {nullptr, nullptr};
    }
    return {handle, data};
}

bool CarriesRelease(const uint8_t* bytes, size_t size) {
    return (RecordFrom<DdeBlockHeader>(bytes, size).flags & kBlockRelease) != 0;
}

void BroadcastBounded(UINT message, WPARAM wParam, LPARAM lParam) {
    // One window that stops taking messages would otherwise hold every load in the session.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kBroadcastWindowMs, &ignored);
}

bool PokeItem(HGLOBAL block, uint16_t item, bool* posted) {
    const bool sent = CanExchange() && PostPoke(block, item);
    if (posted)
        *posted = sent;
    if (!sent)
        return false;
    return AwaitAnswer(item, false, block).outcome == Outcome::Ack;
}

bool PokeReleasedBlock(HGLOBAL block, uint16_t item) {
    // A block that never reached the server is still ours; once posted it is the server's.
    bool posted = false;
    const bool taken = PokeItem(block, item, &posted);
    if (!posted)
        GlobalFree(block);
    return taken;
}

bool PostRequestUnanswered(uint16_t format, uint16_t item) {
    return g_serverWindow && IsWindow(g_serverWindow) && PostRequest(format, item);
}

bool RequestAck(uint16_t format, uint16_t item) {
    if (!CanExchange() || !PostRequest(format, item))
        return false;
    return AwaitAnswer(item, false, nullptr).outcome == Outcome::Ack;
}

Reply RequestData(uint16_t format, uint16_t item) {
    if (!CanExchange() || !PostRequest(format, item))
        return {Outcome::Failed, nullptr};
    // Any acknowledgement ends it without data; the line transfer tells positive (the page was
    // cancelled) from negative.
    return AwaitAnswer(item, true, nullptr);
}

int PumpMessages(UINT wanted) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == wanted) {
            PeekMessageA(&msg, nullptr, wanted, wanted, PM_REMOVE);
            return 1;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            // A quit message is the application's to see: put it back and stop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return 0;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void DestroyClientWindow() {
    if (g_clientWindow && IsWindow(g_clientWindow))
        DestroyWindow(g_clientWindow);
    g_clientWindow = nullptr;
}

void EndConversation(HWND serverMainWindow) {
    // Bounded as a whole: a server that hangs must not hold the unloading process forever.
    const Deadline shutdown = DeadlineIn(kShutdownLimitMs);
    // Without a conversation no close was asked, so there is nothing to wait for.
    DWORD_PTR ignored = 0;
    bool closeSent =
        g_serverWindow && SendMessageTimeoutA(g_serverWindow, WM_CLOSE, 0, 0, SMTO_NORMAL,
                                              TimeLeft(shutdown), &ignored);
    while (closeSent && FindWindowA(kServerDdeWindowClass, "") && TimeLeft(shutdown) > 0) {
        PumpMessages(WM_NULL);
        const uint32_t left = TimeLeft(shutdown);
        Sleep(kShutdownPollMs < left ? kShutdownPollMs : left);
    }
    g_serverWindow = nullptr;
    DestroyClientWindow();
    const HWND recorded = ConversationWindow(TableLock{});
    if (recorded && IsWindow(recorded))
        DestroyWindow(recorded);
    if (!serverMainWindow || !IsWindow(serverMainWindow))
        return;
    // With no time left the close is posted: the server still ends, nobody waits for it.
    const uint32_t left = TimeLeft(shutdown);
    if (left > 0)
        SendMessageTimeoutA(serverMainWindow, WM_CLOSE, 0, 0, SMTO_NORMAL, left, &ignored);
    else
        PostMessageA(serverMainWindow, WM_CLOSE, 0, 0);
}
