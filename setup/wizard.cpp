// The three-page wizard (welcome, scanner model, scanner name) and the model page's use of the
// working scanner list in the target root.
#include "setup.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>

#include "language.h"
#include "scanner_list.h"

namespace {

constexpr char kPixelDriverSuffix[] = ".PXW";
enum class Page { Welcome, Model, Name };

void Accept(HWND page, LONG_PTR result = 0) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

// Calls `use` for every data line of the working scanner list, in file order, until it returns
// false.
template <typename Use> void ForEachScannerLine(Use use) {
    char path[kSetupPathBytes];
    if (!JoinPath(path, sizeof path, g_setup.targetRoot, kScannerListFile))
        return;
    FILE* list = fopen(path, "rt");
    if (!list)
        return;
    char line[kListLineChars + 1];
    while (fgets(line, sizeof line, list)) {
        ScannerFields fields;
        int id = ParseScannerLine(line, &fields);
        if (id >= 0 && !use(id, fields))
            break;
    }
    fclose(list);
}

void RememberSelection(HWND page) {
    HWND list = GetDlgItem(page, IDC_MODEL_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR)
        return;
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selected, 0);
    if (length == LB_ERR || length >= kModelNameBytes)
        return; // a name the buffer cannot hold is never taken cut
    SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(g_setup.modelName));
}

// PSN_WIZNEXT on the model page: a TWAIN model needs a source chosen before the wizard moves on.
void TakeModel(HWND page) {
    RememberSelection(page);
    if (FindChosenModel() && SelectTwainSource(page, TwainRecording::Remembered) != 0)
        Accept(page, DialogId(g_setup.block, IDD_MODEL_PAGE));
    else
        Accept(page);
}

INT_PTR HandlePage(Page which, HWND page, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CenterInParent(g_setup.mainWindow, GetParent(page));
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return FALSE;
    HWND sheet = GetParent(page);
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
        if (which == Page::Welcome) {
            g_setup.finished = false;
            PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        } else if (which == Page::Model) {
            PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
            FillModelList(GetDlgItem(page, IDC_MODEL_LIST));
            SetFocus(GetDlgItem(page, IDC_MODEL_LIST));
        } else {
            PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_FINISH);
            SetDlgItemTextA(page, IDC_CHOSEN_NAME, g_setup.modelName);
        }
        Accept(page);
        return TRUE;
    case PSN_WIZNEXT:
        if (which == Page::Model)
            TakeModel(page);
        else
            Accept(page);
        return TRUE;
    case PSN_WIZBACK:
        if (which == Page::Model)
            RememberSelection(page);
        Accept(page);
        return TRUE;
    case PSN_WIZFINISH:
        if (which == Page::Name)
            g_setup.finished = true;
        Accept(page);
        return TRUE;
    case PSN_RESET:
        if (which == Page::Name)
            g_setup.finished = false;
        Accept(page);
        return TRUE;
    case PSN_KILLACTIVE:
        Accept(page);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    return HandlePage(Page::Welcome, page, message, lParam);
}
INT_PTR CALLBACK ModelPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    return HandlePage(Page::Model, page, message, lParam);
}
INT_PTR CALLBACK NamePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    return HandlePage(Page::Name, page, message, lParam);
}

} // namespace

void FillModelList(HWND listBox) {
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    ForEachScannerLine([&](int, const ScannerFields& fields) {
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fields.model));
        if (!g_setup.modelName[0])
            CopyText(g_setup.modelName, sizeof g_setup.modelName, fields.model);
        return true;
    });
    if (g_setup.modelName[0])
        SendMessageA(listBox, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(g_setup.modelName));
}

bool FindChosenModel() {
    bool twain = false;
    ForEachScannerLine([&](int id, const ScannerFields& fields) {
        if (strcmp(fields.model, g_setup.modelName) != 0)
            return true;
        g_setup.scannerId = static_cast<int16_t>(id);
        // Names longer than the setup keeps are cut to their buffers.
        CopyText(g_setup.driverName, sizeof g_setup.driverName, fields.driver);
        size_t length = strlen(g_setup.driverName);
        if (length > 0)
            g_setup.driverName[length - 1] = 'E';
        if (fields.code[0] == 'I') {
            size_t base = strlen(fields.code + 1);
            if (base + sizeof kPixelDriverSuffix > sizeof g_setup.pixelDriverName)
                base = sizeof g_setup.pixelDriverName - sizeof kPixelDriverSuffix;
            memcpy(g_setup.pixelDriverName, fields.code + 1, base);
            strcpy(g_setup.pixelDriverName + base, kPixelDriverSuffix);
        } else {
            CopyText(g_setup.pixelDriverName, sizeof g_setup.pixelDriverName, fields.code);
        }
        twain = fields.code[0] == 'T';
        return false;
    });
    return twain;
}

void RunWizard(HWND owner) {
    static const DLGPROC kProcs[] = {WelcomePageProc, ModelPageProc, NamePageProc};
    static const int kPages[] = {IDD_WELCOME_PAGE, IDD_MODEL_PAGE, IDD_NAME_PAGE};
    PROPSHEETPAGEA pages[3] = {};
    for (int i = 0; i < 3; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_DEFAULT;
        pages[i].hInstance = g_setup.instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(DialogId(g_setup.block, kPages[i]));
        pages[i].pfnDlgProc = kProcs[i];
    }
    char caption[64];
    LoadBlockString(IDS_WIZARD_CAPTION, caption, sizeof caption);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.hInstance = g_setup.instance;
    header.pszCaption = caption;
    header.nPages = 3;
    header.nStartPage = 0;
    header.ppsp = pages;
    PropertySheetA(&header);
}
