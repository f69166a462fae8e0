#include "scan_session.h"

#include "line_format.h"
#include "page_source.h"
#include "server_settings.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kMaxLineBytes = 0xFFFF; // the line block's 16-bit bytes-per-line field

ScanParameters g_parameters{};
bool g_haveParameters = false;
PageState g_page = PageState::None;
LineFormat g_format{1, 1, false};
int g_width = 0, g_lines = 0, g_lineBytes = 0, g_nextLine = 0;
int g_linesPerTransfer = 1;
uint16_t g_decompressionMode = 0;
uint16_t g_decompression[kDecompressionParameters] = {};
std::vector<uint8_t> g_rgb;

} // namespace

bool AcceptScanParameters(const ScanParameters& parameters) {
    g_page = PageState::None;
    uint16_t modeBits = parameters.mode ? parameters.mode : 0x01;
    if (!(modeBits & Settings().modes))
        return false;
    if (LineBytes(FormatForMode(parameters.mode), parameters.right) > kMaxLineBytes)
        return false;
    g_parameters = parameters;
    g_haveParameters = true;
    return true;
}

bool StartPage() {
    if (!g_haveParameters)
        return false;
    if (g_parameters.useFeeder && !(Settings().feeder && Settings().feederReady))
        return false;
    g_format = FormatForMode(g_parameters.mode);
    g_width = std::max<int>(g_parameters.right, 0);
    g_lines = std::max<int>(g_parameters.bottom, 0);
    g_lineBytes = LineBytes(g_format, g_width);
    g_nextLine = 0;
    g_rgb.assign(static_cast<size_t>(g_width) * 3, 0);
    BeginPageSource(g_width, g_lines, g_parameters.resolution);
    g_page = PageState::Active;
    return true;
}

void CancelPage() {
    g_page = PageState::Cancelled;
}

void EndPage() {
    g_page = PageState::Ended;
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

void ReadPageLines(int count, uint8_t* out) {
    for (int i = 0; i < count; ++i, ++g_nextLine, out += g_lineBytes) {
        RenderPageLine(g_nextLine, g_rgb.data());
        PackLine(g_format, g_rgb.data(), g_width, g_nextLine, out);
    }
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
