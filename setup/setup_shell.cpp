// The full-screen main window: the logo, the two runs it starts once it is shown, the centering
// rule of the program's dialogs and the exit confirmation.
#include <cstring>

#include "language.h"
#include "progress_gauge.h"
#include "setup.h"
#include "windows_path.h"

namespace {

constexpr int kLogoX = 20;
constexpr int kTopBand = 128;
constexpr char kDistributionMarker[] = "Driver\\ORVDRXX.EX_";
constexpr char kScannerListCopy[] = "ORVANE.LST";
constexpr int kMessageFormatBytes = 60;

void PaintLogo(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (g_setup.logo) {
        BITMAP info;
        GetObjectA(g_setup.logo, sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, g_setup.logo);
        BitBlt(dc, kLogoX, info.bmHeight / 2, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

void EraseWithLogo(HWND window, HDC dc) {
    if (!g_setup.logo)
        return;
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreatePatternBrush(g_setup.logo);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

// Shared opening of both runs: the logo shown, the setup directory found, the distribution
// checked. False (after the message box) when the program was not started from a distribution.
bool OpenRun(HWND window) {
    g_setup.logo = LoadBitmapA(g_setup.instance, "ORVLOGO");
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);

    char* directory = g_setup.setupDirectory;
    DWORD length = GetModuleFileNameA(nullptr, directory, kSetupPathBytes);
    if (length >= kSetupPathBytes)
        directory[kSetupPathBytes - 1] = '\0';
    if (strlen(directory) > 3) {
        char* slash = strrchr(directory, '\\');
        if (slash)
            slash[1] = '\0';
    }

    char marker[kSetupPathBytes];
    OFSTRUCT info;
    bool present = JoinPath(marker, sizeof marker, directory, kDistributionMarker) &&
                   OpenFile(marker, &info, OF_EXIST) != HFILE_ERROR;
    if (!present) {
        char format[kMessageFormatBytes];
        char caption[kMessageFormatBytes];
        // The setup directory fills up to 255 characters of the text.
        char text[kMessageFormatBytes + kSetupPathBytes];
        LoadBlockString(IDS_MISSING_DISTRIBUTION, format, sizeof format);
        LoadBlockString(IDS_ERROR_CAPTION, caption, sizeof caption);
        wsprintfA(text, format, directory);
        MessageBoxA(window, text, caption, MB_OK);
    }
    return present;
}

INT_PTR CALLBACK ExitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CenterInParent(GetParent(dialog), dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

void CenterInParent(HWND parent, HWND window) {
    RECT p;
    RECT w;
    GetWindowRect(parent, &p);
    GetWindowRect(window, &w);
    int width = w.right - w.left;
    int height = w.bottom - w.top;
    int x = ((p.right - p.left) - width) >> 1;
    int y = (((p.bottom - p.top) - height - kTopBand) >> 1) + kTopBand;
    MoveWindow(window, x, y, width, height, TRUE);
}

bool ConfirmExit(HWND owner) {
    INT_PTR result =
        DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(DialogId(g_setup.block, IDD_EXIT)),
                        owner, ExitDialogProc, 0);
    return result != IDNO;
}

void RunInstallation(HWND window) {
    if (!OpenRun(window))
        return;
    InstallWorkingFiles();
    RunWizard(window);
    if (g_setup.finished) {
        RememberEarlierModels();
        if (InstallForModel(window) == kCopyComplete) {
            CreateProgramItems();
            WriteUninstallEntry();
            AddSharedFileCounts();
            RecordTwainSource();
        } else {
            KeepEarlierModels(); // a cancelled copy may have laid the empty set down already
        }
    }
    char list[kSetupPathBytes];
    if (JoinPath(list, sizeof list, g_setup.targetRoot, kScannerListCopy))
        DeleteFileA(list);
}

HWND OpenProgressDialog(HWND window) {
    HWND dialog = CreateGauge(window, g_setup.instance, GaugeVariant::Setup, IDC_GAUGE,
                              MAKEINTRESOURCEA(DialogId(g_setup.block, IDD_PROGRESS)), "", SW_SHOW);
    g_setup.progressDialog = dialog;
    if (dialog)
        CenterInParent(window, dialog);
    return dialog;
}

void CloseProgressDialog(HWND window, HWND dialog) {
    g_setup.progressDialog = nullptr;
    DestroyGauge(window, dialog);
}

void RunDistributionCopy(HWND window) {
    if (!OpenRun(window))
        return;
    HWND dialog = OpenProgressDialog(window);
    CopyDistribution(window, dialog, g_setup.setupDirectory, g_setup.targetRoot);
    CloseProgressDialog(window, dialog);
}

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        HDC screen = GetDC(nullptr);
        MoveWindow(window, 0, 0, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES),
                   FALSE);
        ReleaseDC(nullptr, screen);
        g_setup.mainWindow = window;
        if (!g_setup.targetRoot[0]) {
            WindowsDirectory(g_setup.targetRoot, sizeof g_setup.targetRoot);
            PostMessageA(window, WM_SETUP_INSTALL, 0, 0);
        } else {
            PostMessageA(window, WM_SETUP_COPYDIST, 0, 0);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        EraseWithLogo(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT:
        PaintLogo(window);
        return 0;
    case WM_CLOSE:
        PostMessageA(window, WM_DESTROY, 0, 0);
        return 0;
    case WM_DESTROY:
        if (g_setup.logo)
            DeleteObject(g_setup.logo);
        g_setup.logo = nullptr;
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        return 0;
    case WM_SETUP_INSTALL:
        RunInstallation(window);
        PostMessageA(window, WM_DESTROY, 0, 0);
        return 0;
    case WM_SETUP_COPYDIST:
        RunDistributionCopy(window);
        PostMessageA(window, WM_DESTROY, 0, 0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
