// Where the time of a large line block goes, without the library: the server's making of the
// lines, timed here in-process with the server's own page code, and the whole exchange
// request -> data seen by a bare DDE client that looks for the answer every 5 ms instead of
// the library's 20 ms poll. What remains is Wine carrying the block between the processes.
// Run under Wine with ORVMAIN.EXE in C:\windows\KELTO32 (`./run bench` sets this up):
//   block_exchange.exe
#include <windows.h>
#include <dde.h>

#include <cstdio>
#include <vector>

#include "bench_timing.h"
#include "line_format.h"
#include "orvlib.h"
#include "page_source.h"
#include "raw_dde_client.h"

namespace {

constexpr int kWidth = 2480, kLines = 3508, kResolution = 300; // A4 at 300 dpi
constexpr int kLineBytes = 3 * kWidth;
constexpr unsigned kFormatLines = 516;

std::vector<uint8_t> Words(std::initializer_list<uint16_t> words) {
    std::vector<uint8_t> bytes;
    for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return bytes;
}

// The server's own drawing and packing of `lines` lines, as it does for one block.
double RenderMs(int lines) {
    static std::vector<uint8_t> rgb(kLineBytes), out(static_cast<size_t>(kLineBytes) * 1200);
    const LineFormat format = FormatForMode(ORV_MODE_COLOR);
    std::vector<double> costs;
    for (int run = 0; run < 5; ++run) {
        const double start = NowMs();
        for (int y = 0; y < lines; ++y) {
            RenderPageLine((run * lines + y) % kLines, rgb.data());
            PackLine(format, rgb.data(), kWidth, y,
                     out.data() + static_cast<size_t>(y) * kLineBytes);
        }
        costs.push_back(NowMs() - start);
    }
    return Median(costs);
}

// Median time from posting the request for the next block to holding its data, over `count`
// blocks of `lines` lines (new pages as needed).
double ExchangeMs(HWND client, HWND server, int lines, int count) {
    std::vector<double> costs;
    int sent = kLines; // forces a new page first
    while (static_cast<int>(costs.size()) < count) {
        if (sent + lines > kLines) {
            Poke(client, server,
                 Words({0, 512, ORV_MODE_COLOR, 0, 0, kWidth, kLines, 0, 128, 128, 0, kResolution}),
                 4);
            Request(client, server, 0, 6);
            Poke(client, server,
                 Words({kRelease, kFormatLines, 0, static_cast<uint16_t>(lines), 0}), 7);
            sent = 0;
        }
        const double start = NowMs();
        DdeReply reply = Request(client, server, kFormatLines, 8);
        const double cost = NowMs() - start;
        if (reply.message != WM_DDE_DATA || reply.block.size() != 8u + size_t(lines) * kLineBytes) {
            std::printf("lines %d: unexpected reply (message %#x, %zu bytes)\n", lines,
                        reply.message, reply.block.size());
            return -1;
        }
        costs.push_back(cost);
        sent += lines;
    }
    return Median(costs);
}

} // namespace

int main() {
    PreparePageSource(GetModuleHandleA(nullptr), nullptr);
    BeginPageSource(kWidth, kLines, kResolution);
    if (!FindWindowA("OrvMain", nullptr)) {
        WinExec("C:\\windows\\KELTO32\\ORVMAIN.EXE", SW_MINIMIZE);
        for (int i = 0; i < 250 && !FindWindowA("OrvMain", nullptr); ++i)
            Sleep(20);
    }
    HWND client = CreateClientWindow();
    InitiateResult initiate = Initiate(client, "Orvane", "Vellicor");
    if (!initiate.server) {
        std::printf("no server answered\n");
        return 1;
    }
    std::printf("| lines | block bytes | server makes the lines ms | request -> data ms | "
                "Wine's carrying ms | Wine MB/s |\n|---:|---:|---:|---:|---:|---:|\n");
    const struct { int lines, count; } sizes[] = {{1, 100}, {16, 60}, {100, 30}, {1127, 9}};
    for (const auto& size : sizes) {
        const double render = RenderMs(size.lines);
        const double exchange = ExchangeMs(client, initiate.server, size.lines, size.count);
        const double carry = exchange - render;
        const double bytes = 8.0 + double(size.lines) * kLineBytes;
        std::printf("| %d | %.0f | %.3f | %.2f | %.2f | %.1f |\n", size.lines, bytes, render,
                    exchange, carry, carry > 0 ? bytes / 1048576.0 / (carry / 1000.0) : 0.0);
    }
    PostMessageA(initiate.server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
    DestroyWindow(client);
    return 0;
}
