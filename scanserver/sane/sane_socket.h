// TCP for the SANE client: every wait bounded by a deadline, so a silent or vanished saned
// costs a bounded time and never hangs the server. Sockets stay non-blocking; each send and
// receive waits in select() for what is left of the deadline.
#pragma once
#include <winsock2.h>

#include <cstddef>
#include <cstdint>

// A point in time (GetTickCount64 milliseconds) after which a wait gives up.
using Deadline = uint64_t;
Deadline DeadlineIn(uint32_t milliseconds);

// Resolves `host` (dotted address or name) and connects within `timeoutMs` (and the deadline).
// INVALID_SOCKET on any failure; `address` receives the peer for the data connection.
SOCKET ConnectTcp(const char* host, uint16_t port, uint32_t timeoutMs, Deadline deadline,
                  sockaddr_in* address);
// Connects to `address` with another port (saned's data connection).
SOCKET ConnectTcpTo(const sockaddr_in& address, uint16_t port, Deadline deadline);
bool SendAll(SOCKET socket, const void* bytes, size_t count, Deadline deadline);
// Up to `capacity` bytes, at least one; 0 when the peer closed or on failure.
size_t ReceiveSome(SOCKET socket, void* bytes, size_t capacity, Deadline deadline);
void CloseSocket(SOCKET& socket);
