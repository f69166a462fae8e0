#include "sane_calls.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstring>

namespace {

// The user name sent with INIT when the settings name none.
constexpr char kDefaultUser[] = "orvane";
// CLOSE and EXIT on the way out wait this long at most.
constexpr uint32_t kGoodbyeMs = 2000;

bool ReadControl(void* context, uint8_t* bytes, size_t count) {
    SaneSession& s = *static_cast<SaneSession*>(context);
    while (count > 0) {
        if (s.bufferStart == s.bufferEnd) {
            s.bufferStart = 0;
            s.bufferEnd = ReceiveSome(s.control, s.buffer, sizeof s.buffer, s.deadline);
            if (s.bufferEnd == 0)
                return false;
        }
        size_t chunk = s.bufferEnd - s.bufferStart;
        if (chunk > count)
            chunk = count;
        memcpy(bytes, s.buffer + s.bufferStart, chunk);
        s.bufferStart += chunk;
        bytes += chunk;
        count -= chunk;
    }
    return true;
}

WireReader ControlReader(SaneSession& session) {
    return WireReader{ReadControl, &session, false};
}

void CloseControlConnection(SaneSession& session) {
    CloseSocket(session.control);
    session.deviceOpen = false;
    session.bufferStart = session.bufferEnd = 0;
}

// Sends a request; false (and the connection closed) when it could not go out.
bool Send(SaneSession& session, const WireRequest& request) {
    if (session.control == INVALID_SOCKET || request.overflow ||
        !SendAll(session.control, request.bytes, request.size, session.deadline)) {
        CloseControlConnection(session);
        return false;
    }
    return true;
}

// Sends a call whose only argument is the device handle.
bool SendHandleCall(SaneSession& session, SaneProcedure procedure) {
    WireRequest request;
    BeginRequest(request, procedure);
    PutWord(request, session.handle);
    return Send(session, request);
}

// The status of a call whose reply was read: SANE's, or bad/failed transport.
int ReplyStatus(SaneSession& session, WireReader& reader, bool parsed, int32_t status) {
    if (parsed && status >= kSaneGood && status <= kSaneAccessDenied)
        return status;
    if (parsed) { // a status SANE does not have: not saned speaking
        CloseControlConnection(session);
        return kSaneBadReply;
    }
    bool lost = reader.failed && session.bufferStart == session.bufferEnd;
    CloseControlConnection(session);
    return lost ? kSaneNetFailed : kSaneBadReply;
}

// saned's MD5 scheme: a resource "name$MD5$salt" wants "$MD5$" and the hex MD5 of salt
// followed by the password; any other resource gets the password as it stands.
void AuthorizationPassword(const char* resource, const char* password, char* out, size_t size) {
    const char* salt = strstr(resource, "$MD5$");
    snprintf(out, size, "%s", password);
    if (!salt)
        return;
    char text[2 * kNameChars + kCredentialChars];
    int length = snprintf(text, sizeof text, "%s%s", salt + 5, password);
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[16];
    DWORD digestSize = sizeof digest;
    bool done =
        CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(length), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &digestSize, 0);
    if (hash)
        CryptDestroyHash(hash);
    if (provider)
        CryptReleaseContext(provider, 0);
    if (!done) {
        out[0] = '\0'; // no digest: an empty password, which saned refuses
        return;
    }
    int written = snprintf(out, size, "$MD5$");
    for (int i = 0; i < 16 && written + 2 < static_cast<int>(size); ++i, written += 2)
        snprintf(out + written, size - written, "%02x", digest[i]);
}

// AUTHORIZE for `resource`; saned answers with one dummy word and then the reply of the call
// that asked, which the caller reads again.
bool Authorize(SaneSession& session, const char* resource) {
    char password[2 * 16 + 8 + kCredentialChars];
    AuthorizationPassword(resource, session.password, password, sizeof password);
    WireRequest request;
    BeginRequest(request, kSaneAuthorize);
    PutString(request, resource);
    PutString(request, session.user);
    PutString(request, password);
    if (!Send(session, request))
        return false;
    WireReader reader = ControlReader(session);
    GetWord(reader);
    if (reader.failed)
        CloseControlConnection(session);
    return !reader.failed;
}

// Reads a reply that may ask for authorization, authorizing as often as saned asks.
int ResourceCall(SaneSession& session, bool (*decode)(WireReader&, ResourceReply*),
                 ResourceReply* reply) {
    for (int round = 0; round < 4; ++round) {
        WireReader reader = ControlReader(session);
        bool parsed = decode(reader, reply);
        if (!parsed || !reply->needsAuthorization)
            return ReplyStatus(session, reader, parsed, reply->status);
        if (!Authorize(session, reply->resource))
            return kSaneNetFailed;
    }
    CloseControlConnection(session);
    return kSaneAccessDenied;
}

} // namespace

bool SaneConnected(const SaneSession& session) {
    return session.control != INVALID_SOCKET;
}

int SaneConnect(SaneSession& session, const char* host, uint16_t port, uint32_t connectMs) {
    session.deviceOpen = false;
    session.bufferStart = session.bufferEnd = 0;
    session.control = ConnectTcp(host, port, connectMs, session.deadline, &session.peer);
    if (session.control == INVALID_SOCKET)
        return kSaneNetFailed;
    WireRequest request;
    BeginRequest(request, kSaneInit);
    PutWord(request, kSaneVersionCode);
    PutString(request, session.user[0] ? session.user : kDefaultUser);
    if (!Send(session, request))
        return kSaneNetFailed;
    WireReader reader = ControlReader(session);
    int32_t status = static_cast<int32_t>(GetWord(reader));
    uint32_t version = GetWord(reader);
    // saned answers a host it does not serve with ACCESS_DENIED; only SANE 1 is spoken.
    if (!reader.failed && status == kSaneGood && version >> 24 != 1)
        status = kSaneBadReply;
    int result = ReplyStatus(session, reader, !reader.failed, status);
    if (result != kSaneGood)
        CloseControlConnection(session);
    return result;
}

int SaneGetDevices(SaneSession& session, DeviceList* list) {
    WireRequest request;
    BeginRequest(request, kSaneGetDevices);
    if (!Send(session, request))
        return kSaneNetFailed;
    WireReader reader = ControlReader(session);
    int32_t status = kSaneGood;
    bool parsed = DecodeDeviceList(reader, &status, list);
    return ReplyStatus(session, reader, parsed, status);
}

int SaneOpen(SaneSession& session, const char* device) {
    WireRequest request;
    BeginRequest(request, kSaneOpen);
    PutString(request, device);
    if (!Send(session, request))
        return kSaneNetFailed;
    ResourceReply reply;
    int status = ResourceCall(session, DecodeOpenReply, &reply);
    if (status == kSaneGood) {
        session.handle = reply.word1;
        session.deviceOpen = true;
    }
    return status;
}

int SaneGetOptions(SaneSession& session, std::vector<OptionDescriptor>* options) {
    if (!SendHandleCall(session, kSaneGetOptionDescriptors))
        return kSaneNetFailed;
    WireReader reader = ControlReader(session);
    bool parsed = DecodeOptionDescriptors(reader, options);
    return ReplyStatus(session, reader, parsed, kSaneGood);
}

int SaneControlOption(SaneSession& session, int option, SaneAction action, const OptionValue& value,
                      ControlReply* reply) {
    WireRequest request;
    BeginRequest(request, kSaneControlOption);
    PutWord(request, session.handle);
    PutWord(request, static_cast<uint32_t>(option));
    PutWord(request, action);
    PutOptionValue(request, value);
    if (!Send(session, request))
        return kSaneNetFailed;
    for (int round = 0; round < 4; ++round) {
        WireReader reader = ControlReader(session);
        bool parsed = DecodeControlReply(reader, reply);
        if (!parsed || !reply->resource[0])
            return ReplyStatus(session, reader, parsed, reply->status);
        if (!Authorize(session, reply->resource))
            return kSaneNetFailed;
    }
    CloseControlConnection(session);
    return kSaneAccessDenied;
}

int SaneGetParameters(SaneSession& session, SaneParameters* parameters) {
    if (!SendHandleCall(session, kSaneGetParameters))
        return kSaneNetFailed;
    WireReader reader = ControlReader(session);
    int32_t status = kSaneGood;
    bool parsed = DecodeParameters(reader, &status, parameters);
    return ReplyStatus(session, reader, parsed, status);
}

int SaneStart(SaneSession& session, uint16_t* port, uint32_t* byteOrder) {
    if (!SendHandleCall(session, kSaneStart))
        return kSaneNetFailed;
    ResourceReply reply;
    int status = ResourceCall(session, DecodeStartReply, &reply);
    *port = static_cast<uint16_t>(reply.word1);
    *byteOrder = reply.word2;
    if (status == kSaneGood && (reply.word1 == 0 || reply.word1 > 0xFFFF)) {
        CloseControlConnection(session);
        return kSaneBadReply;
    }
    return status;
}

int SaneCancel(SaneSession& session) {
    if (!SendHandleCall(session, kSaneCancel))
        return kSaneNetFailed;
    WireReader reader = ControlReader(session);
    GetWord(reader); // a dummy word
    return ReplyStatus(session, reader, !reader.failed, kSaneGood);
}

void SaneEnd(SaneSession& session) {
    if (session.control == INVALID_SOCKET)
        return;
    Deadline goodbye = DeadlineIn(kGoodbyeMs);
    if (goodbye < session.deadline)
        session.deadline = goodbye;
    if (session.deviceOpen && SendHandleCall(session, kSaneClose)) {
        WireReader reader = ControlReader(session);
        GetWord(reader); // a dummy word
    }
    // saned answers EXIT by closing the connection: nothing to wait for.
    WireRequest request;
    BeginRequest(request, kSaneExit);
    if (SaneConnected(session))
        Send(session, request);
    CloseControlConnection(session);
}
