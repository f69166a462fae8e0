// The call trace: with DEBUG_FLAG=1 in CAT.INI every export appends its enter and exit lines
// (and some values) to ORVLIB.LOG in the application directory.
#pragma once
#include <cstddef>
#include <cstdint>

#include "orvlib_ids.h"

// Trace numbers k; an export line uses the string 300 + k.
constexpr int kTraceGetVersion = 1;
constexpr int kTraceInit = 3;
constexpr int kTraceQuit = 5;
constexpr int kTraceGetMsgId = 7;
constexpr int kTraceSetup = 9;
constexpr int kTraceOpen = 11;
constexpr int kTraceClose = 13;
constexpr int kTraceGetCapabilities = 15;
constexpr int kTraceGetAttributes = 17;
constexpr int kTraceSetAttributes = 19;
constexpr int kTraceStartScan = 21;
constexpr int kTraceGetScanData = 23;
constexpr int kTraceCancel = 25;
constexpr int kTraceIsAdfReady = 27;
constexpr int kTraceIsScannerBusy = 29;
constexpr int kTraceSetDecomp = 31; // functions 1 to 4 of the decompression control: 31, 33, 35, 37
constexpr int kTraceTextBase = TRACE_TEXT_BASE;

// Line forms: 0 no value, 1 signed 16-bit, 2 unsigned 32-bit, 3 signed 32-bit, 4 unsigned 32-bit.
enum TraceForm { kFormNone = 0, kFormShort = 1, kFormUnsigned = 2, kFormLong = 3, kFormULong = 4 };

// Reads the switch once per process (the first ORV_Init).
void ReadTraceSwitch();
// One export line: the text 300 + k, the value in the form, the client id.
void TraceCall(int k, int32_t clientId, uint32_t value, TraceForm form);
// One value line: the text with this id is the format.
void TraceValue(int textId, uint32_t value, TraceForm form);
// Appends the line and "\r\n" to the log: one open, seek to end, write and close.
void WriteTraceLine(const char* line);

// Formats an export line as the log shows it.
void FormatCallLine(char* out, size_t size, const char* text, int32_t clientId, uint32_t value,
                    TraceForm form);
// Formats a value line: the text is the format.
void FormatValueLine(char* out, size_t size, const char* text, uint32_t value, TraceForm form);
