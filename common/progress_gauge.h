// Progress gauge: a modeless dialog with a bar that fills from left to right and a Cancel button.
// The owner creates it, redraws the bar as work proceeds, reads the cancel flag and destroys it.
// Two variants share the module and differ in the dialog procedure and the message pump:
//   - the scanner library's: the drain dispatches every message as it is;
//   - the installation program's: the drain lets the gauge dialog see its keyboard messages first
//     (Esc cancels) and the dialog also cancels on being closed.
// One gauge at a time per process; everything runs on the thread that owns the dialog.
#pragma once
#include <windows.h>

#include <cstdint>

enum class GaugeVariant : uint8_t { Library, Setup };

// Creates the dialog from `dialogTemplate` in `instance`, owned by `owner`, shows it with
// `showCommand`, paints it and drains the queue. Keeps `gaugeControlId` (the control the bar is
// drawn in) and clears the cancel flag. `name` is not used. Returns the dialog or null.
HWND CreateGauge(HWND owner, HINSTANCE instance, GaugeVariant variant, uint16_t gaugeControlId,
                 const char* dialogTemplate, const char* name, int showCommand);
// The dialog of the gauge being shown; null once destroyed through this module.
HWND GaugeDialog();

// Destroys `dialog` and gives the keyboard focus back to `owner` when there is one; with no dialog
// it does nothing.
void DestroyGauge(HWND owner, HWND dialog);

// Draws the bar in control `controlId` of `dialog`: dark gray from the left edge up to
// `fraction` of the control's width, white after it. Fractions below 0 or not a number give an
// empty bar, fractions above 1 a full one.
void DrawGauge(HWND dialog, uint16_t controlId, float fraction);

// Drains the thread's message queue the way the current gauge's variant does. A WM_QUIT met on
// the way stays for the caller's own loop.
void PumpGaugeMessages();

// The cancel flag: set when the user cancels, kept after the dialog is gone, cleared by
// CreateGauge or by the owner.
bool IsGaugeCancelled();
void ClearGaugeCancel();
