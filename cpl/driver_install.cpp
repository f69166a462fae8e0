#include "driver_install.h"

#include <cstring>

#include "applet_ids.h"
#include "applet_state.h"
#include "applet_text.h"
#include "file_browse.h"
#include "model_install.h"
#include "scanner_list.h"
#include "scanner_selection.h"
#include "windows_path.h"

namespace {

constexpr char kDefaultSetupPath[] = "A:\\Setup.exe";
constexpr int kSourcePathChars = 143;

// Field text cut at its last "\" + "\DRIVER\"; false when it names no usable driver source.
bool SourceFromSetupPath(const char* entered, char (&dir)[kPathChars]) {
    CopyText(dir, kSourcePathChars + 1, entered);
    if (char* slash = strrchr(dir, '\\'))
        *slash = '\0';
    size_t length = strlen(dir);
    if (length == 0 || dir[length - 1] != '\\')
        AppendText(dir, kPathChars, "\\");
    AppendText(dir, kPathChars, "DRIVER\\");
    return strlen(dir) >= 2 && dir[1] == ':' && DriverSourcePresent(dir);
}

INT_PTR CALLBACK DriverSourceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        if (g_applet.setupMode)
            SetTitleFromString(dialog, IDS_SETUP_CAPTION, kSourcePathChars);
        SetDlgItemTextA(dialog, IDC_SOURCE_PATH,
                        g_applet.driverSourceDir[0] ? g_applet.driverSourceDir : kDefaultSetupPath);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            char entered[kSourcePathChars + 1] = "";
            GetDlgItemTextA(dialog, IDC_SOURCE_PATH, entered, sizeof entered);
            char dir[kPathChars];
            if (!SourceFromSetupPath(entered, dir)) {
                ShowAppletMessageId(dialog, IDS_BAD_SOURCE_PATH, MB_OK);
                return TRUE;
            }
            CopyText(g_applet.driverSourceDir, sizeof g_applet.driverSourceDir, dir);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_BROWSE: {
            char path[kPathChars];
            if (BrowseFromDialog(dialog, BrowseFilter::Program, path))
                SetDlgItemTextA(dialog, IDC_SOURCE_PATH, path);
            return TRUE;
        }
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

int AskDriverSource(HWND owner) {
    INT_PTR result = DialogBoxParamA(g_applet.instance, MAKEINTRESOURCEA(g_applet.sourceDialogId),
                                     owner, DriverSourceProc, 0);
    return result == IDOK ? IDOK : IDCANCEL;
}

void InstallScannerDriver(HWND dialog) {
    int id = FindScannerIdByModel(g_applet.appDir, GetDlgItem(dialog, IDC_CHOICE_LIST));
    InstalledSet installed;
    ReadInstalledSet(g_applet.appDir, &installed);
    // An id the installed set cannot hold would be copied but never recorded.
    if (id <= 0 || id > kMaxInstallableId || IsScannerInstalled(&installed, id))
        return;
    ScannerFields fields;
    if (!FindScannerById(g_applet.appDir, id, &fields))
        return;
    ModelChoice choice;
    ChooseModel(id, fields, &choice);

    // A driver name that is no plain file name is a source that cannot be found.
    char source[kPathChars];
    if (!choice.driverSource[0] ||
        !JoinPath(source, sizeof source, g_applet.driverSourceDir, choice.driverSource) ||
        !FileExists(source)) {
        ShowAppletMessageId(dialog, IDS_SOURCE_MISSING, MB_OK, fields.driver);
        return;
    }
    char pixelDir[kPathChars] = "";
    if (choice.kind == ScannerKind::PixelDriver && id < kFirstUserScannerId) {
        if (!choice.pixelSource[0] ||
            !JoinPath(source, sizeof source, g_applet.driverSourceDir, choice.pixelSource) ||
            !FileExists(source)) {
            ShowAppletMessageId(dialog, IDS_SOURCE_MISSING, MB_OK, choice.pixelSource);
            return;
        }
        PixelDriverDirectory(pixelDir);
    }
    InstallDriverFiles(choice, g_applet.driverSourceDir, g_applet.appDir, pixelDir);

    HWND list = GetDlgItem(dialog, IDC_INSTALLED_LIST);
    char keep[kPathChars];
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || SendMessageA(list, LB_GETTEXTLEN, selected, 0) >= kPathChars)
        CopyText(keep, sizeof keep, fields.model);
    else
        SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(keep));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fields.model));
    SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(keep));
    AddInstalledScanner(g_applet.appDir, id);
}

void RemoveScannerDriver(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_INSTALLED_LIST);
    int id = FindScannerIdByModel(g_applet.appDir, list);
    ScannerFields fields;
    if (!FindScannerById(g_applet.appDir, id, &fields))
        return;
    bool defaultRemoved = false;
    if (id == g_applet.options.currentScannerId) {
        g_applet.options.currentScannerId = 0;
        SetDlgItemTextA(dialog, IDC_DEFAULT_NAME, "");
        defaultRemoved = true;
    }
    const ModelChoice model = ListedModel(g_applet.appDir, id);
    WritePixelDriverSettings(g_applet.appDir, model);
    if (model.kind == ScannerKind::PortAndSpeed)
        ShowHardwareOptions(dialog, false, 0, 0);

    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    SendMessageA(list, LB_DELETESTRING, index, 0);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count > 0)
        SendMessageA(list, LB_SETCURSEL, index < count ? index : count - 1, 0);

    RemoveInstalledScanner(g_applet.appDir, id);
    ModelChoice choice;
    ChooseModel(id, fields, &choice);
    if (!DriverSharedByOtherScanner(g_applet.appDir, id, fields.driver))
        DeleteDriverProgram(choice, g_applet.appDir);
    if (defaultRemoved)
        ClearScannerSelection(g_applet.appDir);
}
