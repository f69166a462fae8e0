// saned's data connection for one frame: records of a 4-byte big-endian length and that many
// bytes; the length 0xFFFFFFFF ends the frame and one status byte follows (5: end of file,
// anything else the device's fault). Read as the lines are asked for, through a small buffer.
#pragma once
#include "sane_socket.h"

#include <cstddef>
#include <cstdint>

constexpr size_t kDataBufferBytes = 64 * 1024;

struct SaneDataStream {
    SOCKET socket = INVALID_SOCKET;
    uint32_t recordLeft; // bytes of the current record not yet taken
    bool ended;          // the end-of-frame mark was read
    int endStatus;       // its status byte
    uint8_t buffer[kDataBufferBytes];
    size_t bufferStart, bufferEnd;
};

// Connects to the data port saned named in its START reply, at the control connection's peer.
bool OpenDataStream(SaneDataStream& stream, const sockaddr_in& peer, uint16_t port,
                    Deadline deadline);
enum class DataResult { Bytes, FrameEnd, Failed };
// Fills `out` with exactly `count` bytes of the frame (Bytes). FrameEnd: the frame ended first,
// `*got` bytes were filled and `stream.endStatus` says why. Failed: the connection dropped, the
// deadline passed, or a record did not parse.
DataResult ReadFrame(SaneDataStream& stream, uint8_t* out, size_t count, size_t* got,
                     Deadline deadline);
// Waits for the frame's first data: Bytes when data is there, FrameEnd when the frame ended
// without any (a device fault at the start is reported this way), Failed as above.
DataResult WaitForData(SaneDataStream& stream, Deadline deadline);
void CloseDataStream(SaneDataStream& stream);
