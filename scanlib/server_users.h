// Which processes use the scanning server. Processes loading the library at the same moment
// would each start a server of their own, and a process unloading while another one sits between
// ORV_Quit and its next ORV_Init (an empty table) would close the server under it: finding or
// starting the server and deciding to close it happen one process at a time, and every process
// that found the server marks itself as its user until it unloads.
#pragma once
#include <windows.h>

// Holds the launch mutex for its scope. The wait keeps delivering messages sent to this thread
// (the holder's WM_NULL broadcast waits for our windows) and gives up after a bound; the work then
// goes on unserialised rather than never.
struct LaunchLock {
    LaunchLock();
    ~LaunchLock();
    LaunchLock(const LaunchLock&) = delete;
    LaunchLock& operator=(const LaunchLock&) = delete;

private:
    HANDLE mutex_;
    bool owned_;
};

// This process's mark: a named object the system removes when the process ends, however it ends.
void MarkServerUser();
void UnmarkServerUser();
// True when a process other than this one holds its mark.
bool OtherServerUsers();
