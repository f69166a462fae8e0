// The list and installed-set files in the application directory of the test prefix.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "scanner_list.h"

namespace {

const char kShippedList[] =
    "; Scanner models known to Orvane\r\n"
    "\r\n"
    "Id  | Model | Driver | Code\r\n"
    "   12       |  Vexa_FlatBed_IIc          | ORVDR12.EX_  |  IVEXSCAN\r\n"
    "   14       |  Vexa_Sheet                | ORVDR12.EX_  |  Y\r\n"
    "   20       |  Tarn_Twain                | ORVDR20.EX_  |  T\r\n"
    "   99       |  Reserved_Model            | ORVDR99.EX_  |  X\r\n"
    "   21       |  Vexa_FlatBed              | ORVDR21.EX_  |  IVEX\r\n";

class ScannerListFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstall();
        CreateDirectoryA(AppDir().c_str(), nullptr);
        dir = AppDir();
    }
    void TearDown() override { ResetInstall(); }
    void WriteList(const std::string& text) {
        ASSERT_TRUE(WriteTextFile(dir + kScannerListFile, text));
    }
    std::string ReadFile(const char* name) {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(dir + name, &text));
        return text;
    }
    std::string dir;
};

struct ListBox {
    explicit ListBox(DWORD sort = LBS_SORT) {
        window = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_HASSTRINGS | sort, 0, 0, 200, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~ListBox() { DestroyWindow(window); }
    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        int count = static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[256];
            SendMessageA(window, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
    std::string Selected() const {
        LRESULT index = SendMessageA(window, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR)
            return "";
        char text[256];
        SendMessageA(window, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
    HWND window;
};

TEST_F(ScannerListFiles, LookupsSkipReservedAndUnknownIds) {
    WriteList(std::string(kShippedList) + '\0');
    ScannerFields fields;
    ASSERT_TRUE(FindScannerById(dir.c_str(), 12, &fields));
    EXPECT_STREQ(fields.model, "Vexa FlatBed IIc");
    EXPECT_STREQ(fields.driver, "ORVDR12.EX_");
    EXPECT_STREQ(fields.code, "IVEXSCAN");
    EXPECT_FALSE(FindScannerById(dir.c_str(), 99, &fields));
    EXPECT_FALSE(FindScannerById(dir.c_str(), 0, &fields));
    EXPECT_FALSE(FindScannerById(dir.c_str(), 13, &fields));

    EXPECT_EQ(ModelNameExists(dir.c_str(), "vexa flatbed"), 21);
    EXPECT_EQ(ModelNameExists(dir.c_str(), "Vexa"), 0);
    EXPECT_EQ(NextFreeScannerId(dir.c_str()), 100);
}

TEST_F(ScannerListFiles, NextFreeIdFollowsUserModelsAndMissingListGivesNothing) {
    EXPECT_EQ(NextFreeScannerId(dir.c_str()), 0);
    ScannerFields fields;
    EXPECT_FALSE(FindScannerById(dir.c_str(), 12, &fields));
    std::string list;
    for (int id : {101, 100})
        list +=
            "  " + std::to_string(id) + " | User_" + std::to_string(id) + " | ORVDR07.EX_ | IU\r\n";
    for (int id = 1; id <= 40; ++id)
        list += "  " + std::to_string(id) + " | Model_" + std::to_string(id) + " | X.EX_ | Y\r\n";
    WriteList(list + '\0');
    EXPECT_EQ(NextFreeScannerId(dir.c_str()), 102);
}

TEST_F(ScannerListFiles, ModelSelectedInAListBoxMapsBackToItsId) {
    WriteList(kShippedList);
    ListBox box;
    EXPECT_EQ(FindScannerIdByModel(dir.c_str(), box.window), -1);
    FillScannerListBox(dir.c_str(), dir.c_str(), box.window, 0, false, true);
    EXPECT_EQ(box.Items(), (std::vector<std::string>{"Reserved Model", "Tarn Twain", "Vexa FlatBed",
                                                     "Vexa FlatBed IIc", "Vexa Sheet"}));
    // Showing all selects the first line beginning with the first model's text.
    EXPECT_EQ(box.Selected(), "Vexa FlatBed IIc");
    EXPECT_EQ(FindScannerIdByModel(dir.c_str(), box.window), 12);
    SendMessageA(box.window, LB_SETCURSEL, 2, 0);
    EXPECT_EQ(FindScannerIdByModel(dir.c_str(), box.window), 21);

    // The match is exact and case-sensitive; a text longer than any model matches nothing.
    ListBox plain(0);
    const std::string longName(200, 'L');
    for (const char* text : {"vexa sheet", "Vexa Sheet", longName.c_str()})
        SendMessageA(plain.window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    const int expected[] = {-1, 14, -1};
    for (int i = 0; i < 3; ++i) {
        SendMessageA(plain.window, LB_SETCURSEL, i, 0);
        EXPECT_EQ(FindScannerIdByModel(dir.c_str(), plain.window), expected[i]) << i;
    }
}

TEST_F(ScannerListFiles, InstalledListLeavesOutModelsWithoutTheirDriverProgram) {
    WriteList(kShippedList);
    ASSERT_EQ(AddInstalledScanner(dir.c_str(), 12), 1);
    ASSERT_EQ(AddInstalledScanner(dir.c_str(), 21), 2);
    ASSERT_EQ(AddInstalledScanner(dir.c_str(), 20), 3);
    ASSERT_TRUE(WriteTextFile(dir + "ORVDR21.EXE", "MZ"));
    ASSERT_TRUE(WriteTextFile(dir + "ORVDR20.EXE", "MZ"));
    ListBox box;
    // Id 12 is installed but ORVDR12.EXE is missing: its model text still picks the selection,
    // and the only listed line beginning with it is the other Vexa FlatBed.
    SendMessageA(box.window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    FillScannerListBox(dir.c_str(), dir.c_str(), box.window, 12, true, false);
    EXPECT_EQ(box.Items(), (std::vector<std::string>{"Tarn Twain", "Vexa FlatBed"}));
    EXPECT_EQ(box.Selected(), "");
    FillScannerListBox(dir.c_str(), dir.c_str(), box.window, 21, true, false);
    EXPECT_EQ(box.Selected(), "Vexa FlatBed");
    ASSERT_TRUE(WriteTextFile(dir + "ORVDR12.EXE", "MZ"));
    FillScannerListBox(dir.c_str(), dir.c_str(), box.window, 12, true, false);
    EXPECT_EQ(box.Items().size(), 3u);
    EXPECT_EQ(box.Selected(), "Vexa FlatBed IIc");
    // Without the list nothing is listed.
    DeleteFileA((dir + kScannerListFile).c_str());
    FillScannerListBox(dir.c_str(), dir.c_str(), box.window, 12, true, false);
    EXPECT_TRUE(box.Items().empty());
}

TEST_F(ScannerListFiles, InstalledSetFileKeepsItsBytes) {
    InstalledSet set;
    ASSERT_EQ(ReadInstalledSet(dir.c_str(), &set), 0);
    EXPECT_EQ(ReadFile(kInstalledSetFile), "0");
    EXPECT_EQ(AddInstalledScanner(dir.c_str(), 12), 1);
    EXPECT_EQ(ReadFile(kInstalledSetFile), "\x31\x3c");
    EXPECT_EQ(AddInstalledScanner(dir.c_str(), 5), 2);
    EXPECT_EQ(AddInstalledScanner(dir.c_str(), 12), 2);
    EXPECT_EQ(ReadFile(kInstalledSetFile), "\x32\x3c\x35");
    EXPECT_EQ(RemoveInstalledScanner(dir.c_str(), 12), 1);
    EXPECT_EQ(ReadFile(kInstalledSetFile), "\x31\x35");
    ASSERT_EQ(ReadInstalledSet(dir.c_str(), &set), 0);
    EXPECT_TRUE(IsScannerInstalled(&set, 5));
    EXPECT_FALSE(IsScannerInstalled(&set, 12));

    // An id that does not fit a byte is never written.
    EXPECT_EQ(AddInstalledScanner(dir.c_str(), 208), -1);
    EXPECT_EQ(AddInstalledScanner(dir.c_str(), 12 + 256), -1);
    EXPECT_EQ(RemoveInstalledScanner(dir.c_str(), -1), -1);
    EXPECT_EQ(ReadFile(kInstalledSetFile), "\x31\x35");

    // A missing directory: nothing can be created, the set reads as empty.
    EXPECT_EQ(ReadInstalledSet((dir + "MISSING\\").c_str(), &set), -1);
    EXPECT_EQ(InstalledCount(&set), 0);
    EXPECT_EQ(AddInstalledScanner((dir + "MISSING\\").c_str(), 7), -1);
}

TEST_F(ScannerListFiles, DriverSharedOnlyWithAnotherInstalledModel) {
    WriteList(kShippedList);
    EXPECT_FALSE(DriverSharedByOtherScanner(dir.c_str(), 12, "ORVDR12.EX_"));
    AddInstalledScanner(dir.c_str(), 12);
    EXPECT_FALSE(DriverSharedByOtherScanner(dir.c_str(), 12, "ORVDR12.EX_"));
    AddInstalledScanner(dir.c_str(), 14);
    EXPECT_TRUE(DriverSharedByOtherScanner(dir.c_str(), 12, "orvdr12.ex_"));
    EXPECT_TRUE(DriverSharedByOtherScanner(dir.c_str(), 14, "ORVDR12.EX_"));
    EXPECT_FALSE(DriverSharedByOtherScanner(dir.c_str(), 12, "ORVDR20.EX_"));
}

std::string UserLine(int id, const char* model, const char* pixelDriver) {
    char line[256];
    snprintf(line, sizeof line, "   %d       |  %-34s| ORVDR07.EX_  |  I%s\r\n", id, model,
             pixelDriver);
    return line;
}

TEST_F(ScannerListFiles, AppendedLineReplacesTheEndMarker) {
    const std::string shipped = std::string(kShippedList) + '\0';
    WriteList(shipped);
    const std::string line = UserLine(100, "Acme_Scan", "ACME");
    ASSERT_EQ(line,
              "   100       |  Acme_Scan                         | ORVDR07.EX_  |  IACME\r\n");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile), std::string(kShippedList) + line + '\0');
    ScannerFields fields;
    ASSERT_TRUE(FindScannerById(dir.c_str(), 100, &fields));
    EXPECT_STREQ(fields.model, "Acme Scan");
    EXPECT_STREQ(fields.code, "IACME");
    EXPECT_EQ(ModelNameExists(dir.c_str(), "ACME SCAN"), 100);
    EXPECT_EQ(NextFreeScannerId(dir.c_str()), 101);
    const std::string second = UserLine(101, "Acme_Two", "ACME2");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), second.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile), std::string(kShippedList) + line + second + '\0');
}

TEST_F(ScannerListFiles, AppendKeepsEveryLineOfOddFiles) {
    const std::string line = UserLine(100, "Acme_Scan", "ACME");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendNoFile);
    WriteList("");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile), line + '\0');
    // Ended by Ctrl-Z, by the last line's CR LF, or by no line end at all.
    WriteList("  5 | Five | F.EX_ | Y\r\n\x1a");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile), "  5 | Five | F.EX_ | Y\r\n" + line + '\0');
    WriteList("  5 | Five | F.EX_ | Y\r\n");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile), "  5 | Five | F.EX_ | Y\r\n" + line + '\0');
    WriteList("  5 | Five | F.EX_ | Y");
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile), "  5 | Five | F.EX_ | Y\r\n" + line + '\0');
    ScannerFields fields;
    EXPECT_TRUE(FindScannerById(dir.c_str(), 5, &fields));
    EXPECT_STREQ(fields.code, "Y");
    EXPECT_TRUE(FindScannerById(dir.c_str(), 100, &fields));
}

TEST_F(ScannerListFiles, AppendRefusesAListBeyondItsBuffer) {
    const std::string line = UserLine(100, "Acme_Scan", "ACME");
    std::string big;
    while (big.size() + 40 < kListFileMaxBytes - line.size())
        big += "  5 | Padding_Model | F.EX_ | Y        \r\n";
    big.resize(kListFileMaxBytes - line.size() - 4, ';');
    big += std::string("\r\n") + '\0';
    // Exactly fits: old content minus marker, the line, the new marker.
    WriteList(big);
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendDone);
    EXPECT_EQ(ReadFile(kScannerListFile).size(), size_t(kListFileMaxBytes - 1));
    const std::string full = ReadFile(kScannerListFile);
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendTooLarge);
    EXPECT_EQ(ReadFile(kScannerListFile), full);
    WriteList(std::string(40000, ';'));
    EXPECT_EQ(AppendScannerLine(dir.c_str(), line.c_str()), kAppendTooLarge);
    EXPECT_EQ(ReadFile(kScannerListFile), std::string(40000, ';'));
}

// A list of megabytes is damaged: it is read only as far as a list the programs write can reach.
TEST_F(ScannerListFiles, AListOfMegabytesIsReadOnlyToItsBuffer) {
    WriteList("  5 | First | F.EX_ | Y\r\n" + std::string(4 << 20, ';') +
              "\r\n  6 | Beyond | B.EX_ | Y\r\n");
    ScannerFields fields;
    EXPECT_TRUE(FindScannerById(dir.c_str(), 5, &fields));
    EXPECT_FALSE(FindScannerById(dir.c_str(), 6, &fields));
}

} // namespace
