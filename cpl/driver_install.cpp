#include "driver_install.h"

#include <cstring>

#include "applet_ids.h"
#include "applet_state.h"
#include "applet_text.h"
#include "config_names.h"
#include "file_browse.h"
#include "scanner_list.h"
#include "scanner_selection.h"
#include "version_copy.h"
#include "windows_path.h"

namespace {

constexpr char kMarkerFile[] = "ORVDRXX.EX_";
constexpr char kDefaultSetupPath[] = "A:\\Setup.exe";
constexpr int kSourcePathChars = 143;

// The installed name of a distribution file: its last character becomes "E".
void InstalledName(char* name) {
    size_t length = strlen(name);
    if (length > 0)
        name[length - 1] = 'E';
}

// Replaces an older installed file; a same-or-newer one stays.
void InstallFile(const char* source, const char* destination) {
    if (FileExists(destination)) {
        if (!IsSourceNewer(source, destination))
            return;
        DeleteFileA(destination);
    }
    CopyIfNewer(nullptr, 0, 0, source, destination);
}

// Field text cut at its last "\" + "\DRIVER\"; false when it names no usable driver source.
bool SourceFromSetupPath(const char* entered, char (&dir)[kPathChars]) {
    CopyText(dir, kSourcePathChars + 1, entered);
    if (char* slash = strrchr(dir, '\\'))
        *slash = '\0';
    size_t length = strlen(dir);
    if (length == 0 || dir[length - 1] != '\\')
        AppendText(dir, kPathChars, "\\");
    AppendText(dir, kPathChars, "DRIVER\\");
    if (strlen(dir) < 2 || dir[1] != ':')
        return false;
    char marker[kPathChars];
    return JoinPath(marker, sizeof marker, dir, kMarkerFile) && FileExists(marker);
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

bool PixelDriverDir(char (&out)[kPathChars]) {
    // A longer Windows directory does not fit; the empty buffer would put PIXTRAN at the root of
    // the current drive.
    char windows[kPixelWindowsDirChars + 2]; // room for the backslash a directory lacks
    out[0] = '\0';
    return WindowsDirectory(windows, sizeof windows) &&
           JoinPath(out, kPathChars, windows, "PIXTRAN\\");
}

bool DriverSourcePresent() {
    char marker[kPathChars];
    return g_applet.driverSourceDir[0] &&
           JoinPath(marker, sizeof marker, g_applet.driverSourceDir, kMarkerFile) &&
           FileExists(marker);
}

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

    char programSource[kPathChars];
    if (!JoinPath(programSource, sizeof programSource, g_applet.driverSourceDir, fields.driver) ||
        !FileExists(programSource)) {
        ShowAppletMessageId(dialog, IDS_SOURCE_MISSING, MB_OK, fields.driver);
        return;
    }
    const bool withPixelDriver = fields.code[0] == 'I' && id < kFirstUserScannerId;
    char pixelName[kPathChars];
    char pixelSource[kPathChars];
    if (withPixelDriver) {
        CopyText(pixelName, sizeof pixelName, fields.code + 1);
        AppendText(pixelName, sizeof pixelName, ".PX_");
        if (!JoinPath(pixelSource, sizeof pixelSource, g_applet.driverSourceDir, pixelName) ||
            !FileExists(pixelSource)) {
            ShowAppletMessageId(dialog, IDS_SOURCE_MISSING, MB_OK, pixelName);
            return;
        }
    }

    char program[kPathChars];
    if (JoinPath(program, sizeof program, g_applet.appDir, fields.driver)) {
        InstalledName(program);
        InstallFile(programSource, program);
    }
    char pixel[kPathChars];
    if (withPixelDriver && PixelDriverDir(pixel)) {
        // The pixel-driver directory may not exist yet on a fresh system.
        CreateDirectoryA(pixel, nullptr);
        AppendText(pixel, sizeof pixel, fields.code + 1);
        AppendText(pixel, sizeof pixel, ".PXW");
        InstallFile(pixelSource, pixel);
    }

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
    if (GetScannerKind(g_applet.appDir, id) == ScannerKind::PortAndSpeed)
        ShowHardwareOptions(dialog, false, 0, 0);

    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    SendMessageA(list, LB_DELETESTRING, index, 0);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count > 0)
        SendMessageA(list, LB_SETCURSEL, index < count ? index : count - 1, 0);

    RemoveInstalledScanner(g_applet.appDir, id);
    if (!DriverSharedByOtherScanner(g_applet.appDir, id, fields.driver)) {
        char program[kPathChars];
        if (JoinPath(program, sizeof program, g_applet.appDir, fields.driver)) {
            InstalledName(program);
            DeleteFileA(program);
        }
    }
    if (defaultRemoved) {
        char path[kPathChars];
        JoinPath(path, sizeof path, g_applet.appDir, kSelectionFile);
        WritePrivateProfileStringA(kScannerSection, kCurrentScannerIdKey, "0", path);
        WritePrivateProfileStringA(kScannerSection, kCurrentDriverKey, "", path);
    }
}
