// The SANE network protocol's encoding, as saned speaks it: every value a 32-bit big-endian
// word; a string a length word that counts its closing NUL, then the bytes (NULL: length 0);
// a pointer a word that is 1 for NULL, then the value; an array its length word, then the
// elements. Requests are built in a fixed buffer; replies are decoded from any byte source, so
// the decoders run on the network and in the fuzz target alike. Nothing here knows Winsock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum SaneProcedure : uint32_t {
    kSaneInit = 0,
    kSaneGetDevices = 1,
    kSaneOpen = 2,
    kSaneClose = 3,
    kSaneGetOptionDescriptors = 4,
    kSaneControlOption = 5,
    kSaneGetParameters = 6,
    kSaneStart = 7,
    kSaneCancel = 8,
    kSaneAuthorize = 9,
    kSaneExit = 10,
};

// SANE's statuses, and two of the client's own for what never reached a SANE answer.
enum SaneStatus : int {
    kSaneGood = 0,
    kSaneUnsupported = 1,
    kSaneCancelled = 2,
    kSaneDeviceBusy = 3,
    kSaneInvalid = 4,
    kSaneEof = 5,
    kSaneJammed = 6,
    kSaneNoDocs = 7,
    kSaneCoverOpen = 8,
    kSaneIoError = 9,
    kSaneNoMem = 10,
    kSaneAccessDenied = 11,
    kSaneNetFailed = 100, // not reachable, the connection dropped, or a wait ran out
    kSaneBadReply = 101,  // an answer that does not parse
};

enum SaneValueType : uint32_t {
    kTypeBool = 0,
    kTypeInt,
    kTypeFixed,
    kTypeString,
    kTypeButton,
    kTypeGroup
};
enum SaneUnit : uint32_t { kUnitNone = 0, kUnitPixel, kUnitBit, kUnitMm, kUnitDpi, kUnitPercent };
enum SaneConstraint : uint32_t {
    kConstraintNone = 0,
    kConstraintRange,
    kConstraintWordList,
    kConstraintStringList
};
enum SaneAction : uint32_t { kActionGet = 0, kActionSet = 1 };
enum SaneFrame : uint32_t { kFrameGray = 0, kFrameRgb, kFrameRed, kFrameGreen, kFrameBlue };

constexpr uint32_t kInfoInexact = 1;
constexpr uint32_t kInfoReloadOptions = 2;
constexpr uint32_t kCapSoftSelect = 1;
constexpr uint32_t kCapInactive = 32;
constexpr int32_t kFixedOne = 1 << 16; // SANE_Fixed is 16.16
// The version this client speaks: SANE 1.0, network protocol 3.
constexpr uint32_t kSaneVersionCode = (1u << 24) | 3u;

constexpr size_t kWireRequestBytes = 8192;
struct WireRequest {
    uint8_t bytes[kWireRequestBytes];
    size_t size;
    bool overflow; // something did not fit: the request must not be sent
};
void BeginRequest(WireRequest& request, SaneProcedure procedure);
void PutWord(WireRequest& request, uint32_t word);
void PutString(WireRequest& request, const char* text); // nullptr: the NULL string
void PutBytes(WireRequest& request, const void* bytes, size_t count);

// A byte source: `read` fills exactly `count` bytes or fails (the connection or the buffer ran
// out). Once anything failed, every further read fails and the decoders answer false.
struct WireReader {
    bool (*read)(void* context, uint8_t* bytes, size_t count);
    void* context;
    bool failed;
};
uint32_t GetWord(WireReader& reader);
// A string cut to `capacity` - 1 characters and always terminated; `isNull` tells NULL from "".
bool GetString(WireReader& reader, char* out, size_t capacity, bool* isNull = nullptr);

constexpr size_t kNameChars = 128;
constexpr size_t kTextChars = 64;
constexpr int kMaxDevices = 16;
constexpr int kMaxListWords = 64;
constexpr int kMaxListStrings = 32;

struct SaneDevice {
    char name[kNameChars];
    char vendor[kTextChars];
    char model[kTextChars];
    char type[kTextChars];
};
struct DeviceList {
    int count; // those kept; saned may list more
    SaneDevice devices[kMaxDevices];
};

struct OptionDescriptor {
    char name[kTextChars];
    uint32_t type, unit;
    int32_t size;
    uint32_t cap, constraint;
    int32_t range[3]; // min, max, quant
    int wordCount;    // of a word list (the count kept)
    int32_t words[kMaxListWords];
    int stringCount; // of a string list
    char strings[kMaxListStrings][kTextChars];
};

struct SaneParameters {
    uint32_t format;
    uint32_t lastFrame;
    int32_t bytesPerLine, pixelsPerLine, lines, depth;
};

// A value travelling with CONTROL_OPTION: words for bool, int and fixed, bytes for a string.
constexpr size_t kValueBytes = 4096;
struct OptionValue {
    uint32_t type;
    int32_t size; // bytes, as the descriptor counts them
    union {
        int32_t words[kValueBytes / 4];
        char text[kValueBytes];
    };
};

struct ControlReply {
    int32_t status;
    uint32_t info;
    OptionValue value;
    char resource[kNameChars];
};

// Replies with a resource ask for authorization when the resource is not NULL.
struct ResourceReply {
    int32_t status;
    uint32_t word1, word2; // OPEN: handle; START: port and byte order
    bool needsAuthorization;
    char resource[kNameChars];
};

bool DecodeDeviceList(WireReader& reader, int32_t* status, DeviceList* list);
bool DecodeOpenReply(WireReader& reader, ResourceReply* reply);
bool DecodeStartReply(WireReader& reader, ResourceReply* reply);
bool DecodeOptionDescriptors(WireReader& reader, std::vector<OptionDescriptor>* options);
bool DecodeControlReply(WireReader& reader, ControlReply* reply);
bool DecodeParameters(WireReader& reader, int32_t* status, SaneParameters* parameters);
void PutOptionValue(WireRequest& request, const OptionValue& value);
