#include "setup_dialog.h"

#include "applet_ids.h"
#include "applet_state.h"
#include "applet_text.h"
#include "driver_install.h"
#include "model_dialogs.h"
#include "model_install.h"
#include "scanner_list.h"
#include "scanner_selection.h"

namespace {

constexpr UINT kShownMessage = WM_USER + 1;
// Controls below the fold: kept hidden while the dialog is collapsed so the keyboard cannot
// reach them either.
constexpr int kFoldControls[] = {IDC_CHOICE_GROUP, IDC_CHOICE_LIST, IDC_INSTALL};

struct DialogRects {
    RECT full;
    RECT collapsed;
};
DialogRects g_rects;

int FloorHalf(int value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

void ResizeTo(HWND dialog, const RECT& rect) {
    SetWindowPos(dialog, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowFold(HWND dialog, bool show) {
    for (int id : kFoldControls)
        ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOWNA : SW_HIDE);
}

int InstalledCount(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_INSTALLED_LIST, LB_GETCOUNT, 0, 0));
}

// Add>> and Install need the driver source; ask for it when the marker file is not there.
bool EnsureDriverSource(HWND dialog) {
    g_applet.scannerListShown = true;
    return DriverSourcePresent(g_applet.driverSourceDir) || AskDriverSource(dialog) == IDOK;
}

void ShowScannerChoice(HWND dialog) {
    ResizeTo(dialog, g_rects.full);
    ShowFold(dialog, true);
    FillScannerListBox(g_applet.appDir, g_applet.driverSourceDir,
                       GetDlgItem(dialog, IDC_CHOICE_LIST), 0, false, true);
    EnableWindow(GetDlgItem(dialog, IDC_ADD), FALSE);
}

void OnInitDialog(HWND dialog) {
    if (g_applet.setupMode) {
        SetTitleFromString(dialog, IDS_SETUP_CAPTION, kTitleChars);
        RECT parent, own;
        HWND owner = GetParent(dialog);
        if (!owner || !GetWindowRect(owner, &parent))
            SetRect(&parent, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        GetWindowRect(dialog, &own);
        int width = own.right - own.left, height = own.bottom - own.top;
        SetWindowPos(dialog, nullptr, FloorHalf(parent.right - parent.left - width),
                     FloorHalf(parent.bottom - parent.top - height), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LoadScannerSelection(dialog);
    PostMessageA(dialog, kShownMessage, 0, 0);
}

void OnShown(HWND dialog) {
    UpdateMainButtons(dialog);
    GetWindowRect(dialog, &g_rects.full);
    RECT fold;
    GetWindowRect(GetDlgItem(dialog, IDC_CHOICE_GROUP), &fold);
    g_rects.collapsed = g_rects.full;
    g_rects.collapsed.bottom = fold.top;
    ResizeTo(dialog, g_rects.collapsed);
    ShowFold(dialog, false);
    if (g_applet.setupMode)
        PostMessageA(dialog, WM_COMMAND, IDC_ADD, 0);
}

void OnClose(HWND dialog) {
    if (InstalledCount(dialog) > 0 && g_applet.options.currentScannerId <= 0 &&
        ShowAppletMessageId(dialog, IDS_QUIT_WITHOUT_DEFAULT, MB_OKCANCEL) == IDCANCEL)
        return;
    EndDialog(dialog, 1);
}

void OnSetDefault(HWND dialog, LPARAM lParam) {
    int result = SetDefaultScanner(dialog);
    if (lParam == -1 && result != 0 && g_applet.rememberedSelection >= 0)
        SendDlgItemMessageA(dialog, IDC_INSTALLED_LIST, LB_SETCURSEL, g_applet.rememberedSelection,
                            0);
    RefreshHardwareOptions(dialog);
    g_applet.rememberedSelection = 0;
    UpdateMainButtons(dialog);
    if (result == 0)
        RelabelClose(dialog);
}

void OnInstall(HWND dialog) {
    if (!EnsureDriverSource(dialog))
        return;
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    InstallScannerDriver(dialog);
    SetCursor(previous);
    UpdateMainButtons(dialog);
    RelabelClose(dialog);
}

void OnInstalledList(HWND dialog, int code) {
    switch (code) {
    case LBN_DBLCLK:
        PostMessageA(dialog, WM_COMMAND, IDC_SET_DEFAULT, -1);
        break;
    case LBN_SELCHANGE:
        RefreshHardwareOptions(dialog);
        break;
    case LBN_SETFOCUS:
        if (g_applet.rememberedSelection == 0)
            g_applet.rememberedSelection = static_cast<int>(
                SendDlgItemMessageA(dialog, IDC_INSTALLED_LIST, LB_GETCURSEL, 0, 0));
        break;
    }
}

void OnCommand(HWND dialog, int id, int code, LPARAM lParam) {
    switch (id) {
    case IDC_CLOSE:
        OnClose(dialog);
        break;
    case IDC_SET_DEFAULT:
        OnSetDefault(dialog, lParam);
        break;
    case IDC_ADD:
        if (EnsureDriverSource(dialog))
            ShowScannerChoice(dialog);
        break;
    case IDC_REMOVE:
        RemoveScannerDriver(dialog);
        UpdateMainButtons(dialog);
        RelabelClose(dialog);
        break;
    case IDC_HELP_BUTTON:
        RunHelpDialog(dialog);
        break;
    case IDC_INSTALL:
        OnInstall(dialog);
        break;
    case IDC_INSTALLED_LIST:
        OnInstalledList(dialog, code);
        break;
    case IDC_CHOICE_LIST:
        if (code == LBN_DBLCLK)
            PostMessageA(dialog, WM_COMMAND, IDC_INSTALL, 0);
        break;
    case IDC_BROWSE:
        RunNewModelDialog(dialog);
        break;
    }
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case kShownMessage:
        OnShown(dialog);
        return TRUE;
    case WM_CLOSE:
        PostMessageA(dialog, WM_COMMAND, IDC_CLOSE, 0);
        return TRUE;
    case WM_COMMAND:
        // Escape (IDCANCEL) falls through here and does nothing.
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), lParam);
        return TRUE;
    }
    return FALSE;
}

} // namespace

void UpdateMainButtons(HWND dialog) {
    BOOL any = InstalledCount(dialog) > 0;
    EnableWindow(GetDlgItem(dialog, IDC_REMOVE), any);
    EnableWindow(GetDlgItem(dialog, IDC_SET_DEFAULT), any);
}

void RunSetupDialog(HWND owner) {
    DialogBoxParamA(g_applet.instance, MAKEINTRESOURCEA(g_applet.mainDialogId), owner,
                    SetupDialogProc, 0);
}
