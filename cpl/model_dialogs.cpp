#include "model_dialogs.h"

#include <cstdio>
#include <cstring>

#include "applet_ids.h"
#include "applet_state.h"
#include "applet_text.h"
#include "file_browse.h"
#include "model_install.h"
#include "scanner_list.h"
#include "version_copy.h"
#include "windows_path.h"

namespace {

constexpr int kModelNameChars = 34;
constexpr char kControllerProgram[] = "ORVCNTL.EXE";

// The part of a path after its last "\" (or drive colon); a bare name is all file name.
const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; ++c)
        if (*c == '\\' || *c == ':')
            name = c + 1;
    return name;
}

// Copies the pixel driver into the Windows directory's PIXTRAN; asks before replacing one.
void PlacePixelDriver(HWND dialog, const char* source) {
    char destination[kPathChars];
    if (!PixelDriverDirectory(destination))
        return;
    // A fresh system has no pixel-driver directory yet.
    CreateDirectoryA(destination, nullptr);
    const char* name = FileNamePart(source);
    if (!AppendText(destination, sizeof destination, name))
        return;
    if (FileExists(destination) &&
        ShowAppletMessageId(dialog, IDS_REPLACE_PIXEL_DRIVER, MB_YESNO, name) != IDYES)
        return;
    // A driver path already in the pixel-driver directory, however spelled, is the file itself:
    // the copy keeps it.
    CopyIfNewer(nullptr, 0, 0, source, destination);
}

// The list line of the new model: id, name padded to 34 characters, pixel-driver name.
void FormModelLine(const char* driverName, int id, char* line, int size) {
    // Separators inside the name would split the model field when the list is read.
    char name[kModelNameChars + 1];
    CopyText(name, sizeof name, g_applet.modelName);
    for (char* c = name; *c; ++c)
        if (*c == ' ' || *c == '\t' || *c == '|')
            *c = '_';
    char padded[kModelNameChars + 1];
    snprintf(padded, sizeof padded, "%-34s", name);
    char pixelName[kPathChars];
    CopyText(pixelName, sizeof pixelName, driverName);
    size_t length = strlen(pixelName);
    pixelName[length > 4 ? length - 4 : 0] = '\0';
    char format[128];
    LoadAppletString(IDS_USER_MODEL_LINE, format, sizeof format);
    snprintf(line, size, format, id, padded, pixelName);
}

void AcceptNewModel(HWND dialog) {
    GetDlgItemTextA(dialog, IDC_MODEL_NAME, g_applet.modelName, sizeof g_applet.modelName);
    GetDlgItemTextA(dialog, IDC_MODEL_DRIVER, g_applet.modelDriverPath,
                    sizeof g_applet.modelDriverPath);
    if (!g_applet.modelName[0] || !g_applet.modelDriverPath[0]) {
        ShowAppletMessageId(dialog, IDS_EMPTY_MODEL_FIELD, MB_OK);
        return;
    }
    if (!FileExists(g_applet.modelDriverPath)) {
        ShowAppletMessageId(dialog, IDS_DRIVER_FILE_MISSING, MB_OK, g_applet.modelDriverPath);
        return;
    }
    // The pixel-driver name ends the line's last field: a separator in it would cut the field.
    const char* driverName = FileNamePart(g_applet.modelDriverPath);
    const size_t pixelLength = strlen(driverName) > 4 ? strlen(driverName) - 4 : 0;
    if (strcspn(driverName, " \t|") < pixelLength) {
        ShowAppletMessageId(dialog, IDS_DRIVER_NAME_SPACE, MB_OK, driverName);
        return;
    }
    // Compared and listed as the list file reads the name back ("_" and "|" become spaces), so
    // the choice list shows what Install finds and no second spelling of a model gets in.
    char listed[kPathChars];
    CopyText(listed, sizeof listed, g_applet.modelName);
    ReadBackModelName(listed);
    if (ModelNameExists(g_applet.appDir, listed) != 0) {
        ShowAppletMessageId(dialog, IDS_MODEL_EXISTS, MB_OK, g_applet.modelName);
        return;
    }
    PlacePixelDriver(dialog, g_applet.modelDriverPath);

    char line[256];
    FormModelLine(driverName, NextFreeScannerId(g_applet.appDir), line, sizeof line);
    // A model the list file did not take is not offered for installation either.
    if (AppendScannerLine(g_applet.appDir, line) == kAppendDone && g_applet.scannerListShown)
        SendMessageA(GetDlgItem(GetParent(dialog), IDC_CHOICE_LIST), LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(listed));
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK NewModelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_MODEL_NAME, g_applet.modelName);
        SetDlgItemTextA(dialog, IDC_MODEL_DRIVER, g_applet.modelDriverPath);
        SendDlgItemMessageA(dialog, IDC_MODEL_NAME, EM_LIMITTEXT, kModelNameChars, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptNewModel(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_BROWSE: {
            char path[kPathChars];
            if (BrowseFromDialog(dialog, BrowseFilter::PixelDriver, path)) {
                CopyText(g_applet.modelDriverPath, sizeof g_applet.modelDriverPath, path);
                SetDlgItemTextA(dialog, IDC_MODEL_DRIVER, path);
            }
            return TRUE;
        }
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK HelpProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        if (g_applet.setupMode)
            SetTitleFromString(dialog, IDS_SETUP_CAPTION, kTitleChars);
        // A controller path that does not fit reads as no version.
        char program[kPathChars];
        ProductVersion version = {1, 0};
        if (!g_applet.appDir[0] ||
            !JoinPath(program, sizeof program, g_applet.appDir, kControllerProgram) ||
            GetFileProductVersion(program, &version) != 0)
            version = {1, 0};
        char format[64];
        char text[64];
        LoadAppletString(IDS_VERSION_FORMAT, format, sizeof format);
        snprintf(text, sizeof text, format, version.major, version.minor);
        SetDlgItemTextA(dialog, IDC_VERSION_TEXT, text);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

void RunNewModelDialog(HWND mainDialog) {
    DialogBoxParamA(g_applet.instance, MAKEINTRESOURCEA(g_applet.newModelDialogId), mainDialog,
                    NewModelProc, 0);
}

void RunHelpDialog(HWND mainDialog) {
    DialogBoxParamA(g_applet.instance, MAKEINTRESOURCEA(g_applet.helpDialogId), mainDialog,
                    HelpProc, 0);
}
