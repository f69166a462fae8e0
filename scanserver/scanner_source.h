// A scanner behind the server: the simulated chart (chart_source.cpp) or a device shared by
// saned (sane/sane_source.cpp). scan_session.cpp keeps the page's state and line geometry and
// asks the source for what the items need; [Scanner] Source of ORVMAIN.INI picks the source and
// is read again at every capability request and page start.
#pragma once
#include "line_format.h"
#include "scan_session.h"
#include "server_settings.h"

#include <cstdint>

// What items 1 and 2 answer.
struct SourceCapabilities {
    char model[kModelChars + 1];
    uint16_t modes;
    int16_t maxLeft, maxTop, maxRight, maxBottom; // pixels and lines at 300 dpi
    uint16_t feeder;
    uint16_t brightnessLevels, contrastLevels;
    bool resolutionRange;
    uint16_t resolutionMin, resolutionMax;
    uint16_t resolutionList[kMaxResolutions];
    int resolutionCount;
};

// The page the library asked for: `width` pixels of `lines` lines in `format`.
struct PageRequest {
    ScanParameters parameters;
    LineFormat format;
    int width, lines, lineBytes;
};

struct ScannerSource {
    // Items 1 (`refresh`: ask the scanner) and 2 (what item 1 learnt will do); false: nothing
    // is known (the answer is a negative ack).
    bool (*capabilities)(SourceCapabilities* out, bool refresh);
    // Item 4: whether the scanner offers a mode with one of these bits.
    bool (*hasMode)(uint16_t modeBits);
    // Item 5: false without a feeder or when it cannot be asked; `ready`: paper in it.
    bool (*feeder)(uint16_t* ready);
    // Item 6: false when the page cannot start.
    bool (*startPage)(const PageRequest& page);
    // Item 8: the page's next `count` lines into `out`, packed for its format; false when the
    // page failed (the source has then ended it).
    bool (*readLines)(int count, uint8_t* out);
    // The page is through, cancelled or abandoned: the source lets the scanner go.
    void (*endPage)(bool cancelled);
};

const ScannerSource& ChartSource();
const ScannerSource& SaneSource();
// The source [Scanner] Source names now: "SANE" or the chart (any other value or none).
const ScannerSource& CurrentSource();
