#include "progress_gauge.h"

namespace {

uint16_t g_gaugeControlId;
bool g_cancelled;
// The dialog being shown and its variant: the installation program's drain routes keyboard
// messages through the dialog.
HWND g_dialog;
GaugeVariant g_variant;

constexpr UINT kDrawEmptyBar = WM_USER + 1;

int SplitPoint(int width, float fraction) {
    if (!(fraction > 0.0f)) // also a fraction that is not a number
        return 0;
    if (fraction >= 1.0f)
        return width;
    return static_cast<int16_t>(static_cast<int>(width * fraction));
}

void FillPart(HDC dc, int stockBrush, int left, int right, int bottom) {
    HGDIOBJ previous = SelectObject(dc, GetStockObject(stockBrush));
    Rectangle(dc, left, 0, right, bottom);
    SelectObject(dc, previous);
}

// Messages both variants answer the same way; returns TRUE when handled.
bool HandleCommonMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // The controls are not painted yet: draw the empty bar once the dialog has shown.
        PostMessageA(dialog, kDrawEmptyBar, wParam, lParam);
        return true;
    case kDrawEmptyBar:
        DrawGauge(dialog, g_gaugeControlId, 0.0f);
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            g_cancelled = true;
        return true;
    default:
        return false;
    }
}

void DrainDispatching() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void DrainThroughDialog() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (g_dialog && IsDialogMessageA(g_dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

INT_PTR CALLBACK GaugeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleCommonMessage(dialog, message, wParam, lParam);
}

INT_PTR CALLBACK SetupGaugeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        if (dialog == g_dialog)
            g_dialog = nullptr;
        g_cancelled = true;
        return TRUE;
    case WM_CLOSE:
        g_cancelled = true;
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            g_cancelled = true;
        return TRUE;
    default:
        return HandleCommonMessage(dialog, message, wParam, lParam);
    }
}

} // namespace

HWND CreateGauge(HWND owner, HINSTANCE instance, GaugeVariant variant, uint16_t gaugeControlId,
                 const char* dialogTemplate, const char* /*name*/, int showCommand) {
    g_gaugeControlId = gaugeControlId;
    g_cancelled = false;
    g_variant = variant;
    HWND dialog = CreateDialogParamA(
        instance, dialogTemplate, owner,
        variant == GaugeVariant::Setup ? SetupGaugeDialogProc : GaugeDialogProc, 0);
    g_dialog = dialog;
    if (dialog) {
        ShowWindow(dialog, showCommand);
        UpdateWindow(dialog);
    }
    PumpGaugeMessages();
    return dialog;
}

void DestroyGauge(HWND owner, HWND dialog) {
    if (!dialog)
        return;
    DestroyWindow(dialog);
    if (dialog == g_dialog)
        g_dialog = nullptr;
    if (owner)
        SetFocus(owner);
}

HWND GaugeDialog() {
    return g_dialog;
}

void DrawGauge(HWND dialog, uint16_t controlId, float fraction) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return;
    HDC dc = GetDC(control);
    RECT client;
    GetClientRect(control, &client);
    int split = SplitPoint(client.right, fraction);
    FillPart(dc, DKGRAY_BRUSH, 0, split, client.bottom);
    FillPart(dc, WHITE_BRUSH, split, client.right, client.bottom);
    ReleaseDC(control, dc);
}

void PumpGaugeMessages() {
    if (g_variant == GaugeVariant::Setup)
        DrainThroughDialog();
    else
        DrainDispatching();
}

bool IsGaugeCancelled() {
    return g_cancelled;
}

void ClearGaugeCancel() {
    g_cancelled = false;
}
