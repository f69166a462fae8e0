#include "server_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

ServerSettings g_settings;

constexpr char kSettingsFile[] = "ORVMAIN.INI";
constexpr char kLogFile[] = "ORVMAIN.LOG";
constexpr char kScanner[] = "Scanner";
constexpr char kFaults[] = "Faults";
constexpr char kLog[] = "Log";
constexpr char kSane[] = "SANE";
constexpr char kSaneOptions[] = "SANE Options";
constexpr uint16_t kSanePort = 6566; // saned's registered port
constexpr char kDefaultResolutionList[] = "75,100,150,200,300,400,600";

// Parses "a,b,c" into at most `capacity` numbers; returns how many.
int ParseNumbers(const char* text, int* out, int capacity) {
    int count = 0;
    const char* p = text;
    while (*p && count < capacity) {
        char* end = nullptr;
        long value = strtol(p, &end, 10);
        if (end == p) {
            ++p; // skip separators and stray characters
            continue;
        }
        out[count++] = static_cast<int>(value);
        p = end;
    }
    return count;
}

uint32_t ReadItemSet(const char* section, const char* key, const char* file) {
    char text[256];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, file);
    int items[32];
    int count = ParseNumbers(text, items, 32);
    uint32_t set = 0;
    for (int i = 0; i < count; ++i)
        if (items[i] >= 0 && items[i] < 32)
            set |= 1u << items[i];
    return set;
}

int ReadInt(const char* section, const char* key, int fallback, const char* file) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, file));
}

} // namespace

void LoadServerSettings() {
    char dir[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, dir, sizeof dir);
    if (length == 0 || length >= sizeof dir)
        length = 0;
    dir[length] = '\0';
    char* slash = strrchr(dir, '\\');
    if (slash)
        slash[1] = '\0';
    else
        dir[0] = '\0';
    char file[MAX_PATH];
    snprintf(file, sizeof file, "%s%s", dir, kSettingsFile);

    ServerSettings& s = g_settings;
    GetPrivateProfileStringA(kScanner, "Model", "Orvane Test Scanner", s.model, sizeof s.model,
                             file);
    s.modes = static_cast<uint16_t>(ReadInt(kScanner, "Modes", kAllModes, file));
    // The maximum area is a US Letter page at 300 dpi, in pixels (width) and lines (height).
    s.maxLeft = static_cast<int16_t>(ReadInt(kScanner, "MaxLeft", 0, file));
    s.maxTop = static_cast<int16_t>(ReadInt(kScanner, "MaxTop", 0, file));
    s.maxRight = static_cast<int16_t>(ReadInt(kScanner, "MaxRight", 2550, file));
    s.maxBottom = static_cast<int16_t>(ReadInt(kScanner, "MaxBottom", 3300, file));
    s.feeder = static_cast<uint16_t>(ReadInt(kScanner, "Feeder", 1, file));
    s.feederReady = static_cast<uint16_t>(ReadInt(kScanner, "FeederReady", 1, file));
    s.brightnessLevels = static_cast<uint16_t>(ReadInt(kScanner, "BrightnessLevels", 255, file));
    s.contrastLevels = static_cast<uint16_t>(ReadInt(kScanner, "ContrastLevels", 255, file));
    s.decompression = static_cast<uint8_t>(ReadInt(kScanner, "Decompression", 1, file) != 0);
    char kind[16];
    GetPrivateProfileStringA(kScanner, "ResolutionKind", "range", kind, sizeof kind, file);
    s.resolutionRange = _stricmp(kind, "list") != 0;
    s.resolutionMin = static_cast<uint16_t>(ReadInt(kScanner, "ResolutionMin", 75, file));
    s.resolutionMax = static_cast<uint16_t>(ReadInt(kScanner, "ResolutionMax", 600, file));
    char list[256];
    GetPrivateProfileStringA(kScanner, "ResolutionList", kDefaultResolutionList, list, sizeof list,
                             file);
    int values[kMaxResolutions];
    s.resolutionCount = ParseNumbers(list, values, kMaxResolutions);
    for (int i = 0; i < s.resolutionCount; ++i)
        s.resolutionList[i] = static_cast<uint16_t>(values[i]);
    GetPrivateProfileStringA(kScanner, "Image", "", s.image, sizeof s.image, file);

    s.noMainWindow = ReadInt(kFaults, "NoMainWindow", 0, file) != 0;
    s.noInitiateAnswer = ReadInt(kFaults, "NoInitiateAnswer", 0, file) != 0;
    s.refuseInitiate = ReadInt(kFaults, "RefuseInitiate", 0, file) != 0;
    s.busyPokes = ReadInt(kFaults, "BusyPokes", 0, file);
    s.nackItems = ReadItemSet(kFaults, "NackItems", file);
    s.delayMs = ReadInt(kFaults, "DelayMs", 0, file);
    s.delayItems = ReadItemSet(kFaults, "DelayItems", file);
    s.cancelInsteadOfData = ReadInt(kFaults, "CancelInsteadOfData", 0, file) != 0;
    s.dieAfterLines = ReadInt(kFaults, "DieAfterLines", 0, file);
    s.maxBlockLines = ReadInt(kFaults, "MaxBlockLines", 0, file);
    s.foreignReplies = ReadInt(kFaults, "ForeignReplies", 0, file) != 0;
    s.keepBlocks = ReadInt(kFaults, "KeepBlocks", 0, file) != 0;

    s.logReceived = ReadInt(kLog, "Received", 0, file) != 0;
    s.logSane = ReadInt(kLog, "SANE", 0, file) != 0;
    snprintf(s.logPath, sizeof s.logPath, "%s%s", dir, kLogFile);
    snprintf(s.settingsPath, sizeof s.settingsPath, "%s", file);
}

SourceKind ReadSourceKind() {
    char source[16];
    GetPrivateProfileStringA(kScanner, "Source", "Chart", source, sizeof source,
                             g_settings.settingsPath);
    return _stricmp(source, "SANE") == 0 ? SourceKind::Sane : SourceKind::Chart;
}

void ReadSaneSettings(SaneSettings* out) {
    const char* file = g_settings.settingsPath;
    GetPrivateProfileStringA(kSane, "Host", "127.0.0.1", out->host, sizeof out->host, file);
    int port = ReadInt(kSane, "Port", kSanePort, file);
    out->port = static_cast<uint16_t>(port > 0 && port <= 0xFFFF ? port : kSanePort);
    GetPrivateProfileStringA(kSane, "Device", "", out->device, sizeof out->device, file);
    GetPrivateProfileStringA(kSane, "User", "", out->user, sizeof out->user, file);
    GetPrivateProfileStringA(kSane, "Password", "", out->password, sizeof out->password, file);
    // A section too long for the buffer comes back cut and ending in two NULs.
    DWORD length = GetPrivateProfileSectionA(kSaneOptions, out->options, sizeof out->options, file);
    out->options[length] = '\0';
    if (length + 1 < sizeof out->options)
        out->options[length + 1] = '\0';
}

const ServerSettings& Settings() {
    return g_settings;
}

bool ItemInSet(uint32_t set, unsigned item) {
    return item < 32 && (set & (1u << item)) != 0;
}
