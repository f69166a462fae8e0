#include "dde_server.h"

#include "dde_records.h"
#include "receive_log.h"
#include "scan_session.h"
#include "scanner_source.h"
#include "server_settings.h"
#include "server_texts.h"

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr char kMainClass[] = "OrvMain";
constexpr char kDdeClass[] = "Orvane";
constexpr char kApplication[] = "Orvane";
constexpr char kTopic[] = "Vellicor";

// Item of the stray replies posted with ForeignReplies=1: one the library never asks for.
constexpr unsigned kForeignItem = 12;

// A received block is copied onto the receiving thread's stack: line blocks stay well below
// the 16 MB stack of the programs that take them.
constexpr size_t kMaxLineBlockBytes = size_t{8} << 20;
constexpr int kMaxBlockLines = 0x7FFF; // the line block's signed 16-bit line count

HWND g_mainWindow = nullptr;
HWND g_ddeWindow = nullptr;
int g_busyAnswered = 0; // busy answers given to the poke now being repeated

constexpr DdeHeader kReplyHeader(uint16_t format) {
    return DdeHeader{static_cast<uint16_t>(kReleaseFlag | kResponseFlag), format};
}

// A moveable DDE-shared block holding `size` bytes, the first of them copied from `head`.
HGLOBAL NewBlock(const void* head, size_t headSize, size_t size, uint8_t** bytes = nullptr) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, size);
    if (!block)
        return nullptr;
    uint8_t* data = static_cast<uint8_t*>(GlobalLock(block));
    if (!data) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(data, head, headSize);
    if (bytes) {
        *bytes = data; // the caller fills the rest and unlocks
    } else {
        GlobalUnlock(block);
    }
    return block;
}

template <typename Record> HGLOBAL BlockOf(const Record& record) {
    return NewBlock(&record, sizeof record, sizeof record);
}

void PostAck(HWND client, unsigned item, uint16_t status) {
    LPARAM packed = PackDDElParam(WM_DDE_ACK, status, item);
    if (!PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(g_ddeWindow), packed))
        FreeDDElParam(WM_DDE_ACK, packed);
}

// The receiver gets its own copy of a posted block and the posted original stays ours, so
// the server frees it once posted, whatever the block's fRelease bit tells the receiver.
void PostData(HWND client, unsigned item, HGLOBAL block) {
    LPARAM packed = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(block), item);
    if (!PostMessageA(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(g_ddeWindow), packed))
        FreeDDElParam(WM_DDE_DATA, packed);
    GlobalFree(block);
}

void PostForeignReplies(HWND client) {
    if (!Settings().foreignReplies)
        return;
    PostAck(client, kForeignItem, kAckFlag);
    LineBlockHead stray{kReplyHeader(kFormatLines), 0, 0};
    if (HGLOBAL block = BlockOf(stray))
        PostData(client, kForeignItem, block);
}

void AnswerAck(HWND client, unsigned item, uint16_t status) {
    PostForeignReplies(client);
    PostAck(client, item, status);
}

void AnswerData(HWND client, unsigned item, HGLOBAL block) {
    if (!block) {
        AnswerAck(client, item, 0);
        return;
    }
    PostForeignReplies(client);
    PostData(client, item, block);
}

void DelayAnswer(unsigned item) {
    const ServerSettings& s = Settings();
    if (s.delayMs > 0 && (s.delayItems == 0 || ItemInSet(s.delayItems, item)))
        Sleep(static_cast<DWORD>(s.delayMs));
}

// Items 1 and 2 from the scanner source; no block (a negative ack) when it cannot be asked.
HGLOBAL CapabilityReply() {
    SourceCapabilities c{};
    if (!CurrentSource().capabilities(&c, true))
        return nullptr;
    CapabilityBlock reply{};
    reply.header = kReplyHeader(kFormatCapabilities);
    reply.modes = c.modes;
    reply.left = c.maxLeft;
    reply.top = c.maxTop;
    reply.right = c.maxRight;
    reply.bottom = c.maxBottom;
    reply.feeder = c.feeder;
    reply.brightnessLevels = c.brightnessLevels;
    reply.contrastLevels = c.contrastLevels;
    reply.decompression = Settings().decompression; // the server's, whatever the scanner
    memcpy(reply.model, c.model, strnlen(c.model, sizeof reply.model)); // rest stays NUL
    return BlockOf(reply);
}

HGLOBAL ResolutionReply() {
    SourceCapabilities c{};
    if (!CurrentSource().capabilities(&c, false))
        return nullptr;
    ResolutionBlockHead head{kReplyHeader(kFormatResolutions), 1, 0};
    const uint16_t* values = c.resolutionList;
    uint16_t range[2] = {c.resolutionMin, c.resolutionMax};
    int count = 2;
    if (c.resolutionRange) {
        values = range;
    } else {
        head.kind = 0;
        head.count = static_cast<int16_t>(c.resolutionCount);
        count = c.resolutionCount;
    }
    // Room for two values at least: readers look at offsets 8 and 10 of either kind.
    size_t size = sizeof head + sizeof(uint16_t) * std::max(count, 2);
    uint8_t* bytes = nullptr;
    HGLOBAL block = NewBlock(&head, sizeof head, size, &bytes);
    if (block) {
        memcpy(bytes + sizeof head, values, sizeof(uint16_t) * count);
        GlobalUnlock(block);
    }
    return block;
}

HGLOBAL DecompressionReply() {
    DecompressionDataBlock reply{};
    reply.header = kReplyHeader(kFormatLines);
    memcpy(reply.parameters, DecompressionParameters(), sizeof reply.parameters);
    reply.mode = DecompressionMode();
    reply.bytesPerLine = static_cast<uint16_t>(PageLineBytes());
    reply.linesLeft = static_cast<int16_t>(PageLinesLeft());
    return BlockOf(reply);
}

// Next line block of the page (items 8 and 15): as many lines as the transfer setup asked
// for, fewer at the end of the page or when a block would grow too large; the empty block
// once the page is through.
void AnswerLines(HWND client, unsigned item) {
    const ServerSettings& s = Settings();
    // A positive acknowledgement instead of lines tells the library the page was cancelled.
    if (CurrentPage() == PageState::None || CurrentPage() == PageState::Cancelled) {
        AnswerAck(client, item, CurrentPage() == PageState::Cancelled ? kAckFlag : 0);
        return;
    }
    int lineBytes = PageLineBytes();
    int count = 0;
    if (CurrentPage() == PageState::Active && PageLinesLeft() > 0) {
        count = std::min(PageLinesLeft(), LinesPerTransfer());
        if (s.maxBlockLines > 0)
            count = std::min(count, s.maxBlockLines);
        if (s.dieAfterLines > 0)
            count = std::min(count, s.dieAfterLines - PageLinesSent());
        count = std::min(count, std::max(1, static_cast<int>(kMaxLineBlockBytes / lineBytes)));
        count = std::min(count, kMaxBlockLines);
    }
    LineBlockHead head{kReplyHeader(kFormatLines), static_cast<uint16_t>(lineBytes),
                       static_cast<int16_t>(count)};
    if (s.keepBlocks)
        head.header.flags = kResponseFlag;
    uint8_t* bytes = nullptr;
    HGLOBAL block =
        NewBlock(&head, sizeof head, sizeof head + static_cast<size_t>(count) * lineBytes, &bytes);
    if (!block) {
        AnswerAck(client, item, 0);
        return;
    }
    bool read = ReadPageLines(count, bytes + sizeof head);
    GlobalUnlock(block);
    if (!read) {
        GlobalFree(block);
        AnswerAck(client, item, 0); // the page failed: the transfer fails
        return;
    }
    if (count == 0)
        EndPage();
    AnswerData(client, item, block);
    if (s.dieAfterLines > 0 && PageLinesSent() >= s.dieAfterLines)
        ExitProcess(3); // the simulated crash: no goodbye, windows vanish with the process
}

void OnInitiate(HWND client, ATOM application, ATOM topic) {
    char applicationName[256] = "", topicName[256] = "";
    if (application)
        GlobalGetAtomNameA(application, applicationName, sizeof applicationName);
    if (topic)
        GlobalGetAtomNameA(topic, topicName, sizeof topicName);
    LogInitiate(applicationName, topicName);
    if (Settings().noInitiateAnswer || !IsWindow(client))
        return;
    // A zero atom asks for any application or topic.
    if ((application && _stricmp(applicationName, kApplication) != 0) ||
        (topic && _stricmp(topicName, kTopic) != 0))
        return;
    // The client deletes the atoms of the answer it takes.
    ATOM answerApplication = GlobalAddAtomA(kApplication);
    ATOM answerTopic = Settings().refuseInitiate ? GlobalAddAtomA(kTopic) : 0;
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(g_ddeWindow),
                 MAKELPARAM(answerApplication, answerTopic));
}

bool TakePoke(unsigned item, const std::vector<uint8_t>& bytes) {
    switch (item) {
    case kItemScanParameters: {
        ScanParameterBlock block;
        if (bytes.size() < sizeof block)
            return false;
        memcpy(&block, bytes.data(), sizeof block);
        return AcceptScanParameters({block.mode, block.left, block.top, block.right, block.bottom,
                                     block.useFeeder, block.brightness, block.contrast,
                                     block.resolution});
    }
    case kItemTransferSetup: {
        TransferSetupBlock block;
        if (bytes.size() < sizeof block)
            return false;
        memcpy(&block, bytes.data(), sizeof block);
        SetTransfer(block.decompressionMode, block.linesPerTransfer);
        return true;
    }
    case kItemDecompressionParameters: {
        DecompressionParameterBlock block;
        if (!Settings().decompression || bytes.size() < sizeof block)
            return false;
        memcpy(&block, bytes.data(), sizeof block);
        SetDecompressionParameters(block.parameters);
        return true;
    }
    default:
        return false;
    }
}

void OnPoke(HWND client, LPARAM lParam) {
    UINT_PTR low = 0, high = 0;
    if (!UnpackDDElParam(WM_DDE_POKE, lParam, &low, &high))
        return;
    FreeDDElParam(WM_DDE_POKE, lParam);
    unsigned item = LOWORD(high);
    // The block in hand is this process's copy: the server frees it whatever its fRelease bit
    // says, or every poke would leave one behind.
    HGLOBAL block = reinterpret_cast<HGLOBAL>(low);
    std::vector<uint8_t> bytes;
    if (block) {
        if (const uint8_t* data = static_cast<const uint8_t*>(GlobalLock(block))) {
            bytes.assign(data, data + GlobalSize(block));
            GlobalUnlock(block);
        }
        GlobalFree(block);
    }
    unsigned format = bytes.size() >= sizeof(DdeHeader) ? bytes[2] | bytes[3] << 8 : 0;
    LogPoke(item, format, bytes.data(), bytes.size());
    if (!IsWindow(client))
        return;
    DelayAnswer(item);
    if (g_busyAnswered < Settings().busyPokes) {
        ++g_busyAnswered;
        AnswerAck(client, item, kBusyFlag);
        return;
    }
    g_busyAnswered = 0;
    bool taken = !ItemInSet(Settings().nackItems, item) && TakePoke(item, bytes);
    AnswerAck(client, item, taken ? kAckFlag : 0);
}

void OnRequest(HWND client, unsigned format, unsigned item) {
    const ServerSettings& s = Settings();
    LogRequest(item, format);
    if (!IsWindow(client)) {
        // Nobody to answer, but a client whose window died mid-page still abandons the page.
        if (item == kItemCancel)
            CancelPage();
        return;
    }
    DelayAnswer(item);
    if (ItemInSet(s.nackItems, item)) {
        AnswerAck(client, item, 0);
        return;
    }
    switch (item) {
    case kItemCapabilities:
        AnswerData(client, item, CapabilityReply());
        break;
    case kItemResolutions:
        AnswerData(client, item, ResolutionReply());
        break;
    case kItemFeeder: {
        uint16_t ready = 0;
        if (CurrentSource().feeder(&ready))
            AnswerData(client, item, BlockOf(FeederBlock{kReplyHeader(kFormatFeeder), 1, ready}));
        else
            AnswerAck(client, item, 0); // no feeder: never ready
        break;
    }
    case kItemStartPage:
        AnswerAck(client, item, StartPage() ? kAckFlag : 0);
        break;
    case kItemLines:
        if (s.cancelInsteadOfData) {
            CancelPage();
            AnswerAck(client, item, kAckFlag);
        } else {
            AnswerLines(client, item);
        }
        break;
    case kItemCancel:
        CancelPage();
        AnswerAck(client, item, kAckFlag);
        break;
    case kItemDecompressionData:
        if (s.decompression)
            AnswerData(client, item, DecompressionReply());
        else
            AnswerAck(client, item, 0);
        break;
    case kItemFlush:
        if (s.decompression)
            FlushDecompression();
        AnswerAck(client, item, s.decompression ? kAckFlag : 0);
        break;
    case kItemGraphicLines:
        if (s.decompression)
            AnswerLines(client, item);
        else
            AnswerAck(client, item, 0);
        break;
    default:
        AnswerAck(client, item, 0);
        break;
    }
}

void EndServer() {
    if (HWND window = g_mainWindow) {
        g_mainWindow = nullptr;
        DestroyWindow(window);
    }
    if (HWND window = g_ddeWindow) {
        g_ddeWindow = nullptr;
        DestroyWindow(window);
    }
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        EndServer();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK DdeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND client = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case WM_DDE_INITIATE:
        OnInitiate(client, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DDE_POKE:
        OnPoke(client, lParam);
        return 0;
    case WM_DDE_REQUEST:
        // A request's lParam is the plain pair: format and item.
        OnRequest(client, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CLOSE:
        LogClose();
        EndServer();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

bool CreateServerWindows(HINSTANCE instance, int show) {
    WNDCLASSA ddeClass{};
    ddeClass.lpfnWndProc = DdeWindowProc;
    ddeClass.hInstance = instance;
    ddeClass.lpszClassName = kDdeClass;
    if (!RegisterClassA(&ddeClass))
        return false;
    // Top-level and unowned, so the initiate broadcast reaches it; never shown.
    g_ddeWindow = CreateWindowExA(0, kDdeClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!g_ddeWindow)
        return false;
    if (Settings().noMainWindow)
        return true;

    WNDCLASSA mainClass{};
    mainClass.lpfnWndProc = MainWindowProc;
    mainClass.hInstance = instance;
    mainClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    mainClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    mainClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    mainClass.lpszClassName = kMainClass;
    if (!RegisterClassA(&mainClass))
        return false;
    char title[64] = "";
    LoadStringA(instance, IDS_MAIN_TITLE, title, sizeof title);
    g_mainWindow = CreateWindowExA(0, kMainClass, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                   CW_USEDEFAULT, 320, 120, nullptr, nullptr, instance, nullptr);
    if (!g_mainWindow)
        return false;
    ShowWindow(g_mainWindow, show);
    return true;
}
