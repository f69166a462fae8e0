// The three-page wizard (welcome, scanner model, scanner name): it collects the model into the
// installation plan from the working scanner list and does nothing else.
#include "setup.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>

#include "language.h"
#include "scanner_list.h"
#include "twain_registration.h"

namespace {

enum class Page { Welcome, Model, Name };

// What the pages share: the plan they fill and the finish flag.
struct WizardRun {
    InstallPlan* plan;
    bool finished;
};

void SetPageResult(HWND page, LONG_PTR result = 0) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

// Calls `use` for every data line of the working scanner list, in file order, until it returns
// false.
template <typename Use> void ForEachScannerLine(const InstallPlan& plan, Use use) {
    FILE* list = fopen(plan.workingList, "rt");
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

void RememberSelection(HWND page, InstallPlan* plan) {
    HWND list = GetDlgItem(page, IDC_MODEL_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR)
        return;
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selected, 0);
    if (length == LB_ERR || length >= kModelNameBytes)
        return; // a name the buffer cannot hold is never taken cut
    SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(plan->modelName));
}

void FillModelList(HWND listBox, InstallPlan* plan) {
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    ForEachScannerLine(*plan, [&](int, const ScannerFields& fields) {
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fields.model));
        if (!plan->modelName[0])
            CopyText(plan->modelName, sizeof plan->modelName, fields.model);
        return true;
    });
    if (plan->modelName[0])
        SendMessageA(listBox, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(plan->modelName));
}

// The plan's model from the first list line of the chosen name; when none carries it the plan
// keeps the model it had. True when a TWAIN model was found.
bool FindChosenModel(InstallPlan* plan) {
    bool twain = false;
    ForEachScannerLine(*plan, [&](int id, const ScannerFields& fields) {
        if (strcmp(fields.model, plan->modelName) != 0)
            return true;
        ChooseModel(id, fields, &plan->model);
        twain = plan->model.kind == ScannerKind::Twain;
        return false;
    });
    return twain;
}

// PSN_WIZNEXT on the model page: a TWAIN model needs a source chosen before the wizard moves on.
void TakeModel(HWND page, InstallPlan* plan) {
    RememberSelection(page, plan);
    if (FindChosenModel(plan) && SelectTwainSource(page, TwainRecording::Remembered) != 0)
        SetPageResult(page, DialogId(g_program.block, IDD_MODEL_PAGE));
    else
        SetPageResult(page);
}

INT_PTR HandlePage(Page which, HWND page, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // The page's lParam carries the run.
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        CenterInParent(g_program.mainWindow, GetParent(page));
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return FALSE;
    WizardRun* run = reinterpret_cast<WizardRun*>(GetWindowLongPtrA(page, DWLP_USER));
    HWND sheet = GetParent(page);
    switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
        if (which == Page::Welcome) {
            run->finished = false;
            PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        } else if (which == Page::Model) {
            PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
            FillModelList(GetDlgItem(page, IDC_MODEL_LIST), run->plan);
            SetFocus(GetDlgItem(page, IDC_MODEL_LIST));
        } else {
            PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_FINISH);
            SetDlgItemTextA(page, IDC_CHOSEN_NAME, run->plan->modelName);
        }
        SetPageResult(page);
        return TRUE;
    case PSN_WIZNEXT:
        if (which == Page::Model)
            TakeModel(page, run->plan);
        else
            SetPageResult(page);
        return TRUE;
    case PSN_WIZBACK:
        if (which == Page::Model)
            RememberSelection(page, run->plan);
        SetPageResult(page);
        return TRUE;
    case PSN_WIZFINISH:
        if (which == Page::Name)
            run->finished = true;
        SetPageResult(page);
        return TRUE;
    case PSN_RESET:
        if (which == Page::Name)
            run->finished = false;
        SetPageResult(page);
        return TRUE;
    case PSN_KILLACTIVE:
        SetPageResult(page);
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

bool RunWizard(HWND owner, InstallPlan* plan) {
    WizardRun run = {plan, false};
    static const DLGPROC kProcs[] = {WelcomePageProc, ModelPageProc, NamePageProc};
    static const int kPages[] = {IDD_WELCOME_PAGE, IDD_MODEL_PAGE, IDD_NAME_PAGE};
    PROPSHEETPAGEA pages[3] = {};
    for (int i = 0; i < 3; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_DEFAULT;
        pages[i].hInstance = g_program.instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(DialogId(g_program.block, kPages[i]));
        pages[i].pfnDlgProc = kProcs[i];
        pages[i].lParam = reinterpret_cast<LPARAM>(&run);
    }
    char caption[64];
    LoadBlockString(IDS_WIZARD_CAPTION, caption, sizeof caption);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.hInstance = g_program.instance;
    header.pszCaption = caption;
    header.nPages = 3;
    header.nStartPage = 0;
    header.ppsp = pages;
    PropertySheetA(&header);
    return run.finished;
}
