#include "scanning_dialog.h"

#include "library_state.h"
#include "progress_gauge.h"

void ShowScanningDialog(HWND owner) {
    CreateGauge(owner, g_library.instance, GaugeVariant::Library, kScanningGaugeControl,
                MAKEINTRESOURCEA(g_library.dialogTemplateId), nullptr, SW_SHOW);
}

void UpdateScanningDialog(int16_t total, int16_t remaining) {
    HWND dialog = GaugeDialog();
    if (!dialog)
        return;
    // A page of 0 lines gives 0/0, which the gauge draws as an empty bar.
    float done = static_cast<float>(total - remaining);
    DrawGauge(dialog, kScanningGaugeControl, done / static_cast<float>(total));
}

void HideScanningDialog(HWND owner) {
    HWND dialog = GaugeDialog();
    if (!dialog)
        return;
    // Wine hides a captioned window by asking the X window manager to withdraw it and waits up to
    // 2 s for that; with no window manager every page's end waited the whole 2 s. A window marked
    // invisible first is destroyed without that hide; the windows below repaint what it covered.
    // (A dialog already gone with its owner window has nothing to hide or repaint.)
    RECT covered;
    const bool exists = GetWindowRect(dialog, &covered) != FALSE;
    if (exists)
        SetWindowLongA(dialog, GWL_STYLE, GetWindowLongA(dialog, GWL_STYLE) & ~WS_VISIBLE);
    DestroyGauge(owner, dialog);
    if (exists)
        RedrawWindow(nullptr, &covered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
