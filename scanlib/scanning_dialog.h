// The "Scanning" dialog shown over the client's window while a page's lines come in: the gauge
// bar with the share of lines received and a Cancel button that sets the gauge's cancel flag
// (IsGaugeCancelled).
#pragma once
#include <windows.h>

#include <cstdint>

#include "orvlib_ids.h"

constexpr uint16_t kScanningGaugeControl = ORVLIB_GAUGE_CONTROL;

// Creates the dialog (language block template) owned by the window; clears the cancel flag. An
// earlier dialog still shown is forgotten.
void ShowScanningDialog(HWND owner);
// Redraws the bar with (total - remaining) / total; nothing without a dialog.
void UpdateScanningDialog(int16_t total, int16_t remaining);
// Destroys the dialog, gives the focus to the owner (when there is one) and forgets it.
void HideScanningDialog(HWND owner);
