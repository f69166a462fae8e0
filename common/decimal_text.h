// Decimal numbers written as text by people and other programs: manifest strings, the
// installation program's command line, profile values and typed option fields. Free of any
// platform call so the readers can be built and fuzzed natively.
#pragma once
#include <cstdint>

// The leading number of text: white space (space, tab, CR, LF) and one sign may come first, the
// digits run up to the first other character. Magnitudes beyond 10^12 are held there, so a long
// digit run never overflows. False (value 0) when there are no digits.
bool ScanDecimal(const char* text, int64_t* value);

// The number as manifests and the command line read it: no digits read as 0, values beyond the
// 16-bit range are held at its ends.
int16_t ReadDecimal(const char* text);

// A profile value read as an integer for a field holding minimum..maximum: an empty value gives
// fallback, text without digits 0, and a number the field cannot hold gives fallback too (cut to
// the field it would name another value).
int32_t ProfileNumber(const char* text, int32_t fallback, int32_t minimum, int32_t maximum);

// A field that must hold only digits (no sign, no blanks) spelling at most maximum.
bool ReadUnsignedText(const char* text, int32_t maximum, int32_t* value);
