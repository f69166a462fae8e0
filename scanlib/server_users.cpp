#include "server_users.h"

#include <tlhelp32.h>

#include <cstdio>

#include "wait_clock.h"

namespace {

constexpr char kLaunchMutexName[] = "orvane_launch_mutex";
constexpr char kUserMarkFormat[] = "orvane_server_user_%lu";
// Longer than any find-or-start or shutdown takes, far shorter than the exchange time-out.
constexpr DWORD kLaunchWaitMs = 30000;

HANDLE g_mark = nullptr;

void MarkName(DWORD processId, char* name, size_t size) {
    std::snprintf(name, size, kUserMarkFormat, static_cast<unsigned long>(processId));
}

} // namespace

LaunchLock::LaunchLock() : mutex_(CreateMutexA(nullptr, FALSE, kLaunchMutexName)), owned_(false) {
    if (!mutex_)
        return;
    const Deadline wait = DeadlineIn(kLaunchWaitMs);
    for (;;) {
        const DWORD result =
            MsgWaitForMultipleObjects(1, &mutex_, FALSE, TimeLeft(wait), QS_SENDMESSAGE);
        // An abandoned mutex (its holder ended) is ours all the same.
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) {
            owned_ = true;
            return;
        }
        if (result != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

LaunchLock::~LaunchLock() {
    if (owned_)
        ReleaseMutex(mutex_);
    if (mutex_)
        CloseHandle(mutex_);
}

void MarkServerUser() {
    if (g_mark)
        return;
    char name[64];
    MarkName(GetCurrentProcessId(), name, sizeof name);
    g_mark = CreateEventA(nullptr, TRUE, FALSE, name);
}

void UnmarkServerUser() {
    if (g_mark)
        CloseHandle(g_mark);
    g_mark = nullptr;
}

bool OtherServerUsers() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        char name[64];
        MarkName(entry.th32ProcessID, name, sizeof name);
        HANDLE mark = OpenEventA(SYNCHRONIZE, FALSE, name);
        if (mark) {
            CloseHandle(mark);
            found = true;
        }
    }
    CloseHandle(snapshot);
    return found;
}
