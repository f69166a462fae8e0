// The log ORVMAIN.LOG: one line per DDE message received on the DDE window, written only when
// [Log] Received=1, and one line per failed step of the SANE client ("SANE " and what failed)
// when [Log] SANE=1. The file is opened, appended to and closed per line.
#pragma once
#include <cstddef>
#include <cstdint>

void LogInitiate(const char* application, const char* topic);
void LogPoke(unsigned item, unsigned format, const uint8_t* bytes, size_t size);
void LogRequest(unsigned item, unsigned format);
void LogClose();
void LogSane(const char* format, ...) __attribute__((format(printf, 1, 2)));
