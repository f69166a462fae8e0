// A smoke run of the installed deliverables as an application sees them: every library export,
// a page from the scanning server checked against its test chart, and the uninstaller answered
// with No. Built for both targets and run in both halves of the tests, so both must print the
// same page digest.
//   orvsmoke.exe out=PATH [scan] [clean]   (no step named: both)
// One line per check ("ok ..." or "FAIL ..."), one per step with its wall time; the exit code
// is the number of failed checks.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvlib.h"
#include "probe_output.h"

namespace {

constexpr uint8_t kUntouched = 0xAA;
constexpr DWORD kEmulatedStartMs = 300000; // a process start under emulation takes up to a minute
const char kConfirmCaption[] = "Confirm File Deletion";

int g_failures = 0;

void Check(bool passed, const char* what, const std::string& detail = "") {
    if (!passed)
        ++g_failures;
    Say("%s %s%s%s", passed ? "ok  " : "FAIL", what, detail.empty() ? "" : ": ", detail.c_str());
}

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    char two[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

// Lines of the current page into a block prefilled with a marker; the block's bytes come back.
int32_t GetLines(int32_t id, int16_t lines, SIZE_T size, std::vector<uint8_t>* bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return -1;
    auto* data = static_cast<uint8_t*>(GlobalLock(block));
    std::memset(data, kUntouched, size);
    GlobalUnlock(block);
    const int32_t result = ORV_Get_Scan_Data(id, block, static_cast<int32_t>(size), lines);
    data = static_cast<uint8_t*>(GlobalLock(block));
    bytes->assign(data, data + size);
    GlobalUnlock(block);
    GlobalFree(block);
    return result;
}

bool SetPage(int32_t id, uint16_t mode, uint16_t dpi, int16_t right, int16_t bottom) {
    ScannerAttributes attributes{};
    if (ORV_Get_Scanner_Attributes(id, &attributes) != ORV_OK)
        return false;
    attributes.ScanMode = mode;
    attributes.Resolution = dpi;
    attributes.ScanArea = ScanRect{0, 0, right, bottom};
    return ORV_Set_Scanner_Attributes(id, &attributes) == ORV_OK;
}

// Colour at 100 dpi, one inch square: 100 lines of 128 pixels with padding; line 80 crosses the
// colour bars (white, yellow, cyan, green, magenta, red, blue, black), an eighth of the width each.
void ScanColourPage(int32_t id) {
    Check(SetPage(id, 16, 100, 100, 100), "colour page attributes accepted");
    Check(ORV_Start_Scan(id, 0, 1) == ORV_OK, "page started");
    std::vector<uint8_t> page;
    const int32_t got = GetLines(id, 100, 40000, &page);
    Check(got == 38400, "100 padded colour lines", "got " + std::to_string(got));
    if (got != 38400)
        return;
    page.resize(38400);
    const uint8_t* line80 = page.data() + 80 * 384;
    const std::string bars = Hex(line80 + 24, 3) + Hex(line80 + 60, 3) + Hex(line80 + 96, 3) +
                             Hex(line80 + 174, 3) + Hex(line80 + 276, 3);
    Check(bars == "ffffffffff0000ffffff00ff000000", "chart bars on line 80", bars);
    char digest[16];
    std::snprintf(digest, sizeof digest, "%08x",
                  static_cast<unsigned>(Fnv1a(page.data(), page.size())));
    Say("page fnv1a=%s", digest);
    std::vector<uint8_t> after;
    Check(GetLines(id, 2, 768, &after) == 768 && after == std::vector<uint8_t>(768, 0),
          "after the page's end: zero lines");
}

// One bit at 300 dpi: the chart's black frame makes the top line all zero bits, and padding leaves
// the caller's bytes after each 13-byte line alone.
void ScanLinePage(int32_t id) {
    Check(SetPage(id, 1, 300, 100, 10), "line-art page attributes accepted");
    Check(ORV_Start_Scan(id, 0, 1) == ORV_OK, "page started");
    std::vector<uint8_t> page;
    const int32_t got = GetLines(id, 10, 192, &page);
    Check(got == 160, "10 padded line-art lines", "got " + std::to_string(got));
    Check(Hex(page.data(), 12) == std::string(24, '0'), "frame line black", Hex(page.data(), 16));
    Check(Hex(page.data() + 13, 3) == "aaaaaa", "padding untouched", Hex(page.data() + 13, 3));
    Check(Hex(page.data() + 160, 32) == std::string(64, 'a'), "nothing past the lines");
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void ScanStep() {
    LibraryVersion version{-1, -1, -1};
    ORV_Get_Version(&version);
    Check(version.Major == 2 && version.Minor == 0 && version.Extra == 0, "version 2.0.0");

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvSmoke";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "OrvSmoke", "orvsmoke", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    int32_t id = 0;
    const int16_t init = ORV_Init(window, &id);
    Check(init == ORV_OK && id != 0, "client registered", "status " + std::to_string(init));
    if (init != ORV_OK)
        return;
    Check(ORV_Get_Msg_Id(id) != 0, "scanner-free message");
    Check(ORV_Setup(id) == ORV_ERR_NOT_PROVIDED, "setup not provided");

    ScannerCapabilities caps;
    std::memset(&caps, 0xEE, sizeof caps);
    ORV_Get_Scanner_Capabilities(id, &caps);
    Check(std::strncmp(caps.ModelName, "Orvane Test Scanner", sizeof caps.ModelName) == 0 &&
              caps.ScanArea.R > 0 && caps.ScanArea.B > 0,
          "capabilities of the test scanner",
          std::string(caps.ModelName, strnlen(caps.ModelName, sizeof caps.ModelName)));

    Check(ORV_Is_Scanner_Busy(id) == 0, "scanner not busy");
    Check(ORV_Open(id) == ORV_OK, "scanner opened");
    const int16_t adf = ORV_Is_Adf_Ready(id);
    Check(adf == 0 || adf == 1, "feeder query", std::to_string(adf));
    ScanColourPage(id);
    ScanLinePage(id);
    Check(ORV_Cancel(id) == ORV_OK, "cancel");
    DecompFlushRequest flush{id};
    const int16_t flushed = ORV_CntlCtr(0, ORV_CNTL_FLUSH_DECOMP, &flush, nullptr);
    Check(flushed == ORV_OK || flushed == ORV_ERR_DECOMP_OFF, "decompression flush",
          std::to_string(flushed));
    Check(ORV_CntlCtr(1, ORV_CNTL_FLUSH_DECOMP, &flush, nullptr) == ORV_ERR_RESERVED_NOT_ZERO,
          "reserved argument refused");
    Check(ORV_Close(id) == ORV_OK, "scanner closed");
    ORV_Quit(id);
    Check(ORV_Open(id) == ORV_ERR_UNKNOWN_CLIENT, "client gone after quit");
    DestroyWindow(window);
}

struct FoundBox {
    HWND box;
};

BOOL CALLBACK FindConfirmBox(HWND window, LPARAM param) {
    char className[16] = "", title[64] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(className, "#32770") != 0 || std::strcmp(title, kConfirmCaption) != 0)
        return TRUE;
    reinterpret_cast<FoundBox*>(param)->box = window;
    return FALSE;
}

// The uninstaller asks before it removes anything; No ends it with nothing removed.
void CleanStep() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string command = std::string(windows) + "\\ORVCLEAN.EXE";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        windows, &startup, &process) != 0;
    Check(started, "uninstaller started");
    if (!started)
        return;
    FoundBox found{nullptr};
    const DWORD start = GetTickCount();
    while (!found.box && GetTickCount() - start < kEmulatedStartMs &&
           WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT)
        EnumWindows(FindConfirmBox, reinterpret_cast<LPARAM>(&found));
    Check(found.box != nullptr, "confirmation box shown",
          std::to_string(GetTickCount() - start) + " ms");
    if (found.box) {
        Check(GetDlgItem(found.box, IDYES) && GetDlgItem(found.box, IDNO), "Yes and No buttons");
        SendMessageA(GetDlgItem(found.box, IDNO), BM_CLICK, 0, 0);
    }
    const bool ended = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 99);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    Check(ended && code == 0, "uninstaller ended after No", "exit " + std::to_string(code));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string library = std::string(windows) + "\\" ORV_LIBRARY_FILE;
    Check(GetFileAttributesA(library.c_str()) != INVALID_FILE_ATTRIBUTES, "library still there");
}

void Timed(const char* name, void (*step)()) {
    Say("step %s", name);
    const DWORD start = GetTickCount();
    step();
    Say("step %s done in %lu ms", name, static_cast<unsigned long>(GetTickCount() - start));
}

} // namespace

int main(int argc, char** argv) {
    KeepOutputPrivate();
    const int first = TakeOutputArgument(argc, argv);
    bool scan = first == argc, clean = first == argc;
    for (int i = first; i < argc; ++i) {
        scan = scan || std::strcmp(argv[i], "scan") == 0;
        clean = clean || std::strcmp(argv[i], "clean") == 0;
    }
    Say("orvsmoke %d-bit", static_cast<int>(sizeof(void*) * 8));
    if (scan)
        Timed("scan", ScanStep);
    if (clean)
        Timed("clean", CleanStep);
    Say("%d failed", g_failures);
    CloseHandle(ProbeOutput());
    return g_failures;
}
