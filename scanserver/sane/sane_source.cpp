// The SANE network client as a scanner source: a device shared by saned, opened afresh for every
// page and every capability request (so the next page works again once saned is back), its lines
// read from the data connection as the library asks for them, one device line at a time.
#include "../receive_log.h"
#include "../scanner_source.h"
#include "sane_calls.h"
#include "sane_data.h"
#include "sane_lines.h"
#include "sane_options.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kConnectMs = 5000;
// Every network wait of one server item ends by then: well below the library's 90 s.
constexpr uint32_t kItemMs = 45000;
// Letting the device go after a page (CANCEL, CLOSE, EXIT) waits this long at most.
constexpr uint32_t kGoodbyeMs = 5000;
constexpr int32_t kMaxDeviceLineBytes = 4 << 20;
// Read-only switches that backends use for paper in the feeder.
constexpr const char* kFeederSensors[] = {"page-loaded", "adf-loaded", "document-loaded",
                                          "paper-loaded"};

SaneSession g_session;
SaneDataStream g_data;
OptionList g_options;
SourceCapabilities g_known;
bool g_haveKnown = false;

// The page in progress.
struct Page {
    bool active;
    PageRequest request;
    SaneParameters frame; // the frame being streamed
    FrameLayout layout;
    bool littleEndian16;
    int taken;  // its lines read so far
    bool ended; // its end was read, or all its lines
    // A three-pass page: the channels that came before the last frame, whole, and their layouts.
    // Only these pages hold more than a line: two channels of the page.
    std::vector<uint8_t> stored[3];
    FrameLayout storedLayout[3];
    int storedLineBytes[3];
    bool collected;
    std::vector<uint8_t> line, rgb;
    int nextLine;
} g_page;

const char* StatusText(int status) {
    static const char* const kTexts[] = {"good",       "unsupported", "cancelled", "device busy",
                                         "invalid",    "end of file", "jammed",    "no documents",
                                         "cover open", "I/O error",   "no memory", "access denied"};
    if (status >= 0 && status < static_cast<int>(sizeof kTexts / sizeof kTexts[0]))
        return kTexts[status];
    if (status == kSaneNetFailed)
        return "no answer (not reachable, connection lost or timed out)";
    if (status == kSaneBadReply)
        return "an answer that does not parse";
    return "unknown status";
}

bool StepSucceeded(int status, const char* step) {
    if (status == kSaneGood)
        return true;
    LogSane("%s: %s (%d)", step, StatusText(status), status);
    return false;
}

void EndSession() {
    CloseDataStream(g_data);
    SaneEnd(g_session);
}

// Sets option `index`; fetches the descriptors again when the device says they changed.
int SetOption(int index, const OptionValue& value) {
    ControlReply reply;
    int status = SaneControlOption(g_session, index, kActionSet, value, &reply);
    if (status == kSaneGood && (reply.info & kInfoReloadOptions))
        status = SaneGetOptions(g_session, &g_options);
    return status;
}

bool SetWord(const char* name, int32_t word) {
    int index = FindOption(g_options, name);
    return index < 0 || StepSucceeded(SetOption(index, WordValue(g_options[index], word)), name);
}

bool SetText(const char* name, const char* text) {
    int index = FindOption(g_options, name);
    return index < 0 || StepSucceeded(SetOption(index, TextValue(g_options[index], text)), name);
}

// Connects, opens the device the settings name (the first saned lists when none) and fetches its
// options. With `model`, the device's vendor and model name go there.
bool OpenDevice(const SaneSettings& settings, char* model, size_t modelSize) {
    EndSession();
    g_session.deadline = DeadlineIn(kItemMs);
    snprintf(g_session.user, sizeof g_session.user, "%s", settings.user);
    snprintf(g_session.password, sizeof g_session.password, "%s", settings.password);
    char step[kSaneTextChars + 32];
    snprintf(step, sizeof step, "connect to %s:%u", settings.host, settings.port);
    if (!StepSucceeded(SaneConnect(g_session, settings.host, settings.port, kConnectMs), step))
        return false;
    char device[kNameChars];
    snprintf(device, sizeof device, "%s", settings.device);
    if (!device[0] || model) {
        static DeviceList list; // 5 KB, kept off the stack
        if (!StepSucceeded(SaneGetDevices(g_session, &list), "get devices"))
            return EndSession(), false;
        const SaneDevice* found = nullptr;
        for (int i = 0; i < list.count && !found; ++i)
            if (!device[0] || strcmp(list.devices[i].name, device) == 0)
                found = &list.devices[i];
        if (!found && !device[0]) {
            LogSane("get devices: saned lists no device");
            return EndSession(), false;
        }
        if (!device[0])
            snprintf(device, sizeof device, "%s", found->name);
        if (model && found)
            snprintf(model, modelSize, "%s %s", found->vendor, found->model);
        else if (model)
            snprintf(model, modelSize, "%s", device);
    }
    snprintf(step, sizeof step, "open %s", device);
    if (!StepSucceeded(SaneOpen(g_session, device), step) ||
        !StepSucceeded(SaneGetOptions(g_session, &g_options), "get option descriptors"))
        return EndSession(), false;
    return true;
}

// One entry of [SANE Options], trimmed: false for an empty line or a comment.
bool SplitEntry(const char* entry, char* name, size_t nameSize, char* value, size_t valueSize) {
    const char* equals = strchr(entry, '=');
    while (*entry == ' ' || *entry == '\t')
        ++entry;
    if (!equals || *entry == ';' || equals == entry)
        return false;
    size_t nameLength = static_cast<size_t>(equals - entry);
    while (nameLength > 0 && (entry[nameLength - 1] == ' ' || entry[nameLength - 1] == '\t'))
        --nameLength;
    snprintf(name, nameSize, "%.*s", static_cast<int>(nameLength), entry);
    const char* text = equals + 1;
    while (*text == ' ' || *text == '\t')
        ++text;
    snprintf(value, valueSize, "%s", text);
    size_t n = strlen(value);
    while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\t'))
        value[--n] = '\0';
    // Quotes around a value go, as GetPrivateProfileString drops them.
    if (n >= 2 && value[0] == '"' && value[n - 1] == '"') {
        memmove(value, value + 1, n - 2);
        value[n - 2] = '\0';
    }
    return true;
}

// Applies [SANE Options] in file order. An option inactive now is left for the second pass
// (`deferred` collects them; after the page's own options, which can make it active), where one
// still inactive is skipped. An unknown name, a value that does not fit, or a refused setting
// stops the page.
bool ApplyUserOptions(const SaneSettings& settings, std::vector<const char*>* deferred) {
    for (const char* entry = settings.options; *entry; entry += strlen(entry) + 1) {
        char name[kTextChars], text[kValueBytes];
        if (!SplitEntry(entry, name, sizeof name, text, sizeof text))
            continue;
        int any = FindAnyOption(g_options, name);
        if (any < 0) {
            LogSane("option %s: the device has no such option", name);
            return false;
        }
        if (FindOption(g_options, name) < 0) {
            if (deferred)
                deferred->push_back(entry);
            continue;
        }
        OptionValue value;
        if (!ParseOptionValue(g_options[any], text, &value)) {
            LogSane("option %s: \"%s\" does not fit it", name, text);
            return false;
        }
        if (!StepSucceeded(SetOption(any, value), name))
            return false;
    }
    return true;
}

// The second pass: the entries the first left, each once more.
bool ApplyDeferredOptions(const std::vector<const char*>& deferred) {
    SaneSettings entries{};
    size_t used = 0;
    for (const char* entry : deferred) {
        size_t length = strlen(entry) + 1;
        memcpy(entries.options + used, entry, length); // fits: they came from one such list
        used += length;
    }
    entries.options[used] = '\0';
    return ApplyUserOptions(entries, nullptr);
}

// The page's own options: mode and depth, resolution, the area in the device's units,
// brightness and contrast when offered, the feeder when asked for.
bool ApplyPageOptions(const PageRequest& page) {
    const ScanParameters& p = page.parameters;
    bool lineart = page.format.bitsPerSample == 1;
    ModeKind kind = lineart ? ModeKind::Lineart
                            : (page.format.samplesPerPixel == 3 ? ModeKind::Color : ModeKind::Gray);
    int mode = FindOption(g_options, "mode");
    if (mode >= 0) {
        const char* entry = lineart ? LineartEntry(g_options) : ModeEntry(g_options[mode], kind);
        if (!entry) {
            LogSane("mode: the device offers none for Orvane mode 0x%x", p.mode);
            return false;
        }
        char name[kTextChars];
        snprintf(name, sizeof name, "%s", entry); // the list changes when the options reload
        if (!SetText("mode", name))
            return false;
    }
    int resolution = FindOption(g_options, "resolution");
    if (!SetWord("depth", lineart ? 1 : 8) ||
        (resolution >= 0 &&
         !SetWord("resolution", ResolutionValue(g_options[resolution], p.resolution))))
        return false;
    // Left and top place the area; the width and the lines are the page's own.
    const struct {
        const char* name;
        int pixels;
    } edges[] = {{"tl-x", p.left},
                 {"tl-y", p.top},
                 {"br-x", p.left + page.width},
                 {"br-y", p.top + page.lines}};
    for (const auto& edge : edges) {
        int index = FindOption(g_options, edge.name);
        if (index >= 0 && !SetWord(edge.name, AreaValue(g_options[index], std::max(edge.pixels, 0),
                                                        p.resolution)))
            return false;
    }
    const struct {
        const char* name;
        int level;
    } levels[] = {{"brightness", p.brightness}, {"contrast", p.contrast}};
    for (const auto& level : levels) {
        int index = FindOption(g_options, level.name);
        int32_t value = 0;
        if (index >= 0 && LevelValue(g_options[index], level.level, &value) &&
            !SetWord(level.name, value))
            return false;
    }
    if (p.useFeeder) {
        int source = FindOption(g_options, "source");
        const char* feeder = source >= 0 ? FeederEntry(g_options[source]) : nullptr;
        if (!feeder) {
            LogSane("source: the device has no feeder");
            return false;
        }
        char name[kTextChars];
        snprintf(name, sizeof name, "%s", feeder);
        if (!SetText("source", name))
            return false;
    }
    return true;
}

// START of one frame and its data connection. saned pumps a frame as soon as it is started, so
// the parameters asked for after START can already describe the next frame of a three-pass page;
// those asked before START describe the one starting. A frame of another format after START is
// that race: the parameters from before are the ones that hold.
bool StartFrame() {
    SaneParameters before{}, after{};
    uint16_t port = 0;
    uint32_t byteOrder = 0;
    if (!StepSucceeded(SaneGetParameters(g_session, &before), "get parameters") ||
        !StepSucceeded(SaneStart(g_session, &port, &byteOrder), "start"))
        return false;
    if (!OpenDataStream(g_data, g_session.peer, port, g_session.deadline)) {
        LogSane("data connection to port %u: no connection", port);
        return false;
    }
    if (!StepSucceeded(SaneGetParameters(g_session, &after), "get parameters"))
        return false;
    const SaneParameters& frame = after.format == before.format ? after : before;
    if (!UsableLayout(frame, kMaxDeviceLineBytes)) {
        LogSane("parameters: frame %u, depth %d, %d pixels, %d bytes a line: not readable",
                frame.format, frame.depth, frame.pixelsPerLine, frame.bytesPerLine);
        return false;
    }
    g_page.frame = frame;
    g_page.layout =
        FrameLayout{frame.format, frame.depth, frame.pixelsPerLine, byteOrder == 0x1234};
    g_page.line.assign(static_cast<size_t>(frame.bytesPerLine), 0);
    g_page.taken = 0;
    g_page.ended = false;
    return true;
}

bool IsChannelFrame(uint32_t format) {
    return format >= kFrameRed && format <= kFrameBlue;
}

// A device fault in the status byte at a frame's end, or the data connection lost.
bool DataFault(DataResult result) {
    if (result == DataResult::Failed) {
        LogSane("data connection: lost, or no data in time");
        return true;
    }
    return result == DataResult::FrameEnd &&
           !StepSucceeded(g_data.endStatus == kSaneEof ? kSaneGood : g_data.endStatus, "data");
}

// A three-pass page: every frame before the last is read whole and kept, then the last is
// started and streams like any other.
bool CollectChannels() {
    while (IsChannelFrame(g_page.frame.format) && !g_page.frame.lastFrame) {
        int channel = static_cast<int>(g_page.frame.format - kFrameRed);
        std::vector<uint8_t>& stored = g_page.stored[channel];
        stored.clear();
        g_page.storedLayout[channel] = g_page.layout;
        g_page.storedLineBytes[channel] = g_page.frame.bytesPerLine;
        for (;;) {
            size_t got = 0;
            DataResult result =
                ReadFrame(g_data, g_page.line.data(), g_page.line.size(), &got, g_session.deadline);
            if (DataFault(result))
                return false;
            if (result == DataResult::FrameEnd)
                break;
            stored.insert(stored.end(), g_page.line.begin(), g_page.line.end());
        }
        CloseDataStream(g_data);
        if (!StartFrame())
            return false;
    }
    g_page.collected = true;
    return true;
}

// The next line of the streaming frame into g_page.line: 1 a line, 0 the frame is over, -1 a
// fault. A part line at the frame's end is dropped.
int NextDeviceLine() {
    if (g_page.ended)
        return 0;
    if (g_page.frame.lines >= 0 && g_page.taken >= g_page.frame.lines) {
        g_page.ended = true;
        return 0;
    }
    size_t got = 0;
    DataResult result =
        ReadFrame(g_data, g_page.line.data(), g_page.line.size(), &got, g_session.deadline);
    if (DataFault(result))
        return -1;
    if (result == DataResult::FrameEnd) {
        g_page.ended = true;
        return 0;
    }
    ++g_page.taken;
    return 1;
}

void ForgetPage() {
    g_page.active = false;
    for (std::vector<uint8_t>& stored : g_page.stored)
        std::vector<uint8_t>().swap(stored);
    std::vector<uint8_t>().swap(g_page.line);
    std::vector<uint8_t>().swap(g_page.rgb);
}

bool Capabilities(SourceCapabilities* out, bool refresh) {
    if (g_page.active || (!refresh && g_haveKnown)) {
        // The device is busy with our own page, or item 2 follows item 1: what is known.
        *out = g_known;
        return g_haveKnown;
    }
    SaneSettings settings;
    ReadSaneSettings(&settings);
    char model[2 * kTextChars + 2] = "";
    if (OpenDevice(settings, model, sizeof model)) {
        ApplyUserOptions(settings, nullptr); // the device as pages will see it
        DescribeDevice(g_options, model, &g_known);
        g_haveKnown = true;
    }
    EndSession();
    // Unreachable: the capabilities last known, if any.
    *out = g_known;
    return g_haveKnown;
}

bool HasMode(uint16_t modeBits) {
    // Checked for real when the page starts; until the device was described, every mode passes.
    return !g_haveKnown || (modeBits & g_known.modes) != 0;
}

bool Feeder(uint16_t* ready) {
    *ready = 0;
    if (g_page.active) {
        *ready = g_known.feeder;
        return g_known.feeder != 0;
    }
    SaneSettings settings;
    ReadSaneSettings(&settings);
    if (!OpenDevice(settings, nullptr, 0))
        return false;
    int source = FindOption(g_options, "source");
    bool present = source >= 0 && FeederEntry(g_options[source]);
    *ready = 1; // without a sensor the feeder counts as ready: an empty one fails the start
    for (const char* sensor : kFeederSensors) {
        int index = FindOption(g_options, sensor);
        ControlReply reply;
        if (present && index >= 0 && g_options[index].type == kTypeBool &&
            StepSucceeded(SaneControlOption(g_session, index, kActionGet,
                                            WordValue(g_options[index], 0), &reply),
                          sensor)) {
            *ready = reply.value.words[0] ? 1 : 0;
            break;
        }
    }
    EndSession();
    return present;
}

bool StartPage(const PageRequest& request) {
    ForgetPage();
    g_page.request = request;
    g_page.collected = false;
    g_page.nextLine = 0;
    if (request.lineBytes == 0 || request.lines == 0) {
        g_page.active = true; // a page that ends at once needs no device
        g_page.ended = true;
        g_page.collected = true;
        return true;
    }
    SaneSettings settings;
    ReadSaneSettings(&settings);
    std::vector<const char*> deferred;
    if (!OpenDevice(settings, nullptr, 0) || !ApplyUserOptions(settings, &deferred) ||
        !ApplyPageOptions(request) || !ApplyDeferredOptions(deferred) || !StartFrame() ||
        DataFault(WaitForData(g_data, g_session.deadline))) {
        // A device that fails at once (no paper, jammed) ends the frame before any data: that
        // page cannot start.
        EndSession();
        return false;
    }
    g_page.rgb.assign(static_cast<size_t>(request.width) * 3, 255);
    g_page.active = true;
    return true;
}

void EndPage(bool) {
    // Through or cancelled, the device gets a SANE cancel: it ends the scan either way.
    g_session.deadline = DeadlineIn(kGoodbyeMs);
    if (SaneConnected(g_session))
        SaneCancel(g_session);
    EndSession();
    ForgetPage();
}

bool AbandonPage() {
    EndSession();
    ForgetPage();
    return false;
}

bool ReadLines(int count, uint8_t* out) {
    g_session.deadline = DeadlineIn(kItemMs);
    if (!g_page.collected && !CollectChannels())
        return AbandonPage();
    const PageRequest& page = g_page.request;
    uint8_t* rgb = g_page.rgb.data();
    for (int i = 0; i < count; ++i, ++g_page.nextLine, out += page.lineBytes) {
        int y = g_page.nextLine;
        memset(rgb, 255, g_page.rgb.size());
        for (int c = 0; c < 3; ++c) {
            const std::vector<uint8_t>& stored = g_page.stored[c];
            size_t offset = static_cast<size_t>(y) * g_page.storedLineBytes[c];
            if (offset < stored.size())
                DeviceLineToRgb(g_page.storedLayout[c], stored.data() + offset, page.width, rgb);
        }
        int line = NextDeviceLine();
        if (line < 0)
            return AbandonPage();
        if (line > 0)
            DeviceLineToRgb(g_page.layout, g_page.line.data(), page.width, rgb);
        PackLine(page.format, rgb, page.width, y, out);
    }
    return true;
}

constexpr ScannerSource kSane{Capabilities, HasMode, Feeder, StartPage, ReadLines, EndPage};

} // namespace

const ScannerSource& SaneSource() {
    return kSane;
}
