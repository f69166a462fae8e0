// ORVMAIN.EXE driven over raw DDE: the initiate handshake, the reply block layouts, pages in
// every line format with their chart content, the fault modes of ORVMAIN.INI, shutdown, and
// memory that stays flat over many large exchanges.
#include "bitmap_file.h"
#include "harness.h"
#include "raw_dde_client.h"

#include <dde.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned kFormatScanParameters = 512, kFormatCapabilities = 513, kFormatFeeder = 515,
                   kFormatLines = 516, kFormatResolutions = 517;
constexpr uint16_t kModeBlackWhite = 0x01, kModeHalftone = 0x02, kModeGray4 = 0x04,
                   kModeGray8 = 0x08, kModeColour = 0x10, kModeGray4b = 0x80;

std::vector<uint8_t> ScanParameterBlock(uint16_t mode, int16_t right, int16_t bottom,
                                        uint16_t resolution, uint16_t useFeeder = 0) {
    std::vector<uint8_t> block(24, 0);
    PutWord(&block, 2, kFormatScanParameters);
    PutWord(&block, 4, mode);
    PutWord(&block, 6, 1);
    PutWord(&block, 8, 1);
    PutWord(&block, 10, static_cast<uint16_t>(right));
    PutWord(&block, 12, static_cast<uint16_t>(bottom));
    PutWord(&block, 14, useFeeder);
    PutWord(&block, 16, 3);
    PutWord(&block, 18, 4);
    PutWord(&block, 22, resolution);
    return block;
}

std::vector<uint8_t> TransferSetupBlock(uint16_t decompressionMode, int16_t lines) {
    std::vector<uint8_t> block(10, 0);
    PutWord(&block, 0, kRelease);
    PutWord(&block, 2, kFormatLines);
    PutWord(&block, 4, decompressionMode);
    PutWord(&block, 6, static_cast<uint16_t>(lines));
    return block;
}

struct Page {
    bool started = false;
    bool ended = false;       // an empty line block arrived
    int bytesPerLine = -1;    // of the content blocks
    int endBytesPerLine = -1; // of the empty block
    int lines = 0;
    std::vector<int> blockLines;
    std::vector<uint16_t> blockFlags;
    std::vector<uint8_t> data;
};

class ScanServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstall();
        client_ = CreateClientWindow();
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(client_);
        StopProgram(&process_);
        ResetInstall();
    }

    // Places the server with its settings, starts it and waits for its windows.
    void StartServer(const std::string& settings, bool expectMainWindow = true) {
        ASSERT_TRUE(PlaceInAppDir("ORVMAIN.EXE"));
        if (!settings.empty()) {
            ASSERT_TRUE(WriteTextFile(AppDir() + "ORVMAIN.INI", settings));
        }
        process_ = StartProgram("\"" + AppDir() + "ORVMAIN.EXE\"");
        ASSERT_NE(process_, nullptr);
        dde_ = WaitForWindow("Orvane", "", 10000);
        ASSERT_NE(dde_, nullptr);
        if (expectMainWindow) {
            ASSERT_NE(WaitForWindow("OrvMain", nullptr, 10000), nullptr);
        }
    }
    void Connect() {
        InitiateResult answer = Initiate(client_, "Orvane", "Vellicor");
        ASSERT_EQ(answer.server, dde_);
        server_ = answer.server;
    }

    Page ScanPage(uint16_t mode, int16_t width, int16_t lines, uint16_t resolution,
                  int16_t linesPerTransfer, unsigned item = 8) {
        Page page;
        DdeReply poked =
            Poke(client_, server_, ScanParameterBlock(mode, width, lines, resolution), 4);
        EXPECT_EQ(poked.message, WM_DDE_ACK);
        EXPECT_TRUE(poked.status & kAck);
        DdeReply started = Request(client_, server_, 0, 6);
        page.started = started.message == WM_DDE_ACK && (started.status & kAck);
        if (!page.started)
            return page;
        DdeReply setup = Poke(client_, server_, TransferSetupBlock(0, linesPerTransfer), 7);
        EXPECT_TRUE(setup.status & kAck);
        for (int guard = 0; guard < 100000; ++guard) {
            DdeReply reply = Request(client_, server_, kFormatLines, item);
            if (reply.message != WM_DDE_DATA || reply.block.size() < 8)
                break;
            int bytesPerLine = Word(reply.block, 4);
            int count = static_cast<int16_t>(Word(reply.block, 6));
            EXPECT_EQ(Word(reply.block, 2), kFormatLines);
            EXPECT_EQ(reply.block.size(),
                      8u + static_cast<size_t>(std::max(count, 0)) * bytesPerLine);
            if (bytesPerLine * count <= 0) {
                page.ended = true;
                page.endBytesPerLine = bytesPerLine;
                break;
            }
            page.bytesPerLine = bytesPerLine;
            page.lines += count;
            page.blockLines.push_back(count);
            page.blockFlags.push_back(Word(reply.block, 0));
            page.data.insert(page.data.end(), reply.block.begin() + 8, reply.block.end());
        }
        return page;
    }

    std::vector<std::string> LogLines() {
        std::string text;
        ReadWholeFile(AppDir() + "ORVMAIN.LOG", &text);
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    HWND client_ = nullptr;
    HANDLE process_ = nullptr;
    HWND dde_ = nullptr;
    HWND server_ = nullptr;
};

const uint8_t* Pixel24(const Page& page, int x, int y) {
    return &page.data[static_cast<size_t>(y) * page.bytesPerLine + 3 * x];
}

int Gray(const uint8_t* rgb) {
    return (rgb[0] * 77 + rgb[1] * 150 + rgb[2] * 29) >> 8;
}

bool SameColour(const uint8_t* rgb, uint8_t r, uint8_t g, uint8_t b) {
    return rgb[0] == r && rgb[1] == g && rgb[2] == b;
}

// A 24-bit page as a bottom-up BMP file.
bool WriteBmp(const Page& page, int width, const std::string& path) {
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = page.lines;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(stride * page.lines);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<char*>(&info), sizeof info);
    for (int y = page.lines - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const uint8_t* rgb = Pixel24(page, x, y);
            row[3 * x] = static_cast<char>(rgb[2]);
            row[3 * x + 1] = static_cast<char>(rgb[1]);
            row[3 * x + 2] = static_cast<char>(rgb[0]);
        }
        bytes += row;
    }
    return WriteTextFile(path, bytes);
}

TEST_F(ScanServerTest, InitiateIsAnsweredDuringTheBroadcastAndLogged) {
    StartServer("[Log]\nReceived=1\n");
    EXPECT_EQ(GetWindowTextLengthA(dde_), 0);
    EXPECT_FALSE(IsWindowVisible(dde_));
    // Another topic gets no answer; the right one gets "Orvane" and no topic atom.
    EXPECT_EQ(Initiate(client_, "Orvane", "Elsewhere").answers, 0);
    InitiateResult answer = Initiate(client_, "Orvane", "Vellicor");
    EXPECT_EQ(answer.answers, 1);
    EXPECT_EQ(answer.server, dde_);
    EXPECT_EQ(answer.application, "Orvane");
    EXPECT_EQ(answer.topic, "");
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "INITIATE app=Orvane topic=Elsewhere");
    EXPECT_EQ(log[1], "INITIATE app=Orvane topic=Vellicor");
}

TEST_F(ScanServerTest, InitiateFaultsRefuseOrStaySilent) {
    StartServer("[Faults]\nRefuseInitiate=1\n");
    InitiateResult refused = Initiate(client_, "Orvane", "Vellicor");
    EXPECT_EQ(refused.answers, 1);
    EXPECT_EQ(refused.application, "Orvane");
    EXPECT_EQ(refused.topic, "Vellicor"); // both atoms: a refusal
    TearDown();
    SetUp();
    StartServer("[Faults]\nNoInitiateAnswer=1\n[Log]\nReceived=1\n");
    EXPECT_EQ(Initiate(client_, "Orvane", "Vellicor").answers, 0);
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "INITIATE app=Orvane topic=Vellicor");
}

TEST_F(ScanServerTest, NoMainWindowLeavesOnlyTheDdeWindow) {
    StartServer("[Faults]\nNoMainWindow=1\n", false);
    Sleep(300);
    EXPECT_EQ(FindWindowA("OrvMain", nullptr), nullptr);
    EXPECT_EQ(Initiate(client_, "Orvane", "Vellicor").server, dde_);
}

TEST_F(ScanServerTest, CapabilityAndResolutionBlocks) {
    StartServer("[Scanner]\nModel=Flatbed 9000\nModes=13\nMaxLeft=1\nMaxTop=2\nMaxRight=1700\n"
                "MaxBottom=2200\nFeeder=1\nBrightnessLevels=5\nContrastLevels=4\n"
                "Decompression=1\nResolutionKind=list\nResolutionList=75, 150,300\n");
    Connect();
    DdeReply caps = Request(client_, server_, kFormatCapabilities, 1);
    ASSERT_EQ(caps.message, WM_DDE_DATA);
    ASSERT_EQ(caps.block.size(), 60u);
    uint16_t flags = Word(caps.block, 0);
    EXPECT_TRUE(flags & kRelease);
    EXPECT_FALSE(flags & kAckReq); // the library never acknowledges data
    EXPECT_EQ(Word(caps.block, 2), kFormatCapabilities);
    EXPECT_EQ(Word(caps.block, 4), 13);
    EXPECT_EQ(Word(caps.block, 6), 1);
    EXPECT_EQ(Word(caps.block, 8), 2);
    EXPECT_EQ(Word(caps.block, 10), 1700);
    EXPECT_EQ(Word(caps.block, 12), 2200);
    EXPECT_EQ(Word(caps.block, 14), 1);
    EXPECT_EQ(Word(caps.block, 16), 5);
    EXPECT_EQ(Word(caps.block, 18), 4);
    EXPECT_EQ(caps.block[20], 0);
    EXPECT_EQ(caps.block[21], 1);
    std::string model(reinterpret_cast<const char*>(&caps.block[28]), 32);
    EXPECT_EQ(model, std::string("Flatbed 9000") + std::string(20, '\0'));

    DdeReply list = Request(client_, server_, kFormatResolutions, 2);
    ASSERT_EQ(list.message, WM_DDE_DATA);
    EXPECT_EQ(Word(list.block, 2), kFormatResolutions);
    EXPECT_EQ(Word(list.block, 4), 0);
    EXPECT_EQ(Word(list.block, 6), 3);
    EXPECT_EQ(Word(list.block, 8), 75);
    EXPECT_EQ(Word(list.block, 10), 150);
    EXPECT_EQ(Word(list.block, 12), 300);

    TearDown();
    SetUp();
    StartServer(""); // no settings file: the defaults
    Connect();
    caps = Request(client_, server_, kFormatCapabilities, 1);
    ASSERT_EQ(caps.message, WM_DDE_DATA);
    EXPECT_EQ(Word(caps.block, 4), 0x9F);
    EXPECT_STREQ(reinterpret_cast<const char*>(&caps.block[28]), "Orvane Test Scanner");
    DdeReply range = Request(client_, server_, kFormatResolutions, 2);
    ASSERT_EQ(range.message, WM_DDE_DATA);
    EXPECT_NE(Word(range.block, 4), 0);
    EXPECT_EQ(Word(range.block, 8), 75);
    EXPECT_EQ(Word(range.block, 10), 600);
}

TEST_F(ScanServerTest, PageGeometryAndContentInEveryLineFormat) {
    StartServer("[Log]\nReceived=1\n");
    Connect();
    constexpr int kWidth = 200, kLines = 120;
    Page colour = ScanPage(kModeColour, kWidth, kLines, 150, 25);
    ASSERT_TRUE(colour.ended);
    EXPECT_EQ(colour.bytesPerLine, 3 * kWidth);
    EXPECT_EQ(colour.endBytesPerLine, 3 * kWidth);
    EXPECT_EQ(colour.lines, kLines);
    EXPECT_EQ(colour.blockLines, (std::vector<int>{25, 25, 25, 25, 20}));
    for (uint16_t flags : colour.blockFlags)
        EXPECT_EQ(flags & (kRelease | kAckReq), kRelease);
    // The poke is logged byte for byte.
    std::vector<std::string> log = LogLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], "POKE item=4 format=512 bytes="
                      "00000002100001000100c800780000000300040000009600");

    // Chart landmarks: the frame, the gray ramp (lines 12 to 23), the colour bars (lines 90
    // to 107, 25 pixels each), and the black word in the middle.
    EXPECT_TRUE(SameColour(Pixel24(colour, 0, 0), 0, 0, 0));
    EXPECT_TRUE(SameColour(Pixel24(colour, kWidth - 1, kLines - 1), 0, 0, 0));
    EXPECT_TRUE(SameColour(Pixel24(colour, 100, 6), 255, 255, 255));
    EXPECT_LT(Gray(Pixel24(colour, 5, 18)), 16);
    EXPECT_TRUE(SameColour(Pixel24(colour, 100, 18), 128, 128, 128));
    EXPECT_GT(Gray(Pixel24(colour, 194, 18)), 240);
    const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    for (int bar = 0; bar < 8; ++bar) {
        const uint8_t* rgb = Pixel24(colour, bar * 25 + 12, 99);
        EXPECT_TRUE(SameColour(rgb, bars[bar][0], bars[bar][1], bars[bar][2])) << "bar " << bar;
    }
    int ink = 0;
    for (int y = 45; y < 75; ++y)
        for (int x = 40; x < 160; ++x)
            ink += SameColour(Pixel24(colour, x, y), 0, 0, 0);
    EXPECT_GT(ink, 300) << "the word is drawn";
    EXPECT_LT(ink, 3000) << "the word is not a solid block";

    // The gray and black-and-white formats carry the same chart at their depths.
    Page gray8 = ScanPage(kModeGray8, kWidth, kLines, 150, 25);
    Page gray4 = ScanPage(kModeGray4, kWidth, kLines, 150, 25);
    Page gray4b = ScanPage(kModeGray4b, kWidth, kLines, 150, 25);
    Page mono = ScanPage(kModeBlackWhite, kWidth, kLines, 150, 25);
    ASSERT_EQ(gray8.lines, kLines);
    ASSERT_EQ(gray4.lines, kLines);
    ASSERT_EQ(mono.lines, kLines);
    EXPECT_EQ(gray8.bytesPerLine, kWidth);
    EXPECT_EQ(gray4.bytesPerLine, kWidth / 2);
    EXPECT_EQ(gray4b.data, gray4.data);
    EXPECT_EQ(mono.bytesPerLine, (kWidth + 7) / 8);
    int mismatches = 0;
    for (int y = 0; y < kLines; ++y)
        for (int x = 0; x < kWidth; ++x) {
            int g = Gray(Pixel24(colour, x, y));
            int g8 = gray8.data[y * gray8.bytesPerLine + x];
            int g4 = gray4.data[y * gray4.bytesPerLine + x / 2] >> (x & 1 ? 0 : 4) & 15;
            int bit = mono.data[y * mono.bytesPerLine + x / 8] >> (7 - (x & 7)) & 1;
            mismatches += g8 != g || g4 != g >> 4 || bit != (g >= 128);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(ScanServerTest, OddWidthsRoundUpToWholeBytes) {
    StartServer("");
    Connect();
    Page mono = ScanPage(kModeBlackWhite, 100, 10, 300, 10);
    EXPECT_EQ(mono.bytesPerLine, 13);
    Page gray4 = ScanPage(kModeGray4, 101, 10, 300, 10);
    EXPECT_EQ(gray4.bytesPerLine, 51);
    // The last pixel of an odd 4-bit line sits in the high nibble; the low one is 0.
    EXPECT_EQ(gray4.data[50] & 0x0F, 0);
    Page empty = ScanPage(kModeGray8, 0, 10, 300, 10);
    EXPECT_TRUE(empty.ended);
    EXPECT_EQ(empty.lines, 0);
}

TEST_F(ScanServerTest, HalftoneDithersMidGray) {
    StartServer("");
    Connect();
    Page halftone = ScanPage(kModeHalftone, 256, 160, 100, 40);
    ASSERT_EQ(halftone.lines, 160);
    ASSERT_EQ(halftone.bytesPerLine, 32);
    // The ramp band (lines 16 to 31) at its middle: about half the dots white.
    int white = 0;
    for (int y = 16; y < 32; ++y)
        for (int x = 112; x < 144; ++x)
            white += halftone.data[y * 32 + x / 8] >> (7 - (x & 7)) & 1;
    EXPECT_GT(white, 16 * 32 * 3 / 10);
    EXPECT_LT(white, 16 * 32 * 7 / 10);
}

TEST_F(ScanServerTest, PageStateAcrossRequests) {
    StartServer("[Scanner]\nModes=9\nFeeder=1\nFeederReady=0\n");
    Connect();
    // Lines before any page, and a page before any parameters, are refused.
    DdeReply early = Request(client_, server_, kFormatLines, 8);
    EXPECT_EQ(early.message, WM_DDE_ACK);
    EXPECT_FALSE(early.status & kAck);
    EXPECT_FALSE(Request(client_, server_, 0, 6).status & kAck);
    // A mode the scanner lacks is refused.
    EXPECT_FALSE(Poke(client_, server_, ScanParameterBlock(kModeColour, 50, 50, 300), 4).status &
                 kAck);
    // A feeder page with the feeder not ready does not start.
    EXPECT_TRUE(Poke(client_, server_, ScanParameterBlock(kModeGray8, 50, 50, 300, 1), 4).status &
                kAck);
    EXPECT_FALSE(Request(client_, server_, 0, 6).status & kAck);
    DdeReply feeder = Request(client_, server_, kFormatFeeder, 5);
    ASSERT_EQ(feeder.message, WM_DDE_DATA);
    EXPECT_EQ(Word(feeder.block, 4) & Word(feeder.block, 6), 0);
    // After the empty block, every further request gets the empty block again.
    Page page = ScanPage(kModeGray8, 50, 30, 300, 40);
    ASSERT_TRUE(page.ended);
    EXPECT_EQ(page.blockLines, std::vector<int>{30});
    DdeReply again = Request(client_, server_, kFormatLines, 8);
    ASSERT_EQ(again.message, WM_DDE_DATA);
    EXPECT_EQ(Word(again.block, 6), 0);
    // Cancel ends the page: line requests are answered "cancelled" until the next page.
    ASSERT_TRUE(Poke(client_, server_, ScanParameterBlock(kModeGray8, 50, 30, 300), 4).status &
                kAck);
    ASSERT_TRUE(Request(client_, server_, 0, 6).status & kAck);
    EXPECT_TRUE(Request(client_, server_, 0, 9).status & kAck);
    DdeReply cancelled = Request(client_, server_, kFormatLines, 8);
    EXPECT_EQ(cancelled.message, WM_DDE_ACK);
    EXPECT_TRUE(cancelled.status & kAck);
}

TEST_F(ScanServerTest, FeederReadyAndMissing) {
    StartServer("[Scanner]\nFeeder=1\nFeederReady=1\n");
    Connect();
    DdeReply ready = Request(client_, server_, kFormatFeeder, 5);
    ASSERT_EQ(ready.message, WM_DDE_DATA);
    EXPECT_EQ(Word(ready.block, 2), kFormatFeeder);
    EXPECT_NE(Word(ready.block, 4) & Word(ready.block, 6), 0);
    TearDown();
    SetUp();
    StartServer("[Scanner]\nFeeder=0\n");
    Connect();
    EXPECT_EQ(Request(client_, server_, kFormatFeeder, 5).message, WM_DDE_ACK);
}

TEST_F(ScanServerTest, BusyPokesAreCountedInTheLog) {
    StartServer("[Faults]\nBusyPokes=3\n[Log]\nReceived=1\n");
    Connect();
    int posts = 0;
    std::vector<uint8_t> block = ScanParameterBlock(kModeGray8, 40, 20, 300);
    DdeReply answer = Poke(client_, server_, block, 4, &posts);
    EXPECT_TRUE(answer.status & kAck);
    EXPECT_EQ(posts, 4);
    std::vector<std::string> log = LogLines();
    int pokes = static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& l) {
        return l.rfind("POKE item=4 format=512 bytes=", 0) == 0;
    }));
    EXPECT_EQ(pokes, 4);
    // The next poke is busy three times again.
    posts = 0;
    EXPECT_TRUE(Poke(client_, server_, TransferSetupBlock(0, 5), 7, &posts).status & kAck);
    EXPECT_EQ(posts, 4);
}

TEST_F(ScanServerTest, NackedItemsAndCancelInsteadOfData) {
    StartServer("[Faults]\nNackItems=6,1\n");
    Connect();
    DdeReply caps = Request(client_, server_, kFormatCapabilities, 1);
    EXPECT_EQ(caps.message, WM_DDE_ACK);
    EXPECT_FALSE(caps.status & kAck);
    EXPECT_TRUE(Poke(client_, server_, ScanParameterBlock(kModeGray8, 40, 20, 300), 4).status &
                kAck);
    EXPECT_FALSE(Request(client_, server_, 0, 6).status & kAck);
    TearDown();
    SetUp();
    StartServer("[Faults]\nCancelInsteadOfData=1\n");
    Connect();
    ASSERT_TRUE(Poke(client_, server_, ScanParameterBlock(kModeGray8, 40, 20, 300), 4).status &
                kAck);
    ASSERT_TRUE(Request(client_, server_, 0, 6).status & kAck);
    DdeReply lines = Request(client_, server_, kFormatLines, 8);
    EXPECT_EQ(lines.message, WM_DDE_ACK);
    EXPECT_TRUE(lines.status & kAck);
}

TEST_F(ScanServerTest, DieAfterLinesEndsTheProcessMidPage) {
    StartServer("[Faults]\nDieAfterLines=30\n");
    Connect();
    ASSERT_TRUE(Poke(client_, server_, ScanParameterBlock(kModeGray8, 64, 100, 300), 4).status &
                kAck);
    ASSERT_TRUE(Request(client_, server_, 0, 6).status & kAck);
    ASSERT_TRUE(Poke(client_, server_, TransferSetupBlock(0, 25), 7).status & kAck);
    // 25 lines, then the 5 that make 30, then the process is gone.
    for (int expected : {25, 5}) {
        DdeReply lines = Request(client_, server_, kFormatLines, 8);
        ASSERT_EQ(lines.message, WM_DDE_DATA);
        EXPECT_EQ(Word(lines.block, 6), expected);
    }
    EXPECT_EQ(WaitForSingleObject(process_, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(WaitForWindowGone(dde_, 5000));
    EXPECT_EQ(FindWindowA("OrvMain", nullptr), nullptr);
    EXPECT_FALSE(PostRequest(client_, server_, kFormatLines, 8));
}

TEST_F(ScanServerTest, MaxBlockLinesKeepsBlocksSmall) {
    StartServer("[Faults]\nMaxBlockLines=7\n");
    Connect();
    Page page = ScanPage(kModeBlackWhite, 33, 30, 300, 25);
    EXPECT_TRUE(page.ended);
    EXPECT_EQ(page.blockLines, (std::vector<int>{7, 7, 7, 7, 2}));
}

TEST_F(ScanServerTest, ForeignRepliesPrecedeEveryAnswer) {
    StartServer("[Faults]\nForeignReplies=1\n");
    Connect();
    std::vector<DdeReply> others;
    ASSERT_TRUE(PostRequest(client_, server_, kFormatCapabilities, 1));
    DdeReply caps = ReplyFor(client_, 1, kReplyTimeoutMs, &others);
    EXPECT_EQ(caps.message, WM_DDE_DATA);
    ASSERT_EQ(others.size(), 2u);
    EXPECT_EQ(others[0].message, WM_DDE_ACK);
    EXPECT_NE(others[0].item, 1u);
    EXPECT_EQ(others[1].message, WM_DDE_DATA);
    EXPECT_NE(others[1].item, 1u);
    EXPECT_EQ(Word(others[1].block, 6), 0);
}

TEST_F(ScanServerTest, KeepBlocksClearsReleaseOnLineBlocksOnly) {
    StartServer("[Faults]\nKeepBlocks=1\n");
    Connect();
    EXPECT_TRUE(Word(Request(client_, server_, kFormatCapabilities, 1).block, 0) & kRelease);
    Page page = ScanPage(kModeGray8, 16, 20, 300, 10);
    ASSERT_EQ(page.blockFlags.size(), 2u);
    for (uint16_t flags : page.blockFlags)
        EXPECT_FALSE(flags & kRelease);
}

TEST_F(ScanServerTest, DelayAppliesToTheListedItems) {
    StartServer("[Faults]\nDelayMs=400\nDelayItems=6\n");
    Connect();
    DWORD start = GetTickCount();
    EXPECT_EQ(Request(client_, server_, kFormatCapabilities, 1).message, WM_DDE_DATA);
    EXPECT_LT(GetTickCount() - start, 300u);
    ASSERT_TRUE(Poke(client_, server_, ScanParameterBlock(kModeGray8, 40, 20, 300), 4).status &
                kAck);
    start = GetTickCount();
    EXPECT_TRUE(Request(client_, server_, 0, 6).status & kAck);
    EXPECT_GE(GetTickCount() - start, 390u);
}

TEST_F(ScanServerTest, DecompressionItems) {
    StartServer("[Scanner]\nDecompression=1\n");
    Connect();
    std::vector<uint8_t> parameters(14, 0);
    PutWord(&parameters, 0, kRelease);
    PutWord(&parameters, 2, kFormatLines);
    for (int i = 0; i < 5; ++i)
        PutWord(&parameters, 4 + 2 * i, static_cast<uint16_t>(10 + i));
    EXPECT_TRUE(Poke(client_, server_, parameters, 10).status & kAck);
    DdeReply data = Request(client_, server_, kFormatLines, 11);
    ASSERT_EQ(data.message, WM_DDE_DATA);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Word(data.block, 4 + 2 * i), 10 + i);
    EXPECT_TRUE(Request(client_, server_, 0, 14).status & kAck);
    EXPECT_EQ(Word(Request(client_, server_, kFormatLines, 11).block, 4), 0); // flushed
    Page graphic = ScanPage(kModeBlackWhite, 64, 12, 75, 5, 15);
    EXPECT_TRUE(graphic.ended);
    EXPECT_EQ(graphic.bytesPerLine, 8);
    EXPECT_EQ(graphic.lines, 12);

    TearDown();
    SetUp();
    StartServer("[Scanner]\nDecompression=0\n");
    Connect();
    EXPECT_FALSE(Poke(client_, server_, parameters, 10).status & kAck);
    for (unsigned item : {11u, 14u, 15u}) {
        DdeReply reply = Request(client_, server_, item == 14 ? 0 : kFormatLines, item);
        EXPECT_EQ(reply.message, WM_DDE_ACK) << item;
        EXPECT_FALSE(reply.status & kAck) << item;
    }
}

TEST_F(ScanServerTest, ImageSettingReplacesTheChart) {
    // A 2x2 image: red, green / blue, white.
    const Rgb pixels[2][2] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
    CreateDirectoryA(AppDir().c_str(), nullptr);
    ASSERT_TRUE(WriteTextFile(AppDir() + "PAGE.BMP",
                              BitmapFile(2, 2, [&](int x, int y) { return pixels[y][x]; })));
    StartServer("[Scanner]\nImage=" + AppDir() + "PAGE.BMP\n");
    Connect();
    Page page = ScanPage(kModeColour, 4, 4, 300, 4); // scaled up twice
    ASSERT_EQ(page.lines, 4);
    EXPECT_TRUE(SameColour(Pixel24(page, 1, 1), 255, 0, 0));
    EXPECT_TRUE(SameColour(Pixel24(page, 2, 0), 0, 255, 0));
    EXPECT_TRUE(SameColour(Pixel24(page, 0, 3), 0, 0, 255));
    EXPECT_TRUE(SameColour(Pixel24(page, 3, 2), 255, 255, 255));
}

TEST_F(ScanServerTest, CloseOnTheDdeWindowEndsTheServer) {
    StartServer("[Log]\nReceived=1\n");
    Connect();
    HWND main = FindWindowA("OrvMain", nullptr);
    SendMessageA(dde_, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process_, 5000), WAIT_OBJECT_0);
    EXPECT_FALSE(IsWindow(dde_));
    EXPECT_FALSE(IsWindow(main));
    std::vector<std::string> log = LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "CLOSE");
}

TEST_F(ScanServerTest, ChartPageAsBitmap) {
    StartServer("");
    Connect();
    constexpr int kWidth = 850, kLines = 1100; // US Letter at 100 dpi
    Page page = ScanPage(kModeColour, kWidth, kLines, 100, 200);
    ASSERT_EQ(page.lines, kLines);
    // Inch ticks along the top edge, white paper between them.
    EXPECT_TRUE(SameColour(Pixel24(page, 100, 10), 0, 0, 0));
    EXPECT_TRUE(SameColour(Pixel24(page, 50, 10), 255, 255, 255));
    EXPECT_TRUE(WriteBmp(page, kWidth, BinPath("scanserver_chart.bmp")));
}

size_t PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
        return 0;
    return counters.PagefileUsage;
}

TEST_F(ScanServerTest, ManyLargeExchangesLeaveMemoryFlat) {
    StartServer("");
    Connect();
    constexpr int kWidth = 2048, kLinesPerBlock = 171; // 1,050,624 bytes a block
    ASSERT_TRUE(
        Poke(client_, server_, ScanParameterBlock(kModeColour, kWidth, 20000, 300), 4).status &
        kAck);
    ASSERT_TRUE(Request(client_, server_, 0, 6).status & kAck);
    ASSERT_TRUE(Poke(client_, server_, TransferSetupBlock(0, kLinesPerBlock), 7).status & kAck);
    auto exchange = [&] {
        DdeReply reply = Request(client_, server_, kFormatLines, 8);
        return reply.message == WM_DDE_DATA &&
               reply.block.size() == 8u + 3 * kWidth * kLinesPerBlock;
    };
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(exchange());
    size_t serverBefore = PrivateBytes(process_);
    size_t selfBefore = PrivateBytes(GetCurrentProcess());
    ASSERT_GT(serverBefore, 0u);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(exchange()) << i;
    size_t serverAfter = PrivateBytes(process_);
    size_t selfAfter = PrivateBytes(GetCurrentProcess());
    printf("server private bytes %zu -> %zu, client %zu -> %zu\n", serverBefore, serverAfter,
           selfBefore, selfAfter);
    EXPECT_LT(serverAfter, serverBefore + (8u << 20));
    EXPECT_LT(selfAfter, selfBefore + (8u << 20));
}

} // namespace
