// Bytes per second through ORV_Get_Scan_Data for a 300-dpi 24-bit A4 page, at several line counts
// per call, against the poll bound (one block per 20 ms wait of the library); the median cost of
// one exchange, the share of the pad32 line copy in it, the process memory a client costs, and
// what the "Scanning" dialog adds to a page's end.
// Uses only orvlib.h and the library's import library, as an application does. Run under Wine
// with the library in C:\windows, the server and a scanner selection in C:\windows\KELTO32, from a
// directory without a copy of the library (`./run bench` sets this up):
//   transfer_throughput.exe
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_timing.h"
#include "orvlib.h"

namespace {

constexpr int kResolution = 300;
constexpr int16_t kWidth = 2480; // A4 at 300 dpi: 210 x 297 mm
constexpr int16_t kLines = 3508;
constexpr int kServerLineBytes = 3 * kWidth;
constexpr int kPaddedLineBytes = ORV_PADDED_LINE_BYTES(ORV_MODE_COLOR, kWidth);
constexpr double kPollMs = 20.0;
// The server sends at most 8 MB of lines a block; received blocks land on the 16 MB stack.
constexpr int kLargestLines = (8 << 20) / kServerLineBytes;

SIZE_T PrivateBytes(SIZE_T* peak = nullptr) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    if (peak)
        *peak = counters.PeakPagefileUsage;
    return counters.PagefileUsage;
}

struct Row {
    int lines;
    int exchanges;
    double medianMs;
    double meanMs;
    double firstMs; // the page's first call also pokes the transfer setup
    double copyMs;
    bool ok;
};

// The library's pad32 copy of one block: line by line from the received block into the buffer.
double CopyCostMs(int lines) {
    std::vector<uint8_t> block(static_cast<size_t>(lines) * kServerLineBytes, 0x5A);
    std::vector<uint8_t> buffer(static_cast<size_t>(lines) * kPaddedLineBytes);
    std::vector<double> costs;
    for (int round = 0; round < 15; ++round) {
        double start = NowMs();
        for (int k = 0; k < lines; ++k)
            std::memcpy(&buffer[static_cast<size_t>(k) * kPaddedLineBytes],
                        &block[static_cast<size_t>(k) * kServerLineBytes], kServerLineBytes);
        costs.push_back(NowMs() - start);
    }
    return Median(costs);
}

// Fetches full blocks of `lines` lines until `exchanges` steady calls were timed (the first call
// of every page is timed apart); starts a new page when one runs out.
Row Measure(int32_t id, int lines, int exchanges) {
    Row row{lines, 0, 0, 0, 0, CopyCostMs(lines), true};
    const SIZE_T bytes = static_cast<SIZE_T>(lines) * kPaddedLineBytes;
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!buffer)
        return Row{lines, 0, 0, 0, 0, 0, false};
    std::vector<double> costs, firsts;
    while (row.ok && static_cast<int>(costs.size()) < exchanges) {
        if (ORV_Start_Scan(id, 0, 1) != ORV_OK) {
            row.ok = false;
            break;
        }
        for (int left = kLines; left >= lines && static_cast<int>(costs.size()) < exchanges;
             left -= lines) {
            double start = NowMs();
            int32_t got = ORV_Get_Scan_Data(id, buffer, static_cast<int32_t>(bytes),
                                            static_cast<int16_t>(lines));
            double cost = NowMs() - start;
            if (got != static_cast<int32_t>(bytes)) {
                std::printf("lines %d: ORV_Get_Scan_Data returned %d, expected %u\n", lines, got,
                            static_cast<unsigned>(bytes));
                row.ok = false;
                break;
            }
            (left == kLines ? firsts : costs).push_back(cost);
        }
    }
    GlobalFree(buffer);
    row.exchanges = static_cast<int>(costs.size());
    row.medianMs = Median(costs);
    for (double cost : costs)
        row.meanMs += cost / costs.size();
    row.firstMs = Median(firsts);
    return row;
}

// A page of 64 lines of 100 gray pixels fetched in one call, which takes the page's last block,
// with and without the "Scanning" dialog (shown by the start, gone with that block): the median
// time of the whole page and of the call.
struct DialogCost {
    double pageMs;
    double lastCallMs;
    bool ok;
};

DialogCost PageEnd(int32_t id, bool dialog) {
    constexpr int16_t kPageLines = 64;
    ScannerAttributes attributes{};
    ORV_Get_Scanner_Attributes(id, &attributes);
    attributes.ScanMode = ORV_MODE_GRAY8;
    attributes.Resolution = kResolution;
    attributes.ScanArea = ScanRect{0, 0, 100, kPageLines};
    ORV_Set_Scanner_Attributes(id, &attributes);
    const SIZE_T bytes = kPageLines * ORV_PADDED_LINE_BYTES(ORV_MODE_GRAY8, 100);
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::vector<double> pages, calls;
    bool ok = buffer != nullptr;
    for (int round = 0; ok && round < 7; ++round) {
        const double start = NowMs();
        ok = ORV_Start_Scan(id, dialog ? 1 : 0, 1) == ORV_OK;
        const double call = NowMs();
        ok = ok && ORV_Get_Scan_Data(id, buffer, static_cast<int32_t>(bytes), kPageLines) ==
                       static_cast<int32_t>(bytes);
        const double end = NowMs();
        pages.push_back(end - start);
        calls.push_back(end - call);
    }
    if (buffer)
        GlobalFree(buffer);
    return {Median(pages), Median(calls), ok};
}

} // namespace

int main() {
    SIZE_T loaded = PrivateBytes();
    HWND window = CreateWindowExA(0, "STATIC", "transfer_throughput", WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, nullptr, nullptr);
    int32_t id = 0;
    int16_t status = ORV_Init(window, &id);
    if (status != ORV_OK) {
        std::printf("ORV_Init failed: %d\n", status);
        return 1;
    }
    SIZE_T registered = PrivateBytes();
    ScannerAttributes attributes{};
    ORV_Get_Scanner_Attributes(id, &attributes);
    attributes.ScanMode = ORV_MODE_COLOR;
    attributes.Resolution = kResolution;
    attributes.ScanArea = ScanRect{0, 0, kWidth, kLines};
    ORV_Set_Scanner_Attributes(id, &attributes);
    if ((status = ORV_Open(id)) != ORV_OK) {
        std::printf("ORV_Open failed: %d\n", status);
        return 1;
    }
    SIZE_T opened = PrivateBytes();

    std::printf("page: A4 at %d dpi, 24-bit colour, %d x %d pixels, %d server bytes a line, "
                "%d padded (pad32)\n",
                kResolution, kWidth, kLines, kServerLineBytes, kPaddedLineBytes);
    std::printf("%6s %10s %5s %9s %9s %9s %8s %8s %6s %9s %6s %9s\n", "lines", "block B", "calls",
                "median ms", "mean ms", "first ms", "MB/s", "bound", "ratio", "copy ms", "copy",
                "priv KB");
    const int lineCounts[] = {1, 16, 100, kLargestLines};
    const int exchanges[] = {150, 100, 60, 9};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        Row row = Measure(id, lineCounts[i], exchanges[i]);
        ok = ok && row.ok;
        if (!row.ok || row.exchanges == 0)
            continue;
        double blockBytes = static_cast<double>(row.lines) * kPaddedLineBytes;
        double rate = blockBytes / row.meanMs / 1000.0; // MB/s (10^6 bytes)
        double bound = blockBytes / kPollMs / 1000.0;
        std::printf("%6d %10.0f %5d %9.2f %9.2f %9.2f %8.2f %8.2f %6.3f %9.3f %5.1f%%\n", row.lines,
                    blockBytes, row.exchanges, row.medianMs, row.meanMs, row.firstMs, rate, bound,
                    rate / bound, row.copyMs, 100.0 * row.copyMs / row.medianMs);
    }
    SIZE_T peak = 0;
    SIZE_T after = PrivateBytes(&peak);
    const DialogCost without = PageEnd(id, false), with = PageEnd(id, true);
    ok = ok && without.ok && with.ok;
    std::printf("page end, 64 lines of 100 gray pixels in one call (median of 7): page %.1f ms, "
                "last call %.1f ms without the Scanning dialog; page %.1f ms, last call %.1f ms "
                "with it\n",
                without.pageMs, without.lastCallMs, with.pageMs, with.lastCallMs);
    ORV_Close(id);
    ORV_Quit(id);
    DestroyWindow(window);
    auto kb = [](SIZE_T bytes) { return static_cast<long long>(bytes / 1024); };
    std::printf("memory (private bytes, KB): library loaded %lld; ORV_Init %+lld; ORV_Open %+lld; "
                "after all pages %+lld over open; peak %lld\n",
                kb(loaded), kb(registered) - kb(loaded), kb(opened) - kb(registered),
                kb(after) - kb(opened), kb(peak));
    return ok ? 0 : 1;
}
