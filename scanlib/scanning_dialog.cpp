#include "scanning_dialog.h"

#include "library_state.h"
#include "progress_gauge.h"

namespace {

HWND g_dialog = nullptr;

} // namespace

void ShowScanningDialog(HWND owner) {
    g_dialog = CreateGauge(owner, g_library.instance, GaugeDialogProc, kScanningGaugeControl,
                           MAKEINTRESOURCEA(g_library.dialogTemplateId), nullptr, SW_SHOW);
}

void UpdateScanningDialog(int16_t total, int16_t remaining) {
    if (!g_dialog)
        return;
    // A page of 0 lines gives 0/0, which the gauge draws as an empty bar.
    float done = static_cast<float>(total - remaining);
    DrawGauge(g_dialog, kScanningGaugeControl, done / static_cast<float>(total));
}

void HideScanningDialog(HWND owner) {
    if (!g_dialog)
        return;
    HWND dialog = g_dialog;
    g_dialog = nullptr;
    if (owner) {
        DestroyGauge(owner, dialog);
    } else if (IsWindow(dialog)) {
        DestroyWindow(dialog);
    }
}

HWND ScanningDialog() {
    return g_dialog;
}

bool ScanCancelled() {
    return IsGaugeCancelled();
}

void ClearScanCancel() {
    ClearGaugeCancel();
}
