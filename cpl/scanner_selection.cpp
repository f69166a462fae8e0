#include "scanner_selection.h"

#include <cstdio>
#include <initializer_list>
#include <cstring>

#include "applet_ids.h"
#include "applet_state.h"
#include "applet_text.h"
#include "config_names.h"
#include "decimal_text.h"
#include "model_install.h"
#include "profile_values.h"
#include "scanner_list.h"
#include "twain_registration.h"

namespace {

// A selection file whose path does not fit is not written at all.
void WriteSelectionKey(const char* section, const char* key, const char* value) {
    char path[kPathChars];
    if (SelectionFilePath(g_applet.appDir, path))
        WritePrivateProfileStringA(section, key, value, path);
}

bool FieldEmpty(HWND dialog, int id) {
    return GetWindowTextLengthA(GetDlgItem(dialog, id)) == 0;
}

// An unsigned number that fits the 16-bit options record; false for anything else.
bool ReadOptionField(HWND dialog, int id, int16_t* value) {
    char text[16];
    int32_t number = 0;
    if (GetDlgItemTextA(dialog, id, text, sizeof text) == 0 ||
        GetWindowTextLengthA(GetDlgItem(dialog, id)) >= static_cast<int>(sizeof text) ||
        !ReadUnsignedText(text, INT16_MAX, &number))
        return false;
    *value = static_cast<int16_t>(number);
    return true;
}

void ShowDefaultName(HWND dialog, int id) {
    ScannerFields fields;
    if (id > 0 && FindScannerById(g_applet.appDir, id, &fields))
        SetDlgItemTextA(dialog, IDC_DEFAULT_NAME, fields.model);
}

} // namespace

ModelChoice ListedModel(const char* dir, int id) {
    ModelChoice model{};
    ScannerFields fields;
    if (FindScannerLine(dir, id, &fields))
        ChooseModel(id, fields, &model);
    return model;
}

void ShowHardwareOptions(HWND dialog, bool enable, int port, int speed) {
    if (IsWindowEnabled(GetDlgItem(dialog, IDC_PORT))) {
        SetDlgItemTextA(dialog, IDC_PORT, "");
        SetDlgItemTextA(dialog, IDC_SPEED, "");
    }
    for (int id : {IDC_HARDWARE_GROUP, IDC_PORT_LABEL, IDC_SPEED_LABEL, IDC_PORT, IDC_SPEED})
        EnableWindow(GetDlgItem(dialog, id), enable);
    if (enable) {
        SetDlgItemInt(dialog, IDC_PORT, static_cast<UINT>(port), FALSE);
        SetDlgItemInt(dialog, IDC_SPEED, static_cast<UINT>(speed), FALSE);
    }
}

void RefreshHardwareOptions(HWND dialog) {
    int id = FindScannerIdByModel(g_applet.appDir, GetDlgItem(dialog, IDC_INSTALLED_LIST));
    if (id < 0)
        return;
    const ModelChoice model = ListedModel(g_applet.appDir, id);
    WritePixelDriverSettings(g_applet.appDir, model);
    bool portKind = model.kind == ScannerKind::PortAndSpeed;
    ShowHardwareOptions(dialog, portKind, g_applet.options.port, g_applet.options.speed);
}

int SetDefaultScanner(HWND dialog) {
    int id = FindScannerIdByModel(g_applet.appDir, GetDlgItem(dialog, IDC_INSTALLED_LIST));
    if (id < 0)
        return -1;
    const ModelChoice model = ListedModel(g_applet.appDir, id);
    WritePixelDriverSettings(g_applet.appDir, model);
    const ScannerKind kind = model.kind;
    if (kind == ScannerKind::Twain) {
        if (SelectTwainSource(dialog, TwainRecording::AtOnce) != 0)
            return -1;
    } else if (kind == ScannerKind::PortAndSpeed) {
        if (FieldEmpty(dialog, IDC_PORT)) {
            ShowAppletMessageId(dialog, IDS_SET_PORT, MB_OK);
            return -1;
        }
        if (FieldEmpty(dialog, IDC_SPEED)) {
            ShowAppletMessageId(dialog, IDS_SET_SPEED, MB_OK);
            return -1;
        }
    }

    RelabelClose(dialog);

    if (IsWindowEnabled(GetDlgItem(dialog, IDC_PORT))) {
        int16_t port = 0, speed = 0;
        if (!ReadOptionField(dialog, IDC_PORT, &port)) {
            ShowAppletMessageId(dialog, IDS_NO_PORT, MB_OK);
            SetFocus(GetDlgItem(dialog, IDC_PORT));
        } else if (!ReadOptionField(dialog, IDC_SPEED, &speed)) {
            ShowAppletMessageId(dialog, IDS_NO_SPEED, MB_OK);
            SetFocus(GetDlgItem(dialog, IDC_SPEED));
        } else {
            char value[16];
            snprintf(value, sizeof value, "%04d", port);
            WriteSelectionKey(kOptionsSection, kScannerPortKey, value);
            snprintf(value, sizeof value, "%d", speed);
            WriteSelectionKey(kOptionsSection, kScannerSpeedKey, value);
            g_applet.options.port = port;
            g_applet.options.speed = speed;
        }
    }

    if (id != kNoScannerId && id != kReservedScannerId && id != g_applet.options.currentScannerId) {
        g_applet.options.currentScannerId = static_cast<int16_t>(id);
        // The line FindScannerIdByModel took the id from.
        ScannerFields fields = {};
        FindScannerById(g_applet.appDir, id, &fields);
        ModelChoice choice;
        ChooseModel(id, fields, &choice);
        WriteScannerSelection(g_applet.appDir, choice, true);
        SetDlgItemTextA(dialog, IDC_DEFAULT_NAME, fields.model);
    }
    return 0;
}

void LoadScannerSelection(HWND dialog) {
    char path[kPathChars] = "";
    SelectionFilePath(g_applet.appDir, path); // a path that does not fit reads the defaults
    // Port and speed are shown as unsigned numbers: a stored value the fields cannot show, like
    // one too large for the record, reads as the default.
    g_applet.options.port = static_cast<int16_t>(ReadProfileNumber(
        kOptionsSection, kScannerPortKey, kDefaultScannerPort, 0, INT16_MAX, path));
    g_applet.options.speed = static_cast<int16_t>(ReadProfileNumber(
        kOptionsSection, kScannerSpeedKey, kDefaultScannerSpeed, 0, INT16_MAX, path));
    g_applet.options.currentScannerId =
        ReadProfileInt16(kScannerSection, kCurrentScannerIdKey, 1, path);

    HWND installed = GetDlgItem(dialog, IDC_INSTALLED_LIST);
    SendMessageA(installed, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FIXED_FONT)),
                 FALSE);
    FillScannerListBox(g_applet.appDir, g_applet.appDir, installed,
                       g_applet.options.currentScannerId, true, false);
    ShowDefaultName(dialog, g_applet.options.currentScannerId);
    const ModelChoice model = ListedModel(g_applet.appDir, g_applet.options.currentScannerId);
    WritePixelDriverSettings(g_applet.appDir, model);
    bool portKind = model.kind == ScannerKind::PortAndSpeed;
    ShowHardwareOptions(dialog, portKind, g_applet.options.port, g_applet.options.speed);
}
