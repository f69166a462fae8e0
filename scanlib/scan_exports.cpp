// The exports of scanning: holding the scanner, pages and lines, capabilities and attributes,
// and the page decompression control.
#include <windows.h>

#include "call_trace.h"
#include "attribute_blocks.h"
#include "client_table.h"
#include "dde_conversation.h"
#include "decompression_control.h"
#include "orvlib.h"
#include "orvlib_ids.h"
#include "page_transfer.h"
#include "scanner_attributes.h"
#include "scanner_holder.h"

namespace {

PageTransfer g_page = {};

// Enter line, the work, exit line with the 16-bit status.
template <typename Work> int16_t TracedStatus(int k, int32_t fId, Work work) {
    TraceCall(k, fId, 0, kFormNone);
    const int16_t status = work();
    TraceCall(k + 1, fId, static_cast<uint16_t>(status), kFormShort);
    return status;
}

// The area's edges as short values: left under leftId, then top, right and bottom under the ids
// that follow it.
static_assert(TRACE_CAPS_AREA_TOP == TRACE_CAPS_AREA_LEFT + 1 &&
                  TRACE_CAPS_AREA_BOTTOM == TRACE_CAPS_AREA_LEFT + 3 &&
                  TRACE_ATTR_AREA_TOP == TRACE_ATTR_AREA_LEFT + 1 &&
                  TRACE_ATTR_AREA_BOTTOM == TRACE_ATTR_AREA_LEFT + 3,
              "an area's trace texts follow one another");
void TraceArea(int leftId, const ScanRect& area) {
    const int16_t edges[] = {area.L, area.T, area.R, area.B};
    for (int i = 0; i < 4; ++i)
        TraceValue(leftId + i, static_cast<uint16_t>(edges[i]), kFormShort);
}

void TraceCapabilities(const ScannerCapabilities& caps) {
    TraceValue(TRACE_OUTPUT, 0, kFormNone);
    TraceValue(TRACE_CAPS_SCAN_ID, static_cast<uint16_t>(caps.ScanId), kFormShort);
    TraceValue(TRACE_CAPS_SCAN_MODE, caps.ScanMode, kFormUnsigned);
    TraceValue(TRACE_CAPS_SCAN_RES, caps.ScanRes, kFormUnsigned);
    TraceArea(TRACE_CAPS_AREA_LEFT, caps.ScanArea);
    TraceValue(TRACE_CAPS_HAS_ADF, static_cast<uint16_t>(caps.HasADF), kFormShort);
    TraceValue(TRACE_CAPS_PAGE_DECOMP, static_cast<uint16_t>(caps.PageDecomp), kFormShort);
    TraceValue(TRACE_CAPS_BR_MIN, caps.br_min_val, kFormUnsigned);
    TraceValue(TRACE_CAPS_BR_MAX, caps.br_max_val, kFormUnsigned);
    TraceValue(TRACE_CAPS_BR_NORMAL, caps.br_normal, kFormUnsigned);
    TraceValue(TRACE_CAPS_CR_MIN, caps.cr_min_val, kFormUnsigned);
    TraceValue(TRACE_CAPS_CR_MAX, caps.cr_max_val, kFormUnsigned);
    TraceValue(TRACE_CAPS_CR_NORMAL, caps.cr_normal, kFormUnsigned);
}

void TraceAttributes(const ScannerAttributes& attributes) {
    TraceValue(TRACE_INPUT, 0, kFormNone);
    TraceValue(TRACE_ATTR_SCAN_MODE, attributes.ScanMode, kFormUnsigned);
    TraceValue(TRACE_ATTR_USE_ADF, static_cast<uint16_t>(attributes.UseADF), kFormShort);
    TraceValue(TRACE_ATTR_BRIGHTNESS, attributes.Brightness, kFormUnsigned);
    TraceValue(TRACE_ATTR_RESOLUTION, attributes.Resolution, kFormUnsigned);
    TraceArea(TRACE_ATTR_AREA_LEFT, attributes.ScanArea);
    TraceValue(TRACE_ATTR_PAPER_SIZE, attributes.PaperSize, kFormUnsigned);
    TraceValue(TRACE_ATTR_CONTRAST, attributes.Contrast, kFormUnsigned);
    TraceValue(TRACE_ATTR_ORIENTATION, attributes.Orientation, kFormUnsigned);
    TraceValue(TRACE_ATTR_INVERT, static_cast<uint16_t>(attributes.Invert), kFormShort);
}

} // namespace

extern "C" int16_t WINAPI ORV_Open(int32_t fId) {
    return TracedStatus(kTraceOpen, fId, [&] {
        bool taken = false;
        const int16_t status = OpenScanner(fId, &taken);
        // A new holder's pages start without decompression.
        if (taken)
            g_page.decompressionMode = 0;
        return status;
    });
}

extern "C" int16_t WINAPI ORV_Close(int32_t fId) {
    return TracedStatus(kTraceClose, fId, [&] { return CloseScanner(fId); });
}

extern "C" int16_t WINAPI ORV_Start_Scan(int32_t fId, int32_t progress, int32_t pad32) {
    TraceCall(kTraceStartScan, fId, 0, kFormNone);
    TraceValue(TRACE_PROGRESS, static_cast<uint32_t>(progress), kFormUnsigned);
    TraceValue(TRACE_PAD32, static_cast<uint32_t>(pad32), kFormUnsigned);
    const int16_t status = StartScan(g_page, fId, progress, pad32);
    TraceCall(kTraceStartScan + 1, fId, static_cast<uint16_t>(status), kFormShort);
    return status;
}

extern "C" int32_t WINAPI ORV_Get_Scan_Data(int32_t fId, HGLOBAL buffer, int32_t bufsize,
                                            int16_t line_count) {
    TraceCall(kTraceGetScanData, fId, 0, kFormNone);
    TraceValue(TRACE_BUFSIZE, static_cast<uint32_t>(bufsize), kFormULong);
    TraceValue(TRACE_LINE_COUNT, static_cast<uint16_t>(line_count), kFormUnsigned);
    const int32_t result = TransferLines(g_page, fId, buffer, line_count, kItemLines);
    TraceCall(kTraceGetScanData + 1, fId, static_cast<uint32_t>(result), kFormLong);
    return result;
}

extern "C" int16_t WINAPI ORV_Cancel(int32_t fId) {
    return TracedStatus(kTraceCancel, fId, [&] { return CancelScan(fId); });
}

extern "C" int16_t WINAPI ORV_Is_Adf_Ready(int32_t fId) {
    return TracedStatus(kTraceIsAdfReady, fId, [&] { return IsAdfReady(fId); });
}

extern "C" int16_t WINAPI ORV_Is_Scanner_Busy(int32_t fId) {
    return TracedStatus(kTraceIsScannerBusy, fId, [&] { return IsScannerBusy(fId); });
}

extern "C" void WINAPI ORV_Get_Scanner_Capabilities(int32_t fId,
                                                    ScannerCapabilities* capabilities) {
    TraceCall(kTraceGetCapabilities, fId, 0, kFormNone);
    // The caller's record is written outside the lock: a bad pointer must not fault with the
    // table's mutex held, which would stop every other process's calls.
    const ScannerCapabilities copy = SharedCapabilities(TableLock{});
    *capabilities = copy;
    TraceCapabilities(copy);
    TraceCall(kTraceGetCapabilities + 1, fId, 0, kFormNone);
}

extern "C" int16_t WINAPI ORV_Get_Scanner_Attributes(int32_t fId, ScannerAttributes* attributes) {
    return TracedStatus(kTraceGetAttributes, fId, [&] {
        ReadAttributesFromFile(attributes);
        return ORV_OK;
    });
}

extern "C" int16_t WINAPI ORV_Set_Scanner_Attributes(int32_t fId, ScannerAttributes* attributes) {
    TraceCall(kTraceSetAttributes, fId, 0, kFormNone);
    TraceAttributes(*attributes);
    // Read and written back outside the lock, as the capabilities are.
    ScannerAttributes copy = *attributes;
    int16_t status;
    {
        TableLock lock;
        copy.Contrast = SharedCapabilities(lock).cr_normal;
        status = WriteClientAttributes(lock, fId, &copy);
    }
    attributes->Contrast = copy.Contrast;
    TraceCall(kTraceSetAttributes + 1, fId, static_cast<uint16_t>(status), kFormShort);
    return status;
}

extern "C" int16_t WINAPI ORV_CntlCtr(int32_t reserved, int16_t function, void* request,
                                      void* output) {
    if (reserved != 0)
        return ORV_ERR_RESERVED_NOT_ZERO;
    // Functions 1 to 4 trace as 31, 33, 35, 37; any other number with the empty text.
    const int k = function >= 1 && function <= 4 ? kTraceSetDecomp + 2 * (function - 1) : 0;
    TraceCall(k, 0, 0, kFormNone);
    const int16_t status = RunDecompressionFunction(g_page, function, request, output);
    TraceCall(k ? k + 1 : 0, 0, static_cast<uint16_t>(status), kFormShort);
    return status;
}
