#include "call_trace.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "config_names.h"
#include "library_state.h"
#include "app_directory.h"

namespace {

constexpr size_t kTextBuffer = 128;
constexpr size_t kLineBuffer = 160; // the longest line is 125 characters

int16_t g_level = 0;
char g_logFile[kPathBufferSize] = "";

void LoadText(int id, char* text) {
    text[0] = '\0';
    if (id > 0)
        LoadStringA(g_library.instance, static_cast<UINT>(id), text, kTextBuffer);
}

} // namespace

void ReadTraceSwitch() {
    char switchFile[kPathBufferSize] = "";
    // Without both paths in the application directory there is no trace, rather than one read
    // or written wherever a bare name leads.
    if (!AppFile(switchFile, sizeof switchFile, kTraceSwitchFile) ||
        !AppFile(g_logFile, sizeof g_logFile, kTraceLogFile))
        return;
    g_level =
        static_cast<int16_t>(GetPrivateProfileIntA(kTraceSection, kTraceFlagKey, 0, switchFile));
}

// The texts are the printf formats of the log; the values are passed in the widths they name
// (long is 32 bits on Windows, so %ld and %lu take 32-bit values).
void FormatCallLine(char* out, size_t size, const char* text, int32_t clientId, uint32_t value,
                    TraceForm form) {
    switch (form) {
    case kFormNone:
        std::snprintf(out, size, "%s, fId=%d", text, clientId);
        break;
    case kFormShort:
        std::snprintf(out, size, "%s, %d, fId=%d", text, static_cast<int16_t>(value), clientId);
        break;
    case kFormLong:
        std::snprintf(out, size, "%s, %d, fId=%d", text, static_cast<int32_t>(value), clientId);
        break;
    case kFormUnsigned:
    case kFormULong:
        std::snprintf(out, size, "%s, %u, fId=%d", text, value, clientId);
        break;
    }
}

void FormatValueLine(char* out, size_t size, const char* text, uint32_t value, TraceForm form) {
    switch (form) {
    case kFormNone:
        std::snprintf(out, size, "%s", text);
        break;
    case kFormShort:
        std::snprintf(out, size, text, static_cast<int>(static_cast<int16_t>(value)));
        break;
    default:
        std::snprintf(out, size, text, value);
        break;
    }
}

void TraceCall(int k, int32_t clientId, uint32_t value, TraceForm form) {
    if (g_level == 0)
        return;
    char text[kTextBuffer];
    LoadText(k > 0 ? kTraceTextBase + k : 0, text);
    if (g_level != 1)
        return;
    char line[kLineBuffer];
    FormatCallLine(line, sizeof line, text, clientId, value, form);
    WriteTraceLine(line);
}

void TraceValue(int textId, uint32_t value, TraceForm form) {
    if (g_level == 0)
        return;
    char text[kTextBuffer];
    LoadText(textId, text);
    if (g_level != 1)
        return;
    char line[kLineBuffer];
    FormatValueLine(line, sizeof line, text, value, form);
    WriteTraceLine(line);
}

void WriteTraceLine(const char* line) {
    OFSTRUCT info;
    UINT mode =
        OpenFile(g_logFile, &info, OF_EXIST) != HFILE_ERROR ? OF_WRITE : OF_CREATE | OF_WRITE;
    HFILE file = OpenFile(g_logFile, &info, mode);
    if (file == HFILE_ERROR)
        return;
    char buffer[kLineBuffer + 2];
    std::snprintf(buffer, sizeof buffer, "%s\r\n", line);
    _llseek(file, 0, FILE_END);
    _lwrite(file, buffer, static_cast<UINT>(std::strlen(buffer)));
    _lclose(file);
}
