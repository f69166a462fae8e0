#include "scan_session.h"

#include <cstring>

#include "client_table.h"
#include "dde_conversation.h"
#include "scanning_dialog.h"

namespace {

constexpr size_t kScanParameterBlockSize = 24;
constexpr size_t kTransferSetupBlockSize = 10;
constexpr size_t kLineBlockHeader = 8;

struct TransferState {
    bool firstTransfer;
    bool endOfPage;
    uint16_t pad32;
    uint16_t paddedWidth;
    uint16_t serverWidth;
    int16_t totalLines;
    int16_t remainingLines;
    uint16_t resolution;
    uint16_t bitsPerSample;
    int16_t decompressionMode;
};
TransferState g_transfer = {};

bool Connected() {
    return ServerWindow() != nullptr;
}

void Subtract(int16_t lines) {
    int remaining = g_transfer.remainingLines - lines;
    g_transfer.remainingLines = static_cast<int16_t>(remaining < 0 ? 0 : remaining);
}

// The client's window when it still has an entry: the owner that gets the focus back.
HWND FocusOwner(int32_t fId) {
    return ClientWindowOf(fId);
}

bool ProgressShown() {
    TableLock lock;
    return Header()->progressFlag != 0;
}

void ReleaseAndNotify() {
    if (NotifyScannerFree())
        PurgeDeadClients();
}

// Fills the scan-parameter block of item 4 from the attributes; the library frees it afterwards.
HGLOBAL ScanParameterBlock(const ScannerAttributes& attributes) {
    const OutgoingBlock block = NewOutgoingBlock(kScanParameterBlockSize);
    uint16_t* words = block.words;
    if (!words)
        return nullptr;
    words[1] = kFormatScanParameters;
    words[2] = attributes.ScanMode;
    words[3] = static_cast<uint16_t>(attributes.ScanArea.L);
    words[4] = static_cast<uint16_t>(attributes.ScanArea.T);
    words[5] = static_cast<uint16_t>(attributes.ScanArea.R);
    words[6] = static_cast<uint16_t>(attributes.ScanArea.B);
    words[7] = static_cast<uint16_t>(attributes.UseADF);
    words[8] = attributes.Brightness;
    words[9] = attributes.Contrast;
    words[11] = attributes.Resolution;
    GlobalUnlock(block.handle);
    return block.handle;
}

// The transfer setup of item 7; the server frees it once received.
bool PokeTransferSetup(int16_t lineCount) {
    const OutgoingBlock block = NewOutgoingBlock(kTransferSetupBlockSize);
    uint16_t* words = block.words;
    if (!words)
        return false;
    words[0] = kBlockRelease;
    words[1] = kFormatLines;
    words[2] = static_cast<uint16_t>(g_transfer.decompressionMode);
    words[3] = static_cast<uint16_t>(lineCount);
    GlobalUnlock(block.handle);
    // A block that never reached the server is still ours; once posted it is the server's.
    bool posted = false;
    const bool taken = PokeItem(block.handle, kItemTransferSetup, &posted);
    if (!posted)
        GlobalFree(block.handle);
    return taken;
}

// Writes `size` zero bytes at the start of the caller's block, never past its end. Returns
// what the caller is told it got: never more than the block holds.
int32_t ZeroFill(HGLOBAL buffer, int32_t size) {
    if (size <= 0)
        return size;
    const SIZE_T capacity = GlobalSize(buffer);
    auto* bytes = static_cast<uint8_t*>(GlobalLock(buffer));
    if (!bytes)
        return 0;
    const SIZE_T fill = static_cast<SIZE_T>(size) < capacity ? static_cast<SIZE_T>(size) : capacity;
    std::memset(bytes, 0, fill);
    GlobalUnlock(buffer);
    return static_cast<int32_t>(fill);
}

// Copies the lines of a block into the caller's block, line k at k * padded width when padding
// widens the lines, bounded by the block's real size. Returns the bytes delivered.
int32_t CopyLines(HGLOBAL buffer, const uint8_t* lines, uint16_t bytesPerLine, int32_t lineCount,
                  int16_t wanted) {
    const SIZE_T capacity = GlobalSize(buffer);
    auto* bytes = static_cast<uint8_t*>(GlobalLock(buffer));
    if (!bytes)
        return 0;
    int32_t result = 0;
    const uint16_t padded = g_transfer.paddedWidth;
    if (g_transfer.pad32 && padded != bytesPerLine) {
        const SIZE_T move = bytesPerLine < padded ? bytesPerLine : padded;
        for (int32_t k = 0; k < lineCount; ++k) {
            const SIZE_T offset = static_cast<SIZE_T>(k) * padded;
            if (offset >= capacity)
                break;
            const SIZE_T room = capacity - offset;
            std::memcpy(bytes + offset, lines + static_cast<SIZE_T>(k) * bytesPerLine,
                        move < room ? move : room);
        }
        result = static_cast<int32_t>(wanted) * padded;
    } else {
        const SIZE_T length = static_cast<SIZE_T>(bytesPerLine) * lineCount;
        std::memcpy(bytes, lines, length < capacity ? length : capacity);
        result = static_cast<int32_t>(length);
    }
    GlobalUnlock(buffer);
    if (result > 0 && static_cast<SIZE_T>(result) > capacity)
        result = static_cast<int32_t>(capacity);
    return result;
}

// A line block from the server: copy, end the page, or report the client's window gone.
int32_t ReceiveLineBlock(HGLOBAL block, HWND window, HGLOBAL buffer, int16_t lineCount,
                         bool progress) {
    auto* data = static_cast<const uint8_t*>(GlobalLock(block));
    if (!data)
        return ORV_ERR_DATA_NO_BLOCK;
    const SIZE_T blockSize = GlobalSize(block);
    uint16_t flags = 0, bytesPerLine = 0;
    int16_t blockLines = 0;
    if (blockSize >= kLineBlockHeader) {
        std::memcpy(&flags, data, 2);
        std::memcpy(&bytesPerLine, data + 4, 2);
        std::memcpy(&blockLines, data + 6, 2);
    }
    g_transfer.serverWidth = bytesPerLine;
    int32_t length = static_cast<int32_t>(bytesPerLine) * blockLines;
    // A block that claims more lines than it carries is read only as far as it goes.
    if (length > 0 && static_cast<SIZE_T>(length) > blockSize - kLineBlockHeader) {
        blockLines = static_cast<int16_t>((blockSize - kLineBlockHeader) / bytesPerLine);
        length = static_cast<int32_t>(bytesPerLine) * blockLines;
    }
    int32_t result;
    if (!IsWindow(window)) {
        result = ORV_ERR_DATA_CLIENT_GONE;
    } else if (length > 0) {
        Subtract(static_cast<int16_t>(length / bytesPerLine));
        result = CopyLines(buffer, data + kLineBlockHeader, bytesPerLine, blockLines, lineCount);
        if (progress)
            UpdateScanningDialog(g_transfer.totalLines, g_transfer.remainingLines);
        if (g_transfer.remainingLines == 0)
            HideScanningDialog(window);
    } else {
        g_transfer.endOfPage = true;
        const uint16_t width = g_transfer.pad32 ? g_transfer.paddedWidth : bytesPerLine;
        Subtract(lineCount);
        result = ZeroFill(buffer, static_cast<int32_t>(width) * lineCount);
        if (progress)
            UpdateScanningDialog(g_transfer.totalLines, g_transfer.remainingLines);
    }
    GlobalUnlock(block);
    if (flags & kBlockRelease)
        GlobalFree(block);
    return result;
}

int32_t TransferInner(HWND window, HGLOBAL buffer, int16_t lineCount, bool progress,
                      uint16_t item) {
    if (!Connected())
        return ORV_ERR_DATA_NO_CONVERSATION;
    if (g_transfer.firstTransfer)
        g_transfer.endOfPage = false;
    if (g_transfer.endOfPage) {
        // The page is over: zero lines without asking the server.
        if (!IsWindow(window))
            return ORV_ERR_DATA_CLIENT_GONE;
        Subtract(lineCount);
        const uint16_t width = g_transfer.pad32 ? g_transfer.paddedWidth : g_transfer.serverWidth;
        const int32_t result = ZeroFill(buffer, static_cast<int32_t>(width) * lineCount);
        if (progress)
            UpdateScanningDialog(g_transfer.totalLines, g_transfer.remainingLines);
        return result;
    }
    // The conversation window is a child of the client's window: with that gone no answer can
    // arrive, so the loss is reported before asking.
    if (!IsWindow(window))
        return ORV_ERR_DATA_CLIENT_GONE;
    if (g_transfer.firstTransfer) {
        g_transfer.firstTransfer = false;
        if (!PokeTransferSetup(lineCount))
            return ORV_ERR_DATA_EXCHANGE;
    }
    // The only moment the dialog's Cancel button can be pressed during a transfer.
    PumpMessages(WM_NULL);
    Reply reply = RequestData(kFormatLines, item);
    switch (reply.outcome) {
    case Outcome::Data:
        return reply.block ? ReceiveLineBlock(reply.block, window, buffer, lineCount, progress)
                           : ORV_ERR_DATA_NO_BLOCK;
    case Outcome::Ack:
        return ORV_ERR_DATA_CANCELLED;
    default:
        return ORV_ERR_DATA_EXCHANGE;
    }
}

// The transfer was cancelled: tell the server, close the dialog; the flag stays set so every
// later transfer of the page is cancelled too.
void CancelTransfer(int32_t fId) {
    CancelScan(fId);
    HideScanningDialog(FocusOwner(fId));
}

} // namespace

SampleFormat SampleFormatOf(uint16_t scanMode) {
    if (scanMode & 0x04)
        return {4, 1};
    if (scanMode & 0x08)
        return {8, 1};
    if (scanMode & 0x10)
        return {8, 3};
    if (scanMode & 0x80)
        return {4, 1};
    return {1, 1};
}

uint16_t PaddedLineWidth(uint16_t scanMode, int16_t right) {
    const SampleFormat format = SampleFormatOf(scanMode);
    const uint16_t pixels = static_cast<uint16_t>((static_cast<uint16_t>(right) + 31) & ~31);
    const uint32_t bits =
        static_cast<uint32_t>(pixels) * format.samplesPerPixel * format.bitsPerSample;
    return static_cast<uint16_t>(((bits + 31) >> 3) & ~3u);
}

bool IsOpenClient(int32_t fId) {
    TableLock lock;
    return fId != 0 && Header()->openClient == fId && HasClient(fId);
}

int16_t OpenScanner(int32_t fId) {
    HWND window = nullptr;
    {
        TableLock lock;
        if (!HasClient(fId))
            return ORV_ERR_UNKNOWN_CLIENT;
        const int32_t holder = Header()->openClient;
        if (holder == fId)
            return ORV_OK;
        // A holder whose process was killed (or whose window is gone) never closes: it is
        // dropped here, with every other stale entry, instead of blocking the scanner for good.
        if (holder != 0 && !HolderStale())
            return ORV_ERR_SCANNER_IN_USE;
        if (holder != 0)
            ReclaimStale();
        // Taken now so that no other process can open between the check and the conversation.
        SetHolder(fId);
        window = ClientWindowOf(fId);
    }
    int16_t status = ORV_OK;
    bool ownsConversation;
    HWND previous;
    {
        TableLock lock;
        // A conversation whose server has gone (it ended or was restarted) is of no use: a new
        // one is opened with whichever server answers now.
        ownsConversation = Header()->conversationOwner == fId && IsWindow(ServerWindow());
        previous = WindowFromField(Header()->conversationWindow);
    }
    if (!ownsConversation) {
        if (previous && IsWindow(previous))
            DestroyWindow(previous);
        if (previous == ClientWindow())
            DestroyClientWindow();
        {
            TableLock lock;
            Header()->conversationOwner = 0;
            Header()->conversationWindow = 0;
        }
        status = OpenConversation(window);
        if (status == ORV_OK) {
            TableLock lock;
            Header()->conversationWindow = WindowField(ClientWindow());
            Header()->conversationOwner = fId;
        } else {
            status = ORV_ERR_NO_CONVERSATION;
        }
    }
    g_transfer.decompressionMode = 0;
    return status;
}

int16_t CloseScanner(int32_t fId) {
    // Only the holder matters: a client that quit before closing still frees the scanner here.
    if (fId == 0 || Holder() != fId)
        return ORV_ERR_UNKNOWN_CLIENT;
    HideScanningDialog(FocusOwner(fId));
    SetHolder(0);
    ReleaseAndNotify();
    return ORV_OK;
}

int16_t StartScan(int32_t fId, int32_t progress, int32_t pad32) {
    int16_t status = ORV_OK;
    ScannerAttributes attributes;
    if (!Connected()) {
        status = ORV_ERR_NO_CONVERSATION;
    } else if (!IsOpenClient(fId) || ReadClientAttributes(fId, &attributes) != ORV_OK) {
        status = ORV_ERR_UNKNOWN_CLIENT;
    } else {
        HGLOBAL block = ScanParameterBlock(attributes);
        const bool poked = block && PokeItem(block, kItemScanParameters);
        if (block)
            GlobalFree(block);
        // The geometry follows the attributes whether or not the server took them.
        g_transfer.paddedWidth = PaddedLineWidth(attributes.ScanMode, attributes.ScanArea.R);
        g_transfer.bitsPerSample = SampleFormatOf(attributes.ScanMode).bitsPerSample;
        g_transfer.resolution = attributes.Resolution;
        if (!poked) {
            status = ORV_ERR_EXCHANGE_FAILED;
        } else {
            g_transfer.totalLines = attributes.ScanArea.B;
            g_transfer.remainingLines = attributes.ScanArea.B;
            if (!RequestAck(0, kItemStartPage))
                status = ORV_ERR_EXCHANGE_FAILED;
            ClearScanCancel();
            {
                TableLock lock;
                Header()->progressFlag = progress;
            }
            g_transfer.pad32 = static_cast<uint16_t>(pad32);
            // Shown even when the start failed: the caller asked for it.
            if (progress)
                ShowScanningDialog(ClientWindowOf(fId));
        }
    }
    g_transfer.firstTransfer = true;
    return status;
}

int32_t TransferLines(int32_t fId, HGLOBAL buffer, int16_t lineCount, uint16_t item) {
    if (!Connected())
        return ORV_ERR_DATA_NO_CONVERSATION;
    if (ScanCancelled()) {
        CancelTransfer(fId);
        return ORV_ERR_DATA_CANCELLED;
    }
    if (!IsOpenClient(fId))
        return ORV_ERR_DATA_UNKNOWN_CLIENT;
    const int32_t result =
        TransferInner(ClientWindowOf(fId), buffer, lineCount, ProgressShown(), item);
    if (result == ORV_ERR_DATA_CLIENT_GONE) {
        // The application's window is gone: the client loses the scanner and its entry. The
        // server is told the page is abandoned, but no answer can reach the dead conversation
        // window, so none is awaited.
        PostRequestUnanswered(0, kItemCancel);
        SetHolder(0);
        RemoveClient(fId);
        HideScanningDialog(nullptr);
        ReleaseAndNotify();
    }
    if (ScanCancelled()) {
        CancelTransfer(fId);
        return ORV_ERR_DATA_CANCELLED;
    }
    return result;
}

int16_t CancelScan(int32_t fId) {
    if (!Connected())
        return ORV_ERR_NO_CONVERSATION;
    if (!IsOpenClient(fId))
        return ORV_ERR_UNKNOWN_CLIENT;
    return RequestAck(0, kItemCancel) ? ORV_OK : ORV_ERR_EXCHANGE_FAILED;
}

int16_t IsAdfReady(int32_t fId) {
    if (!Connected() || !IsOpenClient(fId))
        return 0;
    Reply reply = RequestData(kFormatFeeder, kItemFeeder);
    if (reply.outcome != Outcome::Data || !reply.block)
        return 0;
    int16_t ready = 0;
    auto* words = static_cast<const uint16_t*>(GlobalLock(reply.block));
    if (words) {
        if (GlobalSize(reply.block) >= 8)
            ready = static_cast<int16_t>(words[2] & words[3]);
        const bool release = (words[0] & kBlockRelease) != 0;
        GlobalUnlock(reply.block);
        if (release)
            GlobalFree(reply.block);
    }
    return ready;
}

int16_t IsScannerBusy(int32_t fId) {
    TableLock lock;
    if (!HasClient(fId))
        return 1;
    // A holder that can never close does not make the scanner busy: the next open drops it.
    return Header()->openClient != 0 && !HolderStale() ? 1 : 0;
}

uint16_t CurrentPaddedLineWidth() {
    return g_transfer.paddedWidth;
}
void SetPaddedLineWidth(uint16_t width) {
    g_transfer.paddedWidth = width;
}
uint16_t CurrentResolution() {
    return g_transfer.resolution;
}
uint16_t CurrentBitsPerSample() {
    return g_transfer.bitsPerSample;
}
void SetDecompressionMode(int16_t mode) {
    g_transfer.decompressionMode = mode;
}
int16_t DecompressionMode() {
    return g_transfer.decompressionMode;
}
