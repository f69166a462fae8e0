// The library's pure rules and its client table, driven in one process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "call_trace.h"
#include "capability_replies.h"
#include "attribute_blocks.h"
#include "client_table.h"
#include "location_check.h"
#include "program_launch.h"
#include "wait_clock.h"

namespace {

TEST(LocationCheck, ComparesTheModuleDirectoryWithTheWindowsDirectory) {
    EXPECT_TRUE(LiesInWindowsDirectory("C:\\windows\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_TRUE(LiesInWindowsDirectory("c:\\WINDOWS\\orvlib32.dll", "C:\\Windows"));
    EXPECT_TRUE(LiesInWindowsDirectory("C:\\windows\\ORVLIB32.DLL", "C:\\windows\\"));
    // A root directory already ends in a backslash.
    EXPECT_TRUE(LiesInWindowsDirectory("C:\\ORVLIB32.DLL", "C:\\"));
    EXPECT_FALSE(LiesInWindowsDirectory("C:\\windows\\system32\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_FALSE(LiesInWindowsDirectory("C:\\windows\\KELTO32\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_FALSE(LiesInWindowsDirectory("C:\\win\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_FALSE(LiesInWindowsDirectory("C:\\windowsx\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_FALSE(LiesInWindowsDirectory("D:\\windows\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_FALSE(LiesInWindowsDirectory("C:\\ORVLIB32.DLL", "C:\\windows"));
    EXPECT_FALSE(LiesInWindowsDirectory("ORVLIB32.DLL", "C:\\windows"));
}

TEST(Capabilities, LevelsGiveMinimumMaximumAndNormal) {
    uint16_t lo, hi, normal;
    LevelRange(0, &lo, &hi, &normal);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 1);
    EXPECT_EQ(normal, 0);
    LevelRange(5, &lo, &hi, &normal);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 5);
    EXPECT_EQ(normal, 3);
    LevelRange(4, &lo, &hi, &normal);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 4);
    EXPECT_EQ(normal, 2);
    LevelRange(1, &lo, &hi, &normal);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 1);
    EXPECT_EQ(normal, 1);
}

void PutWord(uint8_t* block, size_t offset, uint16_t value) {
    block[offset] = static_cast<uint8_t>(value);
    block[offset + 1] = static_cast<uint8_t>(value >> 8);
}

TEST(Capabilities, ResolutionRangesAndLists) {
    uint8_t reply[32] = {};
    PutWord(reply, 4, 1);
    PutWord(reply, 8, 100);
    PutWord(reply, 10, 300);
    EXPECT_EQ(ResolutionBits(reply, sizeof reply), 0x07);
    PutWord(reply, 8, 50);
    PutWord(reply, 10, 600);
    EXPECT_EQ(ResolutionBits(reply, sizeof reply), 0x2F);

    uint8_t list[14] = {};
    PutWord(list, 4, 0);
    PutWord(list, 6, 3);
    PutWord(list, 8, 75);
    PutWord(list, 10, 150);
    PutWord(list, 12, 300);
    EXPECT_EQ(ResolutionBits(list, sizeof list), 0x24);
    // A count larger than the block reads only the entries the block holds.
    PutWord(list, 6, 30000);
    EXPECT_EQ(ResolutionBits(list, sizeof list), 0x24);
    EXPECT_EQ(ResolutionBits(list, 10), 0x20);
}

TEST(Capabilities, RecordFromTheCapabilityReply) {
    uint8_t reply[60] = {};
    PutWord(reply, 4, 0x9D);
    PutWord(reply, 6, 1);
    PutWord(reply, 8, 2);
    PutWord(reply, 10, 2550);
    PutWord(reply, 12, 3508);
    PutWord(reply, 14, 1);
    PutWord(reply, 16, 5);
    PutWord(reply, 18, 4);
    reply[21] = 1;
    std::memcpy(reply + 28, "Flatbed X", 9);
    ScannerCapabilities record;
    std::memset(&record, 0xAA, sizeof record);
    CapabilitiesFromReply(reply, sizeof reply, 7, &record);
    EXPECT_EQ(record.ScanId, 7);
    EXPECT_EQ(record.ScanMode, 0x9D);
    EXPECT_EQ(record.ScanArea.L, 1);
    EXPECT_EQ(record.ScanArea.T, 2);
    EXPECT_EQ(record.ScanArea.R, 2550);
    EXPECT_EQ(record.ScanArea.B, 3508);
    EXPECT_EQ(record.HasADF, 1);
    EXPECT_EQ(record.br_max_val, 5);
    EXPECT_EQ(record.br_normal, 3);
    EXPECT_EQ(record.cr_max_val, 4);
    EXPECT_EQ(record.cr_normal, 2);
    EXPECT_EQ(record.PageDecomp, 1);
    EXPECT_STREQ(record.ModelName, "Flatbed X");
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
    for (size_t i = 62; i < 88; ++i) {
        if (i != 86) {
            EXPECT_EQ(bytes[i], 0) << i;
        }
    }
    // A reply cut short reads as zeros past its end.
    CapabilitiesFromReply(reply, 12, 1, &record);
    EXPECT_EQ(record.ScanArea.R, 2550);
    EXPECT_EQ(record.ScanArea.B, 0);
    EXPECT_EQ(record.ModelName[0], 0);
}

TEST(ServerConnect, SelectionsWithoutADriverGiveTheirCodes) {
    EXPECT_EQ(SelectionStatus(0), -1002);
    EXPECT_EQ(SelectionStatus(-3), -1002);
    EXPECT_EQ(SelectionStatus(149), -1002);
    EXPECT_EQ(SelectionStatus(150), -1002);
    EXPECT_EQ(SelectionStatus(151), -35);
    EXPECT_EQ(SelectionStatus(152), -37);
    EXPECT_EQ(SelectionStatus(153), -38);
    EXPECT_EQ(SelectionStatus(154), -36);
    EXPECT_EQ(SelectionStatus(155), -36);
    EXPECT_EQ(SelectionStatus(156), -36);
    EXPECT_EQ(SelectionStatus(157), -1002);
}

TEST(Waits, TimeLeftCountsDownAcrossTheTickCountWrap) {
    const Deadline wait{0xFFFFFF00u, 0x200};
    EXPECT_EQ(TimeLeftAt(wait, 0xFFFFFF00u), 0x200u);
    EXPECT_EQ(TimeLeftAt(wait, 0x50), 0xB0u);
    EXPECT_EQ(TimeLeftAt(wait, 0x100), 0u);
    EXPECT_EQ(TimeLeftAt(wait, 0x7000), 0u);
}

TEST(Trace, LineForms) {
    char line[160];
    FormatCallLine(line, sizeof line, "enter : ORV_Open", 3, 0, kFormNone);
    EXPECT_STREQ(line, "enter : ORV_Open, fId=3");
    FormatCallLine(line, sizeof line, "exit  : ORV_Open", 3, static_cast<uint16_t>(-1011),
                   kFormShort);
    EXPECT_STREQ(line, "exit  : ORV_Open, -1011, fId=3");
    FormatCallLine(line, sizeof line, "exit  : ORV_Get_Msg_Id", 2, 0xC123, kFormUnsigned);
    EXPECT_STREQ(line, "exit  : ORV_Get_Msg_Id, 49443, fId=2");
    FormatCallLine(line, sizeof line, "exit  : ORV_Get_Scan_Data", 2, static_cast<uint32_t>(-2004),
                   kFormLong);
    EXPECT_STREQ(line, "exit  : ORV_Get_Scan_Data, -2004, fId=2");
    FormatCallLine(line, sizeof line, "x", 2, 0xFFFFFFFFu, kFormULong);
    EXPECT_STREQ(line, "x, 4294967295, fId=2");
    FormatValueLine(line, sizeof line, "        bufsize    : %lu", 8192, kFormULong);
    EXPECT_STREQ(line, "        bufsize    : 8192");
    FormatValueLine(line, sizeof line, "        UseADF     : %d", 0x10001, kFormShort);
    EXPECT_STREQ(line, "        UseADF     : 1");
    FormatValueLine(line, sizeof line, "                   : T=%d", 0xFFFF, kFormShort);
    EXPECT_STREQ(line, "                   : T=-1");
    FormatValueLine(line, sizeof line, "    INPUT  :", 5, kFormNone);
    EXPECT_STREQ(line, "    INPUT  :");
}

// The table of this test process (no library is loaded here, so it is a fresh one).
struct TableTest : ::testing::Test {
    static void SetUpTestSuite() {
        ASSERT_TRUE(OpenOrCreateTable());
        ASSERT_TRUE(MapTable());
    }
    void SetUp() override {
        while (EntryCount(TableLock{}) > 0)
            RemoveClient(TableLock{}, EntryAt(0)->clientId);
    }
    static HWND NewWindow() {
        return CreateWindowExA(0, "STATIC", "client", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
    }
    static HGLOBAL NewBlock() { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 56); }
    static bool BlockFreed(HGLOBAL block) { return GlobalFlags(block) == GMEM_INVALID_HANDLE; }
};

TEST_F(TableTest, IdsCountUpAndRemovalKeepsEntriesDense) {
    HWND windows[3] = {NewWindow(), NewWindow(), NewWindow()};
    int32_t ids[3];
    int32_t before = Header()->idCounter;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(RegisterClient(TableLock{}, windows[i], NewBlock(), &ids[i]), 0);
    EXPECT_EQ(ids[1], before + 2);
    EXPECT_EQ(ids[2], before + 3);
    EXPECT_EQ(RegisterClient(TableLock{}, windows[1], nullptr, &ids[0]), ORV_ERR_WINDOW_REGISTERED);
    ASSERT_TRUE(SubscribeClient(TableLock{}, ids[2], 0xC100));
    // Removing entry 0 moves the last entry, whole, into its slot.
    EXPECT_EQ(RemoveClient(TableLock{}, ids[0]), 2);
    EXPECT_EQ(EntryAt(0)->clientId, ids[2]);
    EXPECT_EQ(WindowFromField(EntryAt(0)->clientWindow), windows[2]);
    EXPECT_EQ(EntryAt(0)->notifyMessage, 0xC100u);
    EXPECT_EQ(FindClient(TableLock{}, ids[1]), 1);
    EXPECT_FALSE(HasClient(TableLock{}, ids[0]));
    EXPECT_EQ(RemoveClient(TableLock{}, ids[0]), 2) << "an unknown id changes nothing";
    int32_t next;
    ASSERT_EQ(RegisterClient(TableLock{}, NewWindow(), NewBlock(), &next), 0);
    EXPECT_EQ(next, before + 4) << "ids are not reused";
    for (HWND window : windows)
        DestroyWindow(window);
}

TEST_F(TableTest, AThirtySecondClientIsRefusedAndNothingWritten) {
    for (int i = 0; i < kMaxClients; ++i) {
        int32_t id;
        ASSERT_EQ(RegisterClient(TableLock{}, NewWindow(), NewBlock(), &id), 0) << i;
    }
    uint8_t before[kTableSize];
    std::memcpy(before, Header(), kTableSize);
    HGLOBAL block = NewBlock();
    int32_t id = -7;
    EXPECT_EQ(RegisterClient(TableLock{}, NewWindow(), block, &id), ORV_ERR_NO_MEMORY);
    EXPECT_EQ(id, -7);
    EXPECT_EQ(std::memcmp(before, Header(), kTableSize), 0);
    EXPECT_FALSE(BlockFreed(block)) << "a refused block stays the caller's";
    GlobalFree(block);
}

TEST_F(TableTest, OnlyBlocksThisProcessAllocatedAreFreed) {
    HGLOBAL own = NewBlock();
    int32_t ownId;
    ASSERT_EQ(RegisterClient(TableLock{}, NewWindow(), own, &ownId), 0);
    // An entry another process added: its block handle means nothing here.
    HGLOBAL foreign = NewBlock();
    int32_t foreignId = ++Header()->idCounter;
    ClientEntry* entry = EntryAt(Header()->entryCount++);
    entry->clientId = foreignId;
    entry->clientWindow = WindowField(NewWindow());
    entry->attributeBlock = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(foreign));
    RemoveClient(TableLock{}, foreignId);
    EXPECT_FALSE(BlockFreed(foreign));
    EXPECT_FALSE(BlockFreed(own));
    GlobalFree(foreign);

    ScannerAttributes attributes{};
    attributes.Resolution = 600;
    EXPECT_EQ(WriteClientAttributes(TableLock{}, ownId, &attributes), 0);
    ScannerAttributes back{};
    EXPECT_EQ(ReadClientAttributes(TableLock{}, ownId, &back), 0);
    EXPECT_EQ(back.Resolution, 600);
    EXPECT_EQ(ReadClientAttributes(TableLock{}, foreignId, &back), ORV_ERR_UNKNOWN_CLIENT);

    // Another process removed our entry: the block is released at our next table update.
    Header()->entryCount = 0;
    int32_t later;
    ASSERT_EQ(RegisterClient(TableLock{}, NewWindow(), NewBlock(), &later), 0);
    EXPECT_TRUE(BlockFreed(own));
    RemoveClient(TableLock{}, later);
}

TEST_F(TableTest, NotifyPostsToSubscribersAndPurgeDropsDeadWindows) {
    HWND live = NewWindow(), quiet = NewWindow(), dead = NewWindow();
    int32_t liveId, quietId, deadId;
    ASSERT_EQ(RegisterClient(TableLock{}, live, NewBlock(), &liveId), 0);
    ASSERT_EQ(RegisterClient(TableLock{}, dead, NewBlock(), &deadId), 0);
    ASSERT_EQ(RegisterClient(TableLock{}, quiet, NewBlock(), &quietId), 0);
    SubscribeClient(TableLock{}, liveId, WM_APP + 5);
    SubscribeClient(TableLock{}, deadId, WM_APP + 5);
    DestroyWindow(dead);

    Header()->openClient = liveId;
    EXPECT_FALSE(NotifyScannerFree(TableLock{})) << "nothing is posted while the scanner is held";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE));

    Header()->openClient = 0;
    EXPECT_TRUE(NotifyScannerFree(TableLock{}));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, live);
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(msg.lParam, 1);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE));

    PurgeDeadClients(TableLock{});
    EXPECT_EQ(EntryCount(TableLock{}), 2);
    EXPECT_FALSE(HasClient(TableLock{}, deadId));
    EXPECT_TRUE(HasClient(TableLock{}, liveId));
    EXPECT_TRUE(HasClient(TableLock{}, quietId));
    DestroyWindow(live);
    DestroyWindow(quiet);
}

} // namespace
