#include "raw_dde_client.h"

#include <dde.h>

#include <cstring>

namespace {

constexpr char kClientClass[] = "ScanServerTestClient";
bool g_awaiting = false;
InitiateResult g_initiate;

std::string AtomName(ATOM atom) {
    char name[256] = "";
    if (atom)
        GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

LRESULT CALLBACK ClientProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DDE_ACK && g_awaiting) {
        ATOM application = LOWORD(lParam), topic = HIWORD(lParam);
        if (g_initiate.answers++ == 0) {
            g_initiate.server = reinterpret_cast<HWND>(wParam);
            g_initiate.application = AtomName(application);
            g_initiate.topic = AtomName(topic);
        }
        if (application)
            GlobalDeleteAtom(application);
        if (topic)
            GlobalDeleteAtom(topic);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DdeReply Unpack(const MSG& msg) {
    DdeReply reply;
    reply.message = msg.message;
    UINT_PTR low = 0, high = 0;
    if (msg.message != WM_DDE_ACK && msg.message != WM_DDE_DATA)
        return reply;
    UnpackDDElParam(msg.message, msg.lParam, &low, &high);
    FreeDDElParam(msg.message, msg.lParam);
    reply.item = static_cast<unsigned>(high & 0xFFFF);
    if (msg.message == WM_DDE_ACK) {
        reply.status = static_cast<uint16_t>(low);
        return reply;
    }
    HGLOBAL block = reinterpret_cast<HGLOBAL>(low);
    if (block) {
        reply.hasBlock = true;
        if (const uint8_t* data = static_cast<const uint8_t*>(GlobalLock(block))) {
            reply.block.assign(data, data + GlobalSize(block));
            GlobalUnlock(block);
        }
        GlobalFree(block);
    }
    return reply;
}

} // namespace

HWND CreateClientWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ClientProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClientClass;
        registered = RegisterClassA(&windowClass) != 0;
    }
    return CreateWindowExA(0, kClientClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

InitiateResult Initiate(HWND client, const char* application, const char* topic) {
    ATOM applicationAtom = application ? GlobalAddAtomA(application) : 0;
    ATOM topicAtom = topic ? GlobalAddAtomA(topic) : 0;
    g_initiate = InitiateResult{};
    g_awaiting = true;
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client),
                 MAKELPARAM(applicationAtom, topicAtom));
    g_awaiting = false;
    if (applicationAtom)
        GlobalDeleteAtom(applicationAtom);
    if (topicAtom)
        GlobalDeleteAtom(topicAtom);
    return g_initiate;
}

bool PostRequest(HWND client, HWND server, unsigned format, unsigned item) {
    return PostMessageA(server, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(client),
                        MAKELPARAM(format, item)) != 0;
}

DdeReply NextReply(HWND client, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, client, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE))
            return Unpack(msg);
        if (GetTickCount() - start >= timeoutMs)
            return DdeReply{};
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

DdeReply ReplyFor(HWND client, unsigned item, DWORD timeoutMs, std::vector<DdeReply>* others) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs)
            return DdeReply{};
        DdeReply reply = NextReply(client, timeoutMs - spent);
        if (reply.message == 0 || reply.item == item)
            return reply;
        if (others)
            others->push_back(reply);
    }
}

DdeReply Request(HWND client, HWND server, unsigned format, unsigned item) {
    if (!PostRequest(client, server, format, item))
        return DdeReply{};
    return ReplyFor(client, item, kReplyTimeoutMs);
}

DdeReply Poke(HWND client, HWND server, const std::vector<uint8_t>& bytes, unsigned item,
              int* posts) {
    for (;;) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
        if (!block)
            return DdeReply{};
        memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        LPARAM packed = PackDDElParam(WM_DDE_POKE, reinterpret_cast<UINT_PTR>(block), item);
        bool posted = PostMessageA(server, WM_DDE_POKE, reinterpret_cast<WPARAM>(client), packed);
        if (!posted)
            FreeDDElParam(WM_DDE_POKE, packed);
        GlobalFree(block); // the server works on its own copy
        if (!posted)
            return DdeReply{};
        if (posts)
            ++*posts;
        DdeReply reply = ReplyFor(client, item, kReplyTimeoutMs);
        if (!(reply.message == WM_DDE_ACK && (reply.status & kBusy)))
            return reply;
    }
}

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset) {
    if (offset + 2 > bytes.size())
        return 0xDEAD;
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void PutWord(std::vector<uint8_t>* bytes, size_t offset, uint16_t value) {
    if (bytes->size() < offset + 2)
        bytes->resize(offset + 2);
    (*bytes)[offset] = static_cast<uint8_t>(value);
    (*bytes)[offset + 1] = static_cast<uint8_t>(value >> 8);
}
