// A bare DDE client for talking to the scanning server in tests: a hidden window, the
// initiate broadcast, requests and pokes with item numbers, and every reply unpacked, copied
// and freed (Wine hands the receiver its own copy of each block).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct DdeReply {
    UINT message = 0; // WM_DDE_ACK or WM_DDE_DATA; 0 when nothing came in time
    unsigned item = 0;
    uint16_t status = 0;        // acknowledgement status word
    bool hasBlock = false;      // a data message carried a block
    std::vector<uint8_t> block; // its bytes, header included
};

struct InitiateResult {
    int answers = 0; // acknowledgements received during the broadcast
    HWND server = nullptr;
    std::string application; // atom names of the first answer ("" for atom 0)
    std::string topic;
};

HWND CreateClientWindow();
InitiateResult Initiate(HWND client, const char* application, const char* topic);

bool PostRequest(HWND client, HWND server, unsigned format, unsigned item);
// Next DDE message for the client window, whatever its item.
DdeReply NextReply(HWND client, DWORD timeoutMs);
// Next reply for `item`; replies for other items are kept in `others` when given.
DdeReply ReplyFor(HWND client, unsigned item, DWORD timeoutMs,
                  std::vector<DdeReply>* others = nullptr);
DdeReply Request(HWND client, HWND server, unsigned format, unsigned item);
// Posts the block as a poke and waits for the answer; a busy answer posts it again (counted
// in `posts` when given).
DdeReply Poke(HWND client, HWND server, const std::vector<uint8_t>& block, unsigned item,
              int* posts = nullptr);

uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset);
void PutWord(std::vector<uint8_t>* bytes, size_t offset, uint16_t value);

constexpr uint16_t kAck = 0x8000, kBusy = 0x4000, kRelease = 0x2000, kResponse = 0x1000,
                   kAckReq = 0x8000;
constexpr DWORD kReplyTimeoutMs = 10000;
