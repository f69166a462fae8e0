// Stale clients in the shared table, driven in one process: entries and a holder left behind by
// ended processes or destroyed windows are told from live ones and given up.
#include <gtest/gtest.h>

#include <string>

#include "client_table.h"
#include "stale_clients.h"

namespace {

// The id of a process that has run to its end; the handle is kept open while `keepHandle`.
DWORD EndedProcess(HANDLE* keepHandle = nullptr) {
    char command[] = "C:\\windows\\system32\\cmd.exe /c exit 0";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        return 0;
    WaitForSingleObject(info.hProcess, 30000);
    CloseHandle(info.hThread);
    if (keepHandle)
        *keepHandle = info.hProcess;
    else
        CloseHandle(info.hProcess);
    return info.dwProcessId;
}

struct StaleClients : ::testing::Test {
    static void SetUpTestSuite() {
        ASSERT_TRUE(OpenOrCreateTable());
        ASSERT_TRUE(MapTable());
    }
    void SetUp() override {
        while (EntryCount(TableLock{}) > 0)
            RemoveClient(TableLock{}, EntryAt(0)->clientId);
        SetHolder(TableLock{}, 0);
    }
    static HWND NewWindow() {
        return CreateWindowExA(0, "STATIC", "client", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
    }
    static int32_t Register(HWND window) {
        int32_t id = 0;
        EXPECT_EQ(RegisterClient(TableLock{}, window, nullptr, &id), 0);
        return id;
    }
    // The entry as another process would have written it.
    static void SetEntryProcess(int32_t id, DWORD process) {
        ClientEntry* entry = EntryAt(FindClient(TableLock{}, id));
        entry->processLow = LOWORD(process);
        entry->processHigh = HIWORD(process);
    }
    // The holder's process id as the table holds it.
    static uint32_t& HolderProcess() {
        return *reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(Header()) +
                                            kHolderProcessOffset);
    }
};

TEST_F(StaleClients, EndedProcessesAreToldFromRunningOnes) {
    EXPECT_FALSE(ProcessEnded(0)) << "0 names no process";
    EXPECT_FALSE(ProcessEnded(GetCurrentProcessId()));
    HANDLE handle = nullptr;
    const DWORD held = EndedProcess(&handle);
    ASSERT_NE(held, 0u);
    EXPECT_TRUE(ProcessEnded(held)) << "ended, its id still held by our handle";
    CloseHandle(handle);
    EXPECT_TRUE(ProcessEnded(held)) << "ended and released";
}

TEST_F(StaleClients, EntriesRecordTheirProcessAndStaleOnesAreRemoved) {
    HWND live = NewWindow(), gone = NewWindow(), orphan = NewWindow(), unknown = NewWindow();
    const int32_t liveId = Register(live), goneId = Register(gone), orphanId = Register(orphan),
                  unknownId = Register(unknown);
    const ClientEntry* entry = EntryAt(FindClient(TableLock{}, liveId));
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(entry->processLow, entry->processHigh)),
              GetCurrentProcessId());
    DestroyWindow(gone);
    SetEntryProcess(orphanId, EndedProcess());
    SetEntryProcess(unknownId, 0); // written by a library that does not record the process

    EXPECT_EQ(ReclaimStale(TableLock{}), 2);
    EXPECT_EQ(EntryCount(TableLock{}), 2);
    EXPECT_TRUE(HasClient(TableLock{}, liveId));
    EXPECT_TRUE(HasClient(TableLock{}, unknownId));
    EXPECT_FALSE(HasClient(TableLock{}, goneId));
    EXPECT_FALSE(HasClient(TableLock{}, orphanId));
    EXPECT_EQ(ReclaimStale(TableLock{}), 0) << "nothing left to reclaim";
    for (HWND window : {live, orphan, unknown})
        DestroyWindow(window);
}

TEST_F(StaleClients, AHolderIsDroppedOnlyWhenItCanNeverClose) {
    HWND window = NewWindow();
    const int32_t id = Register(window);
    SetHolder(TableLock{}, id);
    EXPECT_EQ(HolderProcess(), GetCurrentProcessId());
    EXPECT_FALSE(HolderStale(TableLock{}));

    // Quit without closing: the open stands while its process runs, or when the process is not
    // known.
    RemoveClient(TableLock{}, id);
    EXPECT_FALSE(HolderStale(TableLock{}));
    HolderProcess() = 0;
    EXPECT_FALSE(HolderStale(TableLock{}));
    EXPECT_EQ(ReclaimStale(TableLock{}), 0);
    EXPECT_EQ(Holder(TableLock{}), id);

    // Its process ended: dropped.
    HolderProcess() = EndedProcess();
    EXPECT_TRUE(HolderStale(TableLock{}));
    ReclaimStale(TableLock{});
    EXPECT_EQ(Holder(TableLock{}), 0);
    EXPECT_EQ(HolderProcess(), 0u);

    // A holder whose window is gone, in a running process, can never be served again.
    HWND other = NewWindow();
    const int32_t otherId = Register(other);
    SetHolder(TableLock{}, otherId);
    DestroyWindow(other);
    EXPECT_TRUE(HolderStale(TableLock{}));
    EXPECT_EQ(ReclaimStale(TableLock{}), 1);
    EXPECT_EQ(Holder(TableLock{}), 0);
    EXPECT_EQ(EntryCount(TableLock{}), 0);
    DestroyWindow(window);
}

// The first client holds the scanner and its window goes with four others; the second waits
// for the scanner and hears that it is free once the new client's registration gave it up.
TEST_F(StaleClients, AFullTableGivesUpItsStaleEntriesToANewClient) {
    constexpr UINT kFree = WM_APP + 7;
    HWND windows[kMaxClients];
    int32_t ids[kMaxClients];
    for (int i = 0; i < kMaxClients; ++i)
        ids[i] = Register(windows[i] = NewWindow());
    SetHolder(TableLock{}, ids[0]);
    ASSERT_TRUE(SubscribeClient(TableLock{}, ids[1], kFree));
    const int32_t counter = Header()->idCounter;
    for (int i = 0; i < 5; ++i)
        DestroyWindow(windows[i * 6]);
    int32_t id = 0;
    HWND fresh = NewWindow();
    ASSERT_EQ(RegisterClient(TableLock{}, fresh, nullptr, &id), 0);
    EXPECT_EQ(id, counter + 1);
    EXPECT_EQ(EntryCount(TableLock{}), kMaxClients - 5 + 1);
    EXPECT_EQ(Holder(TableLock{}), 0);
    MSG note{};
    EXPECT_TRUE(PeekMessageA(&note, windows[1], kFree, kFree, PM_REMOVE));
    EXPECT_EQ(note.wParam, 1u);
    EXPECT_EQ(note.lParam, 1);
    for (HWND window : windows)
        DestroyWindow(window);
    DestroyWindow(fresh);
}

} // namespace
