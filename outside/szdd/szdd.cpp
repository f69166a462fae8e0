#include "szdd.h"

#include <cstring>

namespace {

constexpr uint8_t kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr size_t kWindow = 4096;
// The expander writes its first byte 16 bytes before the end of its window.
constexpr size_t kWindowStart = 0xFF0;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 18;
// Distances up to a whole window minus one, so a match never reads the slot being written.
constexpr size_t kMaxDistance = kWindow - 1;
constexpr int kChainSteps = 512;
constexpr size_t kHashSize = 1 << 14;

size_t Hash(const uint8_t* p) {
    return ((p[0] << 6) ^ (p[1] << 3) ^ p[2]) & (kHashSize - 1);
}

void PutLe32(std::vector<uint8_t>* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

std::vector<uint8_t> SzddCompress(const uint8_t* data, size_t size, char lastChar) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    out.push_back('A');
    out.push_back(static_cast<uint8_t>(lastChar));
    PutLe32(&out, static_cast<uint32_t>(size));

    // Hash chains over the positions already emitted; prev is indexed modulo the window.
    std::vector<int64_t> head(kHashSize, -1);
    std::vector<int64_t> prev(kWindow, -1);
    auto insert = [&](size_t pos) {
        if (pos + kMinMatch > size)
            return;
        size_t h = Hash(data + pos);
        prev[pos % kWindow] = head[h];
        head[h] = static_cast<int64_t>(pos);
    };

    size_t flagsAt = 0;
    int items = 8; // a new flag byte starts before the first item
    size_t pos = 0;
    while (pos < size) {
        if (items == 8) {
            flagsAt = out.size();
            out.push_back(0);
            items = 0;
        }
        size_t bestLength = 0;
        size_t bestFrom = 0;
        if (pos + kMinMatch <= size) {
            const size_t limit = size - pos < kMaxMatch ? size - pos : kMaxMatch;
            int steps = kChainSteps;
            for (int64_t cand = head[Hash(data + pos)];
                 cand >= 0 && pos - static_cast<size_t>(cand) <= kMaxDistance && steps-- > 0;
                 cand = prev[cand % kWindow]) {
                size_t length = 0;
                // The source may run into the bytes being produced: the expander copies one byte
                // at a time.
                while (length < limit && data[cand + length] == data[pos + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestFrom = static_cast<size_t>(cand);
                    if (length == limit)
                        break;
                }
            }
        }
        if (bestLength >= kMinMatch) {
            const size_t slot = (kWindowStart + bestFrom) % kWindow;
            out.push_back(static_cast<uint8_t>(slot & 0xFF));
            out.push_back(static_cast<uint8_t>(((slot >> 4) & 0xF0) | (bestLength - kMinMatch)));
            for (size_t i = 0; i < bestLength; ++i)
                insert(pos + i);
            pos += bestLength;
        } else {
            out[flagsAt] |= static_cast<uint8_t>(1 << items);
            out.push_back(data[pos]);
            insert(pos);
            ++pos;
        }
        ++items;
    }
    return out;
}

std::string CompressedName(const std::string& name) {
    if (name.empty())
        return name;
    std::string compressed = name;
    compressed.back() = '_';
    return compressed;
}
