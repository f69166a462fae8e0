// saned's answers as the server's SANE client decodes them, from any bytes: every decoder over
// the same input (no read past it, every kept text terminated, every kept list within its
// record), strings through the encoder and back, and device lines of any layout saned may
// announce turned into RGB lines without reading past the line.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "sane_lines.h"
#include "sane_wire.h"

namespace {

struct Bytes {
    const uint8_t* data;
    size_t size, used;
};

bool ReadBytes(void* context, uint8_t* out, size_t count) {
    Bytes& b = *static_cast<Bytes*>(context);
    if (count > b.size - b.used)
        return false;
    memcpy(out, b.data + b.used, count);
    b.used += count;
    return true;
}

template <typename Decode> void Decode(const uint8_t* data, size_t size, Decode decode) {
    Bytes bytes{data, size, 0};
    WireReader reader{ReadBytes, &bytes, false};
    bool parsed = decode(reader);
    FUZZ_REQUIRE(parsed == !reader.failed);
    FUZZ_REQUIRE(bytes.used <= size);
}

bool Terminated(const char* text, size_t capacity) {
    return memchr(text, '\0', capacity) != nullptr;
}

void CheckDescriptors(const std::vector<OptionDescriptor>& options) {
    for (const OptionDescriptor& option : options) {
        FUZZ_REQUIRE(Terminated(option.name, sizeof option.name));
        FUZZ_REQUIRE(option.wordCount >= 0 && option.wordCount <= kMaxListWords);
        FUZZ_REQUIRE(option.stringCount >= 0 && option.stringCount <= kMaxListStrings);
        for (int i = 0; i < option.stringCount; ++i)
            FUZZ_REQUIRE(Terminated(option.strings[i], kTextChars));
    }
}

// A string travels and comes back as it was (cut at its first NUL, as C strings are).
void CheckStringRoundTrip(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4000));
    text = text.c_str();
    WireRequest request;
    BeginRequest(request, kSaneOpen);
    PutString(request, text.c_str());
    FUZZ_REQUIRE(!request.overflow);
    Bytes bytes{request.bytes + 4, request.size - 4, 0};
    WireReader reader{ReadBytes, &bytes, false};
    char back[4096];
    bool isNull = true;
    FUZZ_REQUIRE(GetString(reader, back, sizeof back, &isNull));
    FUZZ_REQUIRE(!isNull && text == back && bytes.used == bytes.size);
}

// The first 24 bytes as parameters, the rest as one line: a layout the client accepts is read
// within its bytes per line.
void CheckLine(const uint8_t* data, size_t size) {
    SaneParameters p{};
    int32_t status = 0;
    Bytes bytes{data, size, 0};
    WireReader reader{ReadBytes, &bytes, false};
    // Small geometry, so a line fits the input often enough to matter.
    if (!DecodeParameters(reader, &status, &p))
        return;
    p.pixelsPerLine &= 0xFFF;
    p.bytesPerLine &= 0x3FFF;
    std::vector<uint8_t> line(data + bytes.used, data + size);
    if (!UsableLayout(p, static_cast<int32_t>(line.size())))
        return;
    line.resize(static_cast<size_t>(p.bytesPerLine)); // exactly one line: ASan sees any overread
    for (int width : {1, p.pixelsPerLine, p.pixelsPerLine + 3}) {
        std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3, 7);
        DeviceLineToRgb(FrameLayout{p.format, p.depth, p.pixelsPerLine, (status & 1) != 0},
                        line.data(), width, rgb.data());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t status = 0;
    Decode(data, size, [&](WireReader& r) {
        static DeviceList list;
        bool parsed = DecodeDeviceList(r, &status, &list);
        FUZZ_REQUIRE(list.count >= 0 && list.count <= kMaxDevices);
        for (int i = 0; i < list.count; ++i)
            FUZZ_REQUIRE(Terminated(list.devices[i].name, kNameChars) &&
                         Terminated(list.devices[i].model, kTextChars));
        return parsed;
    });
    Decode(data, size, [&](WireReader& r) {
        std::vector<OptionDescriptor> options;
        bool parsed = DecodeOptionDescriptors(r, &options);
        CheckDescriptors(options);
        return parsed;
    });
    Decode(data, size, [&](WireReader& r) {
        static ControlReply reply;
        bool parsed = DecodeControlReply(r, &reply);
        FUZZ_REQUIRE(Terminated(reply.resource, sizeof reply.resource));
        return parsed;
    });
    Decode(data, size, [&](WireReader& r) {
        ResourceReply reply;
        bool parsed = DecodeStartReply(r, &reply);
        FUZZ_REQUIRE(Terminated(reply.resource, sizeof reply.resource));
        return parsed;
    });
    CheckStringRoundTrip(data, size);
    CheckLine(data, size);
    return 0;
}
