#include "sane_wire.h"

#include <algorithm>
#include <cstring>

namespace {

// Bounds on what an answer may announce: larger lengths do not parse.
constexpr uint32_t kMaxStringBytes = 64 * 1024;
constexpr uint32_t kMaxArrayElements = 1024 * 1024;
constexpr uint32_t kMaxOptions = 4096;

bool Read(WireReader& reader, uint8_t* bytes, size_t count) {
    if (!reader.failed && !reader.read(reader.context, bytes, count))
        reader.failed = true;
    return !reader.failed;
}

// Reads and drops `count` bytes: the part of an answer the client keeps no room for.
bool Skip(WireReader& reader, size_t count) {
    uint8_t scrap[256];
    while (count > 0 && !reader.failed) {
        size_t chunk = std::min(count, sizeof scrap);
        Read(reader, scrap, chunk);
        count -= chunk;
    }
    return !reader.failed;
}

// An array's length word, refused beyond `limit`.
bool GetLength(WireReader& reader, uint32_t limit, uint32_t* length) {
    *length = GetWord(reader);
    if (!reader.failed && *length > limit)
        reader.failed = true;
    return !reader.failed;
}

// A pointer's NULL flag: 1 is NULL, 0 is a value following; anything else does not parse.
bool GetPointerIsNull(WireReader& reader, bool* isNull) {
    uint32_t flag = GetWord(reader);
    if (!reader.failed && flag > 1)
        reader.failed = true;
    *isNull = flag == 1;
    return !reader.failed;
}

bool GetStatus(WireReader& reader, int32_t* status) {
    *status = static_cast<int32_t>(GetWord(reader));
    return !reader.failed;
}

bool GetWordList(WireReader& reader, OptionDescriptor* option) {
    uint32_t length = 0;
    if (!GetLength(reader, kMaxArrayElements, &length))
        return false;
    // Element 0 is the list's own count; the values follow.
    for (uint32_t i = 0; i < length && !reader.failed; ++i) {
        int32_t word = static_cast<int32_t>(GetWord(reader));
        if (i > 0 && option->wordCount < kMaxListWords)
            option->words[option->wordCount++] = word;
    }
    return !reader.failed;
}

bool GetStringList(WireReader& reader, OptionDescriptor* option) {
    uint32_t length = 0;
    if (!GetLength(reader, kMaxArrayElements, &length))
        return false;
    // The list ends in a NULL string, counted in the length.
    for (uint32_t i = 0; i < length && !reader.failed; ++i) {
        char text[kTextChars];
        bool isNull = false;
        GetString(reader, text, sizeof text, &isNull);
        if (!isNull && option->stringCount < kMaxListStrings)
            strcpy(option->strings[option->stringCount++], text);
    }
    return !reader.failed;
}

bool GetOptionDescriptor(WireReader& reader, OptionDescriptor* option) {
    memset(option, 0, sizeof *option);
    char scrap[8];
    GetString(reader, option->name, sizeof option->name);
    GetString(reader, scrap, sizeof scrap); // title
    GetString(reader, scrap, sizeof scrap); // description
    option->type = GetWord(reader);
    option->unit = GetWord(reader);
    option->size = static_cast<int32_t>(GetWord(reader));
    option->cap = GetWord(reader);
    option->constraint = GetWord(reader);
    if (reader.failed)
        return false;
    switch (option->constraint) {
    case kConstraintNone:
        return true;
    case kConstraintRange: {
        bool isNull = false;
        if (!GetPointerIsNull(reader, &isNull) || isNull)
            return !reader.failed;
        for (int32_t& word : option->range)
            word = static_cast<int32_t>(GetWord(reader));
        return !reader.failed;
    }
    case kConstraintWordList:
        return GetWordList(reader, option);
    case kConstraintStringList:
        return GetStringList(reader, option);
    default:
        reader.failed = true;
        return false;
    }
}

bool GetOptionValue(WireReader& reader, OptionValue* value) {
    memset(value, 0, sizeof *value);
    value->type = GetWord(reader);
    value->size = static_cast<int32_t>(GetWord(reader));
    uint32_t length = 0;
    if (!GetLength(reader, kMaxArrayElements, &length))
        return false;
    switch (value->type) {
    case kTypeBool:
    case kTypeInt:
    case kTypeFixed:
        for (uint32_t i = 0; i < length && !reader.failed; ++i) {
            int32_t word = static_cast<int32_t>(GetWord(reader));
            if (i < kValueBytes / 4)
                value->words[i] = word;
        }
        break;
    case kTypeString: {
        size_t kept = std::min<size_t>(length, kValueBytes - 1);
        Read(reader, reinterpret_cast<uint8_t*>(value->text), kept);
        Skip(reader, length - kept);
        break;
    }
    case kTypeButton:
    case kTypeGroup:
        if (length != 0)
            reader.failed = true;
        break;
    default:
        reader.failed = true;
    }
    return !reader.failed;
}

bool GetResourceReply(WireReader& reader, ResourceReply* reply, int extraWords) {
    memset(reply, 0, sizeof *reply);
    GetStatus(reader, &reply->status);
    if (extraWords > 0)
        reply->word1 = GetWord(reader);
    if (extraWords > 1)
        reply->word2 = GetWord(reader);
    bool isNull = true;
    GetString(reader, reply->resource, sizeof reply->resource, &isNull);
    reply->needsAuthorization = !isNull;
    return !reader.failed;
}

} // namespace

void BeginRequest(WireRequest& request, SaneProcedure procedure) {
    request.size = 0;
    request.overflow = false;
    PutWord(request, procedure);
}

void PutBytes(WireRequest& request, const void* bytes, size_t count) {
    if (request.overflow || count > sizeof request.bytes - request.size) {
        request.overflow = true;
        return;
    }
    memcpy(request.bytes + request.size, bytes, count);
    request.size += count;
}

void PutWord(WireRequest& request, uint32_t word) {
    uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                        static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
    PutBytes(request, bytes, sizeof bytes);
}

void PutString(WireRequest& request, const char* text) {
    if (!text) {
        PutWord(request, 0);
        return;
    }
    size_t length = strlen(text) + 1; // the closing NUL travels and is counted
    PutWord(request, static_cast<uint32_t>(length));
    PutBytes(request, text, length);
}

void PutOptionValue(WireRequest& request, const OptionValue& value) {
    PutWord(request, value.type);
    PutWord(request, static_cast<uint32_t>(value.size));
    int32_t size = std::max(0, std::min<int32_t>(value.size, kValueBytes));
    if (value.type == kTypeString) {
        PutWord(request, static_cast<uint32_t>(size));
        PutBytes(request, value.text, static_cast<size_t>(size));
    } else if (value.type == kTypeButton || value.type == kTypeGroup) {
        PutWord(request, 0);
    } else {
        PutWord(request, static_cast<uint32_t>(size / 4));
        for (int32_t i = 0; i < size / 4; ++i)
            PutWord(request, static_cast<uint32_t>(value.words[i]));
    }
}

uint32_t GetWord(WireReader& reader) {
    uint8_t b[4] = {};
    if (!Read(reader, b, sizeof b))
        return 0;
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
           static_cast<uint32_t>(b[2]) << 8 | b[3];
}

bool GetString(WireReader& reader, char* out, size_t capacity, bool* isNull) {
    out[0] = '\0';
    uint32_t length = 0;
    if (!GetLength(reader, kMaxStringBytes, &length))
        return false;
    if (isNull)
        *isNull = length == 0;
    size_t kept = std::min<size_t>(length, capacity - 1);
    Read(reader, reinterpret_cast<uint8_t*>(out), kept);
    Skip(reader, length - kept);
    out[reader.failed ? 0 : kept] = '\0';
    return !reader.failed;
}

bool DecodeDeviceList(WireReader& reader, int32_t* status, DeviceList* list) {
    list->count = 0;
    uint32_t length = 0;
    if (!GetStatus(reader, status) || !GetLength(reader, kMaxArrayElements, &length))
        return false;
    // The array's length counts its closing NULL entry.
    for (uint32_t i = 0; i < length && !reader.failed; ++i) {
        bool isNull = false;
        if (!GetPointerIsNull(reader, &isNull) || isNull)
            continue;
        SaneDevice device;
        GetString(reader, device.name, sizeof device.name);
        GetString(reader, device.vendor, sizeof device.vendor);
        GetString(reader, device.model, sizeof device.model);
        GetString(reader, device.type, sizeof device.type);
        if (!reader.failed && list->count < kMaxDevices)
            list->devices[list->count++] = device;
    }
    return !reader.failed;
}

bool DecodeOpenReply(WireReader& reader, ResourceReply* reply) {
    return GetResourceReply(reader, reply, 1);
}

bool DecodeStartReply(WireReader& reader, ResourceReply* reply) {
    return GetResourceReply(reader, reply, 2);
}

bool DecodeOptionDescriptors(WireReader& reader, std::vector<OptionDescriptor>* options) {
    options->clear();
    uint32_t count = 0;
    if (!GetLength(reader, kMaxOptions, &count))
        return false;
    // Grown as descriptors arrive: a count alone allocates nothing.
    for (uint32_t i = 0; i < count; ++i) {
        bool isNull = false;
        if (!GetPointerIsNull(reader, &isNull))
            return false;
        options->emplace_back();
        if (!isNull && !GetOptionDescriptor(reader, &options->back()))
            return false;
    }
    return true;
}

bool DecodeControlReply(WireReader& reader, ControlReply* reply) {
    GetStatus(reader, &reply->status);
    reply->info = GetWord(reader);
    if (!GetOptionValue(reader, &reply->value))
        return false;
    bool isNull = true;
    GetString(reader, reply->resource, sizeof reply->resource, &isNull);
    if (isNull)
        reply->resource[0] = '\0';
    return !reader.failed;
}

bool DecodeParameters(WireReader& reader, int32_t* status, SaneParameters* parameters) {
    GetStatus(reader, status);
    parameters->format = GetWord(reader);
    parameters->lastFrame = GetWord(reader);
    parameters->bytesPerLine = static_cast<int32_t>(GetWord(reader));
    parameters->pixelsPerLine = static_cast<int32_t>(GetWord(reader));
    parameters->lines = static_cast<int32_t>(GetWord(reader));
    parameters->depth = static_cast<int32_t>(GetWord(reader));
    return !reader.failed;
}
