// The one clock of the library's bounded waits: milliseconds of the system's tick count. The
// count wraps after 49.7 days; the difference of two readings stays right across the wrap.
#pragma once
#include <windows.h>

#include <cstdint>

// A wait of limitMs that started at startMs.
struct Deadline {
    uint32_t startMs;
    uint32_t limitMs;
};

inline Deadline DeadlineIn(uint32_t limitMs) {
    return {static_cast<uint32_t>(GetTickCount()), limitMs};
}
// Milliseconds left of the wait at the reading nowMs; 0 once it has run out.
inline uint32_t TimeLeftAt(const Deadline& deadline, uint32_t nowMs) {
    const uint32_t spent = nowMs - deadline.startMs;
    return spent < deadline.limitMs ? deadline.limitMs - spent : 0;
}
inline uint32_t TimeLeft(const Deadline& deadline) {
    return TimeLeftAt(deadline, static_cast<uint32_t>(GetTickCount()));
}
