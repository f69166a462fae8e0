#include "scan_session.h"

#include "line_format.h"
#include "scanner_source.h"
#include "server_settings.h"

#include <algorithm>

namespace {

constexpr int kMaxLineBytes = 0xFFFF; // the line block's 16-bit bytes-per-line field

ScanParameters g_parameters{};
bool g_haveParameters = false;
PageState g_page = PageState::None;
const ScannerSource* g_source = nullptr; // the source of the page in progress
int g_lines = 0, g_lineBytes = 0, g_nextLine = 0;
int g_linesPerTransfer = 1;
uint16_t g_decompressionMode = 0;
uint16_t g_decompression[kDecompressionParameters] = {};

// Lets the source of the page in progress go, if any.
void LeavePage(PageState next) {
    if (g_page == PageState::Active && g_source)
        g_source->endPage(next == PageState::Cancelled);
    g_page = next;
}

} // namespace

const ScannerSource& CurrentSource() {
    return ReadSourceKind() == SourceKind::Sane ? SaneSource() : ChartSource();
}

bool AcceptScanParameters(const ScanParameters& parameters) {
    LeavePage(PageState::None);
    uint16_t modeBits = parameters.mode ? parameters.mode : ORV_MODE_BW;
    if (!CurrentSource().hasMode(modeBits))
        return false;
    if (LineBytes(FormatForMode(parameters.mode), parameters.right) > kMaxLineBytes)
        return false;
    g_parameters = parameters;
    g_haveParameters = true;
    return true;
}

bool StartPage() {
    if (g_page == PageState::Active)
        LeavePage(PageState::None);
    if (!g_haveParameters)
        return false;
    PageRequest page{g_parameters, FormatForMode(g_parameters.mode),
                     std::max<int>(g_parameters.right, 0), std::max<int>(g_parameters.bottom, 0),
                     0};
    page.lineBytes = LineBytes(page.format, page.width);
    g_source = &CurrentSource();
    if (!g_source->startPage(page))
        return false;
    g_lines = page.lines;
    g_lineBytes = page.lineBytes;
    g_nextLine = 0;
    g_page = PageState::Active;
    return true;
}

void CancelPage() {
    LeavePage(PageState::Cancelled);
}

void EndPage() {
    LeavePage(PageState::Ended);
}

PageState CurrentPage() {
    return g_page;
}

int PageLineBytes() {
    return g_lineBytes;
}

int PageLinesLeft() {
    return g_lineBytes > 0 ? g_lines - g_nextLine : 0;
}

int PageLinesSent() {
    return g_nextLine;
}

bool ReadPageLines(int count, uint8_t* out) {
    if (count == 0)
        return true;
    if (!g_source->readLines(count, out)) {
        g_page = PageState::None; // the source ended the failed page
        return false;
    }
    g_nextLine += count;
    return true;
}

void SetTransfer(uint16_t decompressionMode, int16_t linesPerTransfer) {
    g_decompressionMode = decompressionMode;
    g_linesPerTransfer = std::max<int>(linesPerTransfer, 1);
}

int LinesPerTransfer() {
    return g_linesPerTransfer;
}

uint16_t DecompressionMode() {
    return g_decompressionMode;
}

void SetDecompressionParameters(const uint16_t* parameters) {
    std::copy(parameters, parameters + kDecompressionParameters, g_decompression);
}

const uint16_t* DecompressionParameters() {
    return g_decompression;
}

void FlushDecompression() {
    std::fill(g_decompression, g_decompression + kDecompressionParameters, 0);
}
