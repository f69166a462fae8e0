#include "decompression_control.h"

#include <windows.h>

#include "dde_conversation.h"
#include "orvlib.h"
#include "page_transfer.h"
#include "scanner_holder.h"

namespace {

bool DecompressionOff(const PageTransfer& page) {
    const int16_t mode = page.decompressionMode;
    return mode == 0 || mode == 16;
}

int16_t SetDecomp(PageTransfer& page, const DecompModeRequest* request) {
    page.adjustWidth = true;
    if (!request)
        return ORV_ERR_NULL_REQUEST;
    if (!IsOpenClient(request->fId))
        return ORV_ERR_UNKNOWN_CLIENT;
    page.decompressionMode = DecompressionModeFor(request->Enable, request->Option);
    return ORV_OK;
}

// Pokes the five parameters as item 10; false when that failed.
bool PokeDecompParameters(const DecompDataRequest& request) {
    const OutgoingRecord<DecompressionParameterBlock> block =
        NewOutgoingRecord<DecompressionParameterBlock>(kBlockRelease, kFormatLines);
    if (!block.record)
        return false;
    uint16_t* parameters = block.record->parameters;
    parameters[0] = static_cast<uint16_t>(request.Param1);
    parameters[1] = static_cast<uint16_t>(request.Param2);
    parameters[2] = static_cast<uint16_t>(request.Param3);
    parameters[3] = static_cast<uint16_t>(request.Param4);
    parameters[4] = static_cast<uint16_t>(request.Param5 == 1 ? 0 : request.Param5);
    GlobalUnlock(block.handle);
    return PokeReleasedBlock(block.handle, kItemDecompParameters);
}

int16_t DecompData(const PageTransfer& page, const DecompDataRequest* request,
                   DecompDataOutput* output) {
    if (!Connected())
        return ORV_ERR_NO_CONVERSATION;
    if (!request)
        return ORV_ERR_NULL_REQUEST;
    if (!output)
        return ORV_ERR_NULL_OUTPUT;
    if (DecompressionOff(page))
        return ORV_ERR_DECOMP_OFF;
    if (!IsOpenClient(request->fId))
        return ORV_ERR_UNKNOWN_CLIENT;
    int16_t status = ORV_OK;
    HGLOBAL delivered = nullptr;
    if (!PokeDecompParameters(*request)) {
        status = static_cast<int16_t>(ORV_ERR_DECOMP_EXCHANGE);
    } else {
        Reply reply = RequestData(kFormatLines, kItemDecompData);
        if (reply.outcome == Outcome::Data)
            delivered = reply.block;
    }
    output->Block = delivered;
    output->Delivered = delivered ? 1 : 0;
    return status;
}

int16_t FlushDecomp(const PageTransfer& page, const DecompFlushRequest* request) {
    if (!Connected())
        return ORV_ERR_NO_CONVERSATION;
    if (!request)
        return ORV_ERR_NULL_REQUEST;
    if (DecompressionOff(page))
        return ORV_ERR_DECOMP_OFF;
    if (!IsOpenClient(request->fId))
        return ORV_ERR_UNKNOWN_CLIENT;
    return RequestAck(0, kItemDecompFlush) ? ORV_OK : static_cast<int16_t>(ORV_ERR_DECOMP_EXCHANGE);
}

int16_t GetGraphicData(PageTransfer& page, const GraphicDataRequest* request,
                       GraphicDataOutput* output) {
    if (!Connected())
        return ORV_ERR_NO_CONVERSATION;
    if (!request)
        return ORV_ERR_NULL_REQUEST;
    if (!output)
        return ORV_ERR_NULL_OUTPUT;
    if (page.adjustWidth) {
        page.paddedWidth = AdjustedLineWidth(page.paddedWidth, page.resolution, page.bitsPerSample);
        page.adjustWidth = false;
    }
    if (!IsOpenClient(request->fId))
        return ORV_ERR_UNKNOWN_CLIENT;
    const int32_t bytes =
        TransferLines(page, request->fId, request->Buffer, request->LineCount, kItemGraphicLines);
    if (bytes < 0) {
        output->Bytes = 0;
        output->LineCount = 0;
        return ORV_ERR_GRAPHIC_TRANSFER;
    }
    output->Bytes = bytes;
    output->LineCount = request->LineCount;
    return ORV_OK;
}

} // namespace

int16_t DecompressionModeFor(int16_t enable, int32_t option) {
    if (enable != 0)
        return option != 0 ? 1 : 8;
    return option != 0 ? 0 : 16;
}

uint16_t AdjustedLineWidth(uint16_t paddedWidth, uint16_t resolution, uint16_t bitsPerSample) {
    const int16_t divisor = static_cast<int16_t>(static_cast<int16_t>(resolution) / 75);
    if (divisor == 0)
        return paddedWidth;
    int16_t width = static_cast<int16_t>(static_cast<int16_t>(paddedWidth) / divisor);
    if (bitsPerSample == 1)
        width = static_cast<int16_t>(width * 4);
    return static_cast<uint16_t>(width);
}

int16_t RunDecompressionFunction(PageTransfer& page, int16_t function, void* request,
                                 void* output) {
    switch (function) {
    case ORV_CNTL_SET_DECOMP:
        return SetDecomp(page, static_cast<const DecompModeRequest*>(request));
    case ORV_CNTL_DECOMP_DATA:
        return DecompData(page, static_cast<const DecompDataRequest*>(request),
                          static_cast<DecompDataOutput*>(output));
    case ORV_CNTL_FLUSH_DECOMP:
        return FlushDecomp(page, static_cast<const DecompFlushRequest*>(request));
    case ORV_CNTL_GET_GRAPHIC_DATA:
        return GetGraphicData(page, static_cast<const GraphicDataRequest*>(request),
                              static_cast<GraphicDataOutput*>(output));
    default:
        return ORV_ERR_UNKNOWN_FUNCTION;
    }
}
