#include "sane_socket.h"

#include <ws2tcpip.h>

#include <cstring>

namespace {

bool g_started = false;

void StartWinsock() {
    if (g_started)
        return;
    WSADATA data;
    g_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

// Waits until `socket` can be read (or written) or the deadline passes.
bool WaitReady(SOCKET socket, bool forWriting, Deadline deadline) {
    for (;;) {
        uint64_t now = GetTickCount64();
        if (now >= deadline)
            return false;
        uint64_t left = deadline - now;
        timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket, &ready);
        FD_SET(socket, &failed);
        int count =
            select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &wait);
        if (count < 0 || FD_ISSET(socket, &failed))
            return false;
        if (count > 0)
            return true;
    }
}

SOCKET ConnectAddress(const sockaddr_in& address, Deadline deadline) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    int error = 0;
    int length = sizeof error;
    if (!WaitReady(s, true, deadline) ||
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
        error != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    BOOL noDelay = TRUE; // requests are small and answered one at a time
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    return s;
}

} // namespace

Deadline DeadlineIn(uint32_t milliseconds) {
    return GetTickCount64() + milliseconds;
}

SOCKET ConnectTcp(const char* host, uint16_t port, uint32_t timeoutMs, Deadline deadline,
                  sockaddr_in* address) {
    StartWinsock();
    memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_port = htons(port);
    address->sin_addr.s_addr = inet_addr(host);
    if (address->sin_addr.s_addr == INADDR_NONE) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
            return INVALID_SOCKET;
        address->sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
    }
    Deadline connectBy = DeadlineIn(timeoutMs);
    return ConnectAddress(*address, connectBy < deadline ? connectBy : deadline);
}

SOCKET ConnectTcpTo(const sockaddr_in& address, uint16_t port, Deadline deadline) {
    sockaddr_in data = address;
    data.sin_port = htons(port);
    return ConnectAddress(data, deadline);
}

bool SendAll(SOCKET socket, const void* bytes, size_t count, Deadline deadline) {
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        int sent = send(socket, p, static_cast<int>(count), 0);
        if (sent > 0) {
            p += sent;
            count -= static_cast<size_t>(sent);
        } else if (sent < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            if (!WaitReady(socket, true, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

size_t ReceiveSome(SOCKET socket, void* bytes, size_t capacity, Deadline deadline) {
    for (;;) {
        int got = recv(socket, static_cast<char*>(bytes), static_cast<int>(capacity), 0);
        if (got > 0)
            return static_cast<size_t>(got);
        if (got == 0 || WSAGetLastError() != WSAEWOULDBLOCK || !WaitReady(socket, false, deadline))
            return 0;
    }
}

void CloseSocket(SOCKET& socket) {
    if (socket != INVALID_SOCKET)
        closesocket(socket);
    socket = INVALID_SOCKET;
}
