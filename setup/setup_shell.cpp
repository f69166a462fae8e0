// The full-screen main window: the logo, the two runs it starts once it is shown (the installation
// run's plan is settled here and on the wizard's model page), the centering rule of the program's
// dialogs and the exit confirmation.
#include <cstring>

#include "config_names.h"
#include "language.h"
#include "progress_gauge.h"
#include "setup.h"
#include "windows_path.h"

namespace {

constexpr int kLogoX = 20;
constexpr int kTopBand = 128;
constexpr char kDriverDirName[] = "Driver\\";
constexpr int kMessageFormatBytes = 60;

void PaintLogo(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (g_program.logo) {
        BITMAP info;
        GetObjectA(g_program.logo, sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, g_program.logo);
        BitBlt(dc, kLogoX, info.bmHeight / 2, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

void EraseWithLogo(HWND window, HDC dc) {
    if (!g_program.logo)
        return;
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreatePatternBrush(g_program.logo);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

// "path \r\nInvalid pathname or directory." under the error caption.
void ShowPathError(HWND window, const char* path) {
    char format[kMessageFormatBytes];
    char caption[kMessageFormatBytes];
    // The path fills up to 255 characters of the text.
    char text[kMessageFormatBytes + kSetupPathBytes];
    LoadBlockString(IDS_MISSING_DISTRIBUTION, format, sizeof format);
    LoadBlockString(IDS_ERROR_CAPTION, caption, sizeof caption);
    char shown[kSetupPathBytes];
    CopyText(shown, sizeof shown, path);
    wsprintfA(text, format, shown);
    MessageBoxA(window, text, caption, MB_OK);
}

// Shared opening of both runs: the logo shown, the setup directory found, the distribution
// checked. False (after the message box) when the program was not started from a distribution.
bool ShowLogoAndFindDistribution(HWND window, char (&setupDir)[kSetupPathBytes],
                                 char (&driverDir)[kSetupPathBytes]) {
    g_program.logo = LoadBitmapA(g_program.instance, "ORVLOGO");
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);

    // A program path that does not fit names no directory and so no distribution.
    const bool present = ModuleDirectory(nullptr, setupDir, sizeof setupDir) &&
                         JoinPath(driverDir, sizeof driverDir, setupDir, kDriverDirName) &&
                         DriverSourcePresent(driverDir);
    if (!present)
        ShowPathError(window, setupDir);
    return present;
}

// The plan's directories below a target root; false when one does not fit.
bool PlanTargetPaths(InstallPlan* plan) {
    return JoinPath(plan->appDir, sizeof plan->appDir, plan->targetRoot, kAppDirName) &&
           EndWithBackslash(plan->appDir, sizeof plan->appDir) &&
           JoinPath(plan->pixelDir, sizeof plan->pixelDir, plan->targetRoot, kPixelDriverDirName) &&
           JoinPath(plan->workingList, sizeof plan->workingList, plan->targetRoot,
                    kScannerListFile);
}

// The installation run: the medium and the Windows directory settled (a Windows directory whose
// paths do not fit stops the run with a message before anything is written), the working files
// expanded, the wizard's choice taken, the steps run, the working list deleted.
void RunInstallation(HWND window) {
    InstallPlan plan = {};
    if (!ShowLogoAndFindDistribution(window, plan.setupDir, plan.driverDir))
        return;
    if (!WindowsDirectory(plan.targetRoot, sizeof plan.targetRoot) || !PlanTargetPaths(&plan)) {
        char windows[4 * kSetupPathBytes] = "";
        GetWindowsDirectoryA(windows, sizeof windows);
        ShowPathError(window, windows);
        return;
    }
    InstallWorkingFiles(plan);
    if (RunWizard(window, &plan))
        RunInstallationSteps(window, plan);
    DeleteFileA(plan.workingList);
}

void RunDistributionCopy(HWND window) {
    char setupDir[kSetupPathBytes];
    char driverDir[kSetupPathBytes];
    if (!ShowLogoAndFindDistribution(window, setupDir, driverDir))
        return;
    HWND dialog = OpenProgressDialog(window);
    CopyDistribution(window, dialog, setupDir, g_program.distributionRoot);
    CloseProgressDialog(window, dialog);
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
        DialogBoxParamA(g_program.instance, MAKEINTRESOURCEA(DialogId(g_program.block, IDD_EXIT)),
                        owner, ExitDialogProc, 0);
    return result != IDNO;
}

HWND OpenProgressDialog(HWND window) {
    HWND dialog =
        CreateGauge(window, g_program.instance, GaugeVariant::Setup, IDC_GAUGE,
                    MAKEINTRESOURCEA(DialogId(g_program.block, IDD_PROGRESS)), "", SW_SHOW);
    g_program.progressDialog = dialog;
    if (dialog)
        CenterInParent(window, dialog);
    return dialog;
}

void CloseProgressDialog(HWND window, HWND dialog) {
    g_program.progressDialog = nullptr;
    DestroyGauge(window, dialog);
}

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        HDC screen = GetDC(nullptr);
        MoveWindow(window, 0, 0, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES),
                   FALSE);
        ReleaseDC(nullptr, screen);
        g_program.mainWindow = window;
        PostMessageA(window, g_program.distributionRoot[0] ? WM_SETUP_COPYDIST : WM_SETUP_INSTALL,
                     0, 0);
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
        if (g_program.logo)
            DeleteObject(g_program.logo);
        g_program.logo = nullptr;
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
