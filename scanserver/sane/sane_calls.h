// The SANE network calls on saned's control connection, one request at a time (saned drops
// requests sent back to back). Each call answers a SaneStatus: SANE's own, or kSaneNetFailed /
// kSaneBadReply when the answer never came or did not parse; after either the session is closed
// and only SaneEnd is left to call. Replies asking for authorization are answered here (saned's
// MD5 scheme) with the session's user and password, then read again.
#pragma once
#include "sane_socket.h"
#include "sane_wire.h"

#include <vector>

constexpr size_t kCredentialChars = 128;
constexpr size_t kControlBufferBytes = 16 * 1024;

struct SaneSession {
    SOCKET control = INVALID_SOCKET;
    sockaddr_in peer;
    Deadline deadline; // of the current server item: every wait of every call ends by then
    char user[kCredentialChars];
    char password[kCredentialChars];
    uint32_t handle;
    bool deviceOpen;
    // Received but not yet decoded bytes of the control connection.
    uint8_t buffer[kControlBufferBytes];
    size_t bufferStart, bufferEnd;
};

// Connects (within `connectMs`) and sends INIT with the user name; the session starts closed
// on failure.
int SaneConnect(SaneSession& session, const char* host, uint16_t port, uint32_t connectMs);
int SaneGetDevices(SaneSession& session, DeviceList* list);
int SaneOpen(SaneSession& session, const char* device);
int SaneGetOptions(SaneSession& session, std::vector<OptionDescriptor>* options);
// GET or SET one option; `value` is sent and the reply's value comes back in `reply`.
int SaneControlOption(SaneSession& session, int option, SaneAction action, const OptionValue& value,
                      ControlReply* reply);
int SaneGetParameters(SaneSession& session, SaneParameters* parameters);
// START: the data connection's port and the byte order of 16-bit samples (0x1234 little endian).
int SaneStart(SaneSession& session, uint16_t* port, uint32_t* byteOrder);
int SaneCancel(SaneSession& session);
// CLOSE the device if open, EXIT, and drop the connection; always leaves the session closed.
void SaneEnd(SaneSession& session);
bool SaneConnected(const SaneSession& session);
