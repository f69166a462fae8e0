#include "receive_log.h"

#include "server_settings.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

void AppendLine(const std::string& line, bool wanted) {
    if (!wanted)
        return;
    HANDLE file = CreateFileA(Settings().logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

void LogInitiate(const char* application, const char* topic) {
    AppendLine(std::string("INITIATE app=") + application + " topic=" + topic,
               Settings().logReceived);
}

void LogPoke(unsigned item, unsigned format, const uint8_t* bytes, size_t size) {
    char head[64];
    snprintf(head, sizeof head, "POKE item=%u format=%u bytes=", item, format);
    std::string line = head;
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < size; ++i) {
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 15];
    }
    AppendLine(line, Settings().logReceived);
}

void LogRequest(unsigned item, unsigned format) {
    char line[64];
    snprintf(line, sizeof line, "REQUEST item=%u format=%u", item, format);
    AppendLine(line, Settings().logReceived);
}

void LogClose() {
    AppendLine("CLOSE", Settings().logReceived);
}

void LogSane(const char* format, ...) {
    if (!Settings().logSane)
        return;
    char line[512] = "SANE ";
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line + 5, sizeof line - 5, format, arguments);
    va_end(arguments);
    AppendLine(line, true);
}
