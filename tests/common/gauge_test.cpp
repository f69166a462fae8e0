// The progress gauge on real windows: the scanner library's "Scanning" dialog and a copy-progress
// dialog of the installation program's kind over an owner window; the bar is read back from the
// gauge control's pixels.
#include "harness.h"
#include "orvlib.h"
#include "progress_gauge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kDone = RGB(64, 64, 64); // DKGRAY_BRUSH
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr uint16_t kScanGauge = 500;
constexpr uint16_t kCopyGauge = 622;

struct GaugeFixture : ::testing::Test {
    HMODULE library = nullptr; // the library as resources only: its attach step must not run
    HWND owner = nullptr;
    HWND edit = nullptr;
    HWND dialog = nullptr;

    void SetUp() override {
        ResetInstall();
        library =
            LoadLibraryExA(BinPath(ORV_LIBRARY_FILE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(library, nullptr);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrvGaugeOwner";
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        RegisterClassA(&windowClass);
        owner = CreateWindowA("OrvGaugeOwner", "Gauge owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                              50, 520, 320, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
        edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, owner,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(owner);
        SetFocus(owner);
        PumpGaugeMessages();
    }
    void TearDown() override {
        if (IsWindow(dialog))
            DestroyWindow(dialog);
        DestroyWindow(owner);
        PumpGaugeMessages();
        FreeLibrary(library);
    }

    void ShowScanning(int block = 1) {
        dialog = CreateGauge(owner, library, GaugeVariant::Library, kScanGauge,
                             MAKEINTRESOURCEA(block * 100), nullptr, SW_SHOW);
        ASSERT_NE(dialog, nullptr);
    }
    void ShowCopying() {
        dialog = CreateGauge(owner, GetModuleHandleA(nullptr), GaugeVariant::Setup, kCopyGauge,
                             MAKEINTRESOURCEA(104), nullptr, SW_SHOW);
        ASSERT_NE(dialog, nullptr);
    }
};

// The colours across the middle row of a gauge control.
std::vector<COLORREF> MiddleRow(HWND dialog, uint16_t controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    std::vector<COLORREF> row;
    for (int x = 0; x < client.right; ++x)
        row.push_back(GetPixel(dc, x, client.bottom / 2));
    ReleaseDC(control, dc);
    return row;
}

// The row a bar split at `split` shows: both rectangles carry the black outline of the default pen.
std::vector<COLORREF> ExpectedRow(int width, int split) {
    std::vector<COLORREF> row;
    for (int x = 0; x < width; ++x) {
        if (x == 0 || x == width - 1 || x == split - 1 || x == split)
            row.push_back(kBlack);
        else
            row.push_back(x < split ? kDone : kWhite);
    }
    return row;
}

int ControlWidth(HWND dialog, uint16_t controlId) {
    RECT client;
    GetClientRect(GetDlgItem(dialog, controlId), &client);
    return client.right;
}

TEST_F(GaugeFixture, ScanningDialogShowsOverOwnerWithEmptyBar) {
    ShowScanning();
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ(title, "Scanning");
    int width = ControlWidth(dialog, kScanGauge);
    ASSERT_GT(width, 100);
    // The empty bar was posted at creation and drawn by the drain in CreateGauge.
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(width, 0));
    EXPECT_FALSE(IsGaugeCancelled());
}

TEST_F(GaugeFixture, BarFillsByFraction) {
    ShowScanning();
    int width = ControlWidth(dialog, kScanGauge);
    for (float fraction : {0.25f, 0.5f, 0.75f, 1.0f, 0.0f}) {
        DrawGauge(dialog, kScanGauge, fraction);
        int split = static_cast<int>(width * fraction);
        EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(width, split)) << fraction;
    }
    // Save the half-full bar for the documentation, once the window's drawing reached the screen.
    DrawGauge(dialog, kScanGauge, 0.5f);
    for (int i = 0; i < 10; ++i) {
        PumpGaugeMessages();
        Sleep(20);
    }
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(width, width / 2));
    EXPECT_TRUE(SaveScreenshot(dialog, BinPath("gauge_half.bmp")));
}

TEST_F(GaugeFixture, SplitOnTwoHundredPixelsAndOutOfRangeFractions) {
    ShowScanning();
    HWND control = GetDlgItem(dialog, kScanGauge);
    RECT frame;
    GetWindowRect(control, &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    MoveWindow(control, frame.left, frame.top, 200, frame.bottom - frame.top, TRUE);
    ASSERT_EQ(ControlWidth(dialog, kScanGauge), 200);
    PumpGaugeMessages();

    DrawGauge(dialog, kScanGauge, 0.5f);
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(200, 100));
    volatile float zero = 0.0f;
    DrawGauge(dialog, kScanGauge, zero / zero);
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(200, 0));
    DrawGauge(dialog, kScanGauge, -0.5f);
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(200, 0));
    DrawGauge(dialog, kScanGauge, 1e9f);
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(200, 200));
    DrawGauge(dialog, kScanGauge, INFINITY);
    EXPECT_EQ(MiddleRow(dialog, kScanGauge), ExpectedRow(200, 200));
}

TEST_F(GaugeFixture, CancelButtonSetsFlagUntilNextGauge) {
    ShowScanning(3);
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ(title, "Seite wird gelesen");
    // Esc without a dialog-aware drain reaches only the button, which ignores it.
    PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    PumpGaugeMessages();
    EXPECT_FALSE(IsGaugeCancelled());

    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsGaugeCancelled()); // only set while the thread processes messages
    PumpGaugeMessages();
    EXPECT_TRUE(IsGaugeCancelled());
    EXPECT_TRUE(IsWindow(dialog)); // the owner decides when it goes

    DestroyGauge(owner, dialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsGaugeCancelled());
    ShowScanning();
    EXPECT_FALSE(IsGaugeCancelled());
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    PumpGaugeMessages();
    EXPECT_TRUE(IsGaugeCancelled());
    ClearGaugeCancel();
    EXPECT_FALSE(IsGaugeCancelled());
}

TEST_F(GaugeFixture, DestroyGivesFocusBackToOwner) {
    ShowScanning();
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    ASSERT_EQ(GetFocus(), GetDlgItem(dialog, IDCANCEL));
    DestroyGauge(owner, dialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(GetFocus(), owner);

    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);
    DestroyGauge(owner, nullptr);
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(GaugeFixture, CopyDialogCancelsOnEscCloseAndDestroy) {
    ShowCopying();
    int width = ControlWidth(dialog, kCopyGauge);
    EXPECT_EQ(MiddleRow(dialog, kCopyGauge), ExpectedRow(width, 0));
    DrawGauge(dialog, kCopyGauge, 10.0f / 25.0f);
    EXPECT_EQ(MiddleRow(dialog, kCopyGauge), ExpectedRow(width, static_cast<int>(width * 0.4f)));

    // Esc goes through the dialog and becomes Cancel.
    PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    PumpGaugeMessages();
    EXPECT_TRUE(IsGaugeCancelled());

    ClearGaugeCancel();
    PostMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PumpGaugeMessages();
    EXPECT_FALSE(IsGaugeCancelled());
    EXPECT_FALSE(IsIconic(dialog));
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpGaugeMessages();
    EXPECT_TRUE(IsGaugeCancelled());
    EXPECT_TRUE(IsWindow(dialog));

    ClearGaugeCancel();
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    PumpGaugeMessages();
    EXPECT_TRUE(IsGaugeCancelled());
    EXPECT_TRUE(IsWindow(dialog));

    ClearGaugeCancel();
    DestroyGauge(owner, dialog);
    EXPECT_TRUE(IsGaugeCancelled());
    EXPECT_EQ(GetFocus(), owner);
}

TEST_F(GaugeFixture, DrainLeavesQuitForTheCallersLoop) {
    ShowCopying();
    PostQuitMessage(7);
    PumpGaugeMessages();
    DestroyGauge(owner, dialog);
    ShowScanning();
    PumpGaugeMessages();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

} // namespace
