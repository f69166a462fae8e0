// The simulated scanner: its properties from [Scanner] of ORVMAIN.INI, its pages the test chart
// (or the configured image) drawn for the requested size and resolution.
#include "page_source.h"
#include "scanner_source.h"

#include <cstring>
#include <vector>

namespace {

PageRequest g_page;
int g_nextLine = 0;
std::vector<uint8_t> g_rgb;

bool Capabilities(SourceCapabilities* out, bool) {
    const ServerSettings& s = Settings();
    memcpy(out->model, s.model, sizeof out->model);
    out->modes = s.modes;
    out->maxLeft = s.maxLeft;
    out->maxTop = s.maxTop;
    out->maxRight = s.maxRight;
    out->maxBottom = s.maxBottom;
    out->feeder = s.feeder;
    out->brightnessLevels = s.brightnessLevels;
    out->contrastLevels = s.contrastLevels;
    out->resolutionRange = s.resolutionRange;
    out->resolutionMin = s.resolutionMin;
    out->resolutionMax = s.resolutionMax;
    memcpy(out->resolutionList, s.resolutionList, sizeof out->resolutionList);
    out->resolutionCount = s.resolutionCount;
    return true;
}

bool HasMode(uint16_t modeBits) {
    return (modeBits & Settings().modes) != 0;
}

bool Feeder(uint16_t* ready) {
    *ready = Settings().feederReady;
    return Settings().feeder != 0;
}

bool StartPage(const PageRequest& page) {
    if (page.parameters.useFeeder && !(Settings().feeder && Settings().feederReady))
        return false;
    g_page = page;
    g_nextLine = 0;
    g_rgb.assign(static_cast<size_t>(page.width) * 3, 0);
    BeginPageSource(page.width, page.lines, page.parameters.resolution);
    return true;
}

bool ReadLines(int count, uint8_t* out) {
    for (int i = 0; i < count; ++i, ++g_nextLine, out += g_page.lineBytes) {
        RenderPageLine(g_nextLine, g_rgb.data());
        PackLine(g_page.format, g_rgb.data(), g_page.width, g_nextLine, out);
    }
    return true;
}

void EndPage(bool) {}

constexpr ScannerSource kChart{Capabilities, HasMode, Feeder, StartPage, ReadLines, EndPage};

} // namespace

const ScannerSource& ChartSource() {
    return kChart;
}
