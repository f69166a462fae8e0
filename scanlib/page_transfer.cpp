#include "page_transfer.h"

#include <cstring>

#include "attribute_blocks.h"
#include "client_table.h"
#include "dde_conversation.h"
#include "progress_gauge.h"
#include "scanner_holder.h"
#include "scanning_dialog.h"

namespace {

// Counts lines as delivered: the page has that many fewer left, never below 0.
void CountDelivered(PageTransfer& page, int16_t lines) {
    int remaining = page.remainingLines - lines;
    page.remainingLines = static_cast<int16_t>(remaining < 0 ? 0 : remaining);
}

bool ProgressShown() {
    return ProgressFlag(TableLock{}) != 0;
}

// The scan-parameter block of item 4, from the attributes; the library frees it afterwards.
HGLOBAL NewScanParameterBlock(const ScannerAttributes& attributes) {
    const OutgoingRecord<ScanParameterBlock> block =
        NewOutgoingRecord<ScanParameterBlock>(0, kFormatScanParameters);
    ScanParameterBlock* record = block.record;
    if (!record)
        return nullptr;
    record->scanMode = attributes.ScanMode;
    record->area = attributes.ScanArea;
    record->useFeeder = static_cast<uint16_t>(attributes.UseADF);
    record->brightness = attributes.Brightness;
    record->contrast = attributes.Contrast;
    record->resolution = attributes.Resolution;
    GlobalUnlock(block.handle);
    return block.handle;
}

// The transfer setup of item 7: the decompression mode and the lines of the first request.
bool PokeTransferSetup(const PageTransfer& page, int16_t lineCount) {
    const OutgoingRecord<TransferSetupBlock> block =
        NewOutgoingRecord<TransferSetupBlock>(kBlockRelease, kFormatLines);
    if (!block.record)
        return false;
    block.record->decompressionMode = static_cast<uint16_t>(page.decompressionMode);
    block.record->linesPerTransfer = static_cast<uint16_t>(lineCount);
    GlobalUnlock(block.handle);
    return PokeReleasedBlock(block.handle, kItemTransferSetup);
}

// Lines past the end of the page: zero lines of the delivered width at the start of the caller's
// block, never past its end. Returns what the caller is told it got: never more than the block
// holds.
int32_t ZeroLines(PageTransfer& page, HGLOBAL buffer, int16_t lineCount, bool progress) {
    CountDelivered(page, lineCount);
    const uint16_t width = page.pad32 ? page.paddedWidth : page.serverWidth;
    int32_t result = static_cast<int32_t>(width) * lineCount;
    if (result > 0) {
        const SIZE_T capacity = GlobalSize(buffer);
        const SIZE_T fill = static_cast<SIZE_T>(result) < capacity ? result : capacity;
        auto* bytes = static_cast<uint8_t*>(GlobalLock(buffer));
        if (bytes) {
            std::memset(bytes, 0, fill);
            GlobalUnlock(buffer);
        }
        result = bytes ? static_cast<int32_t>(fill) : 0;
    }
    if (progress)
        UpdateScanningDialog(page.totalLines, page.remainingLines);
    return result;
}

// Copies the lines of a block into the caller's block, line k at k * padded width when padding
// widens the lines, bounded by the block's real size. Returns the bytes delivered.
int32_t CopyLines(const PageTransfer& page, HGLOBAL buffer, const uint8_t* lines,
                  uint16_t bytesPerLine, int32_t lineCount, int16_t wanted) {
    const SIZE_T capacity = GlobalSize(buffer);
    auto* bytes = static_cast<uint8_t*>(GlobalLock(buffer));
    if (!bytes)
        return 0;
    int32_t result = 0;
    const uint16_t padded = page.paddedWidth;
    if (page.pad32 && padded != bytesPerLine) {
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
int32_t ReceiveLineBlock(PageTransfer& page, HGLOBAL block, HWND window, HGLOBAL buffer,
                         int16_t lineCount, bool progress) {
    auto* data = static_cast<const uint8_t*>(GlobalLock(block));
    if (!data)
        return ORV_ERR_DATA_NO_BLOCK;
    const SIZE_T blockSize = GlobalSize(block);
    const bool release = CarriesRelease(data, blockSize);
    // A block too short for its header carries no lines.
    const LineBlockHeader head = blockSize >= sizeof(LineBlockHeader)
                                     ? RecordFrom<LineBlockHeader>(data, blockSize)
                                     : LineBlockHeader{};
    const uint16_t bytesPerLine = head.bytesPerLine;
    int16_t blockLines = head.lineCount;
    page.serverWidth = bytesPerLine;
    int32_t length = static_cast<int32_t>(bytesPerLine) * blockLines;
    // A block that claims more lines than it carries is read only as far as it goes.
    if (length > 0 && static_cast<SIZE_T>(length) > blockSize - sizeof(LineBlockHeader)) {
        blockLines = static_cast<int16_t>((blockSize - sizeof(LineBlockHeader)) / bytesPerLine);
        length = static_cast<int32_t>(bytesPerLine) * blockLines;
    }
    int32_t result;
    if (!IsWindow(window)) {
        result = ORV_ERR_DATA_CLIENT_GONE;
    } else if (length > 0) {
        CountDelivered(page, static_cast<int16_t>(length / bytesPerLine));
        result = CopyLines(page, buffer, data + sizeof(LineBlockHeader), bytesPerLine, blockLines,
                           lineCount);
        if (progress)
            UpdateScanningDialog(page.totalLines, page.remainingLines);
        if (page.remainingLines == 0)
            HideScanningDialog(window);
    } else {
        page.endOfPage = true;
        result = ZeroLines(page, buffer, lineCount, progress);
    }
    GlobalUnlock(block);
    if (release)
        GlobalFree(block);
    return result;
}

// The next lines from the server into the caller's block: zero lines once the page is over, the
// transfer setup before the first request, then the request and its line block.
int32_t RequestNextLines(PageTransfer& page, HWND window, HGLOBAL buffer, int16_t lineCount,
                         bool progress, uint16_t item) {
    if (!Connected())
        return ORV_ERR_DATA_NO_CONVERSATION;
    if (page.firstTransfer)
        page.endOfPage = false;
    if (page.endOfPage) {
        // The page is over: zero lines without asking the server.
        if (!IsWindow(window))
            return ORV_ERR_DATA_CLIENT_GONE;
        return ZeroLines(page, buffer, lineCount, progress);
    }
    // The conversation window is a child of the client's window: with that gone no answer can
    // arrive, so the loss is reported before asking.
    if (!IsWindow(window))
        return ORV_ERR_DATA_CLIENT_GONE;
    if (page.firstTransfer) {
        page.firstTransfer = false;
        if (!PokeTransferSetup(page, lineCount))
            return ORV_ERR_DATA_EXCHANGE;
    }
    // The only moment the dialog's Cancel button can be pressed during a transfer.
    PumpMessages(WM_NULL);
    Reply reply = RequestData(kFormatLines, item);
    switch (reply.outcome) {
    case Outcome::Data:
        return reply.block
                   ? ReceiveLineBlock(page, reply.block, window, buffer, lineCount, progress)
                   : ORV_ERR_DATA_NO_BLOCK;
    case Outcome::Ack:
        return ORV_ERR_DATA_CANCELLED;
    default:
        // The wait ends as soon as the client window is gone, which is the loss of the client's
        // window during the exchange.
        return IsWindow(window) ? ORV_ERR_DATA_EXCHANGE : ORV_ERR_DATA_CLIENT_GONE;
    }
}

// The transfer was cancelled: tell the server, close the dialog; the flag stays set so every
// later transfer of the page is cancelled too.
void CancelTransfer(int32_t fId) {
    CancelScan(fId);
    const HWND owner = ClientWindowOf(TableLock{}, fId);
    HideScanningDialog(owner);
}

} // namespace

uint16_t PaddedLineWidth(uint16_t scanMode, int16_t right) {
    const uint16_t pixels = static_cast<uint16_t>((static_cast<uint16_t>(right) + 31) & ~31);
    return static_cast<uint16_t>(ORV_PADDED_LINE_BYTES(scanMode, pixels));
}

int16_t StartScan(PageTransfer& page, int32_t fId, int32_t progress, int32_t pad32) {
    int16_t status = ORV_OK;
    ScannerAttributes attributes;
    if (!Connected()) {
        status = ORV_ERR_NO_CONVERSATION;
    } else if (!IsOpenClient(fId) ||
               ReadClientAttributes(TableLock{}, fId, &attributes) != ORV_OK) {
        status = ORV_ERR_UNKNOWN_CLIENT;
    } else {
        HGLOBAL block = NewScanParameterBlock(attributes);
        const bool poked = block && PokeItem(block, kItemScanParameters);
        if (block)
            GlobalFree(block);
        // The geometry follows the attributes whether or not the server took them.
        page.paddedWidth = PaddedLineWidth(attributes.ScanMode, attributes.ScanArea.R);
        page.bitsPerSample = static_cast<uint16_t>(ORV_MODE_BITS_PER_SAMPLE(attributes.ScanMode));
        page.resolution = attributes.Resolution;
        if (!poked) {
            status = ORV_ERR_EXCHANGE_FAILED;
        } else {
            page.totalLines = attributes.ScanArea.B;
            page.remainingLines = attributes.ScanArea.B;
            if (!RequestAck(0, kItemStartPage))
                status = ORV_ERR_EXCHANGE_FAILED;
            ClearGaugeCancel();
            SetProgressFlag(TableLock{}, progress);
            page.pad32 = static_cast<uint16_t>(pad32);
            // Shown even when the start failed: the caller asked for it.
            if (progress) {
                const HWND owner = ClientWindowOf(TableLock{}, fId);
                ShowScanningDialog(owner);
            }
        }
    }
    page.firstTransfer = true;
    return status;
}

int32_t TransferLines(PageTransfer& page, int32_t fId, HGLOBAL buffer, int16_t lineCount,
                      uint16_t item) {
    if (!Connected())
        return ORV_ERR_DATA_NO_CONVERSATION;
    if (IsGaugeCancelled()) {
        CancelTransfer(fId);
        return ORV_ERR_DATA_CANCELLED;
    }
    if (!IsOpenClient(fId))
        return ORV_ERR_DATA_UNKNOWN_CLIENT;
    const HWND window = ClientWindowOf(TableLock{}, fId);
    const int32_t result = RequestNextLines(page, window, buffer, lineCount, ProgressShown(), item);
    if (result == ORV_ERR_DATA_CLIENT_GONE) {
        // The application's window is gone: the client loses the scanner and its entry. The
        // server is told the page is abandoned, but no answer can reach the dead conversation
        // window, so none is awaited.
        PostRequestUnanswered(0, kItemCancel);
        // Another process may have reclaimed the stale hold meanwhile: the scanner stays its.
        const bool released = ReleaseHolder(fId);
        RemoveClient(TableLock{}, fId);
        HideScanningDialog(nullptr);
        if (released)
            AnnounceScannerFree();
    }
    if (IsGaugeCancelled()) {
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
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(reply.block));
    if (bytes) {
        const SIZE_T size = GlobalSize(reply.block);
        if (size >= sizeof(FeederReply)) {
            const FeederReply feeder = RecordFrom<FeederReply>(bytes, size);
            ready = static_cast<int16_t>(feeder.feederState & feeder.paperState);
        }
        const bool release = CarriesRelease(bytes, size);
        GlobalUnlock(reply.block);
        if (release)
            GlobalFree(reply.block);
    }
    return ready;
}
