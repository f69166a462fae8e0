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
    DestroyGauge(owner, GaugeDialog());
}
