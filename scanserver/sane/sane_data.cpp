#include "sane_data.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kFrameEndMark = 0xFFFFFFFF;

// The next `count` bytes of the connection, through the buffer.
bool ReadStream(SaneDataStream& stream, uint8_t* out, size_t count, Deadline deadline) {
    while (count > 0) {
        if (stream.bufferStart == stream.bufferEnd) {
            stream.bufferStart = 0;
            stream.bufferEnd =
                ReceiveSome(stream.socket, stream.buffer, sizeof stream.buffer, deadline);
            if (stream.bufferEnd == 0)
                return false;
        }
        size_t chunk = std::min(count, stream.bufferEnd - stream.bufferStart);
        memcpy(out, stream.buffer + stream.bufferStart, chunk);
        stream.bufferStart += chunk;
        out += chunk;
        count -= chunk;
    }
    return true;
}

} // namespace

bool OpenDataStream(SaneDataStream& stream, const sockaddr_in& peer, uint16_t port,
                    Deadline deadline) {
    stream.recordLeft = 0;
    stream.ended = false;
    stream.endStatus = 0;
    stream.bufferStart = stream.bufferEnd = 0;
    stream.socket = ConnectTcpTo(peer, port, deadline);
    return stream.socket != INVALID_SOCKET;
}

DataResult WaitForData(SaneDataStream& stream, Deadline deadline) {
    // Records may be empty: read their heads until one has data or the frame ends.
    while (stream.recordLeft == 0) {
        if (stream.ended)
            return DataResult::FrameEnd;
        uint8_t head[4];
        if (!ReadStream(stream, head, sizeof head, deadline))
            return DataResult::Failed;
        uint32_t length = static_cast<uint32_t>(head[0]) << 24 |
                          static_cast<uint32_t>(head[1]) << 16 |
                          static_cast<uint32_t>(head[2]) << 8 | head[3];
        if (length == kFrameEndMark) {
            uint8_t status = 0;
            if (!ReadStream(stream, &status, 1, deadline))
                return DataResult::Failed;
            stream.ended = true;
            stream.endStatus = status;
        } else {
            stream.recordLeft = length;
        }
    }
    return DataResult::Bytes;
}

DataResult ReadFrame(SaneDataStream& stream, uint8_t* out, size_t count, size_t* got,
                     Deadline deadline) {
    *got = 0;
    while (*got < count) {
        DataResult waited = WaitForData(stream, deadline);
        if (waited != DataResult::Bytes)
            return waited;
        size_t chunk = std::min<size_t>(count - *got, stream.recordLeft);
        if (!ReadStream(stream, out + *got, chunk, deadline))
            return DataResult::Failed;
        *got += chunk;
        stream.recordLeft -= static_cast<uint32_t>(chunk);
    }
    return DataResult::Bytes;
}

void CloseDataStream(SaneDataStream& stream) {
    CloseSocket(stream.socket);
}
