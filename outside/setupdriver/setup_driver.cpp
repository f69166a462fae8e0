#include "setup_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

namespace {

constexpr char kWizardCaption[] = "Orvane Installation";
constexpr char kConfirmCaption[] = "Confirm File Deletion";
constexpr int kWelcomeText = 722;
constexpr int kModelList = 623;
constexpr int kChosenName = 625;
constexpr int kNextButton = 0x3024;
constexpr DWORD kWindowLimitMs = 30000;
constexpr DWORD kRunLimitMs = 180000;

struct DialogSearch {
    const char* title;
    int child;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    char className[32] = "";
    char title[128] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(className, "#32770") == 0 && strcmp(title, search->title) == 0 &&
        IsWindowVisible(window) && GetDlgItem(window, search->child)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HANDLE StartDrivenProgram(const std::string& program) {
    std::string line = "\"" + program + "\"";
    std::string directory = program.substr(0, program.find_last_of('\\') + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Waits for the program to end (ending it when it does not) and records its exit code.
void AwaitExit(HANDLE process, DriveOutcome* outcome, const char* name) {
    if (WaitForSingleObject(process, kRunLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        outcome->driven = false;
        outcome->log += std::string(name) + " did not end; ended it\n";
    }
    GetExitCodeProcess(process, &outcome->exitCode);
    CloseHandle(process);
    outcome->log +=
        std::string(name) + " ended with exit code " + std::to_string(outcome->exitCode) + "\n";
}

bool LogStep(DriveOutcome* outcome, bool done, const std::string& what) {
    outcome->log += what + (done ? "\n" : ": not found\n");
    return done;
}

} // namespace

HWND CurrentWizardPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND WaitForWizardPage(HWND sheet, int control) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWindowLimitMs; Sleep(20)) {
        HWND page = CurrentWizardPage(sheet);
        if (page && GetDlgItem(page, control) && IsWindowVisible(page)) {
            Sleep(200); // let the page paint before anyone looks at it
            return page;
        }
    }
    return nullptr;
}

HWND FindVisibleDialog(const char* title, int childId, DWORD timeoutMs) {
    for (DWORD start = GetTickCount();; Sleep(20)) {
        DialogSearch search = {title, childId, nullptr};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() - start >= timeoutMs)
            return search.found;
    }
}

std::vector<std::string> ListBoxLines(HWND list) {
    std::vector<std::string> lines;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t wide[256] = L"";
        char text[256] = "";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 256)
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        lines.push_back(text);
    }
    return lines;
}

void CloseShellFolderWindows() {
    for (int i = 0; i < 100; ++i) {
        HWND window = FindWindowA("ExplorerWClass", nullptr);
        if (!window)
            return;
        PostMessageA(window, WM_CLOSE, 0, 0);
        for (int wait = 0; wait < 100 && IsWindow(window); ++wait)
            Sleep(20);
    }
}

DriveOutcome InstallWithWizard(const std::string& setupProgram, const std::string& model) {
    DriveOutcome outcome;
    HANDLE process = StartDrivenProgram(setupProgram);
    if (!LogStep(&outcome, process != nullptr, "started " + setupProgram))
        return outcome;
    HWND sheet = FindVisibleDialog(kWizardCaption, kNextButton, kWindowLimitMs);
    bool driven =
        LogStep(&outcome, sheet && WaitForWizardPage(sheet, kWelcomeText), "welcome page: Next");
    HWND page = nullptr;
    if (driven) {
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        page = WaitForWizardPage(sheet, kModelList);
        driven = LogStep(&outcome, page != nullptr, "model page");
    }
    if (driven) {
        HWND list = GetDlgItem(page, kModelList);
        std::vector<std::string> lines = ListBoxLines(list);
        int index = -1;
        for (size_t i = 0; i < lines.size() && index < 0; ++i)
            if (lines[i] == model)
                index = static_cast<int>(i);
        driven =
            LogStep(&outcome, index >= 0 && SendMessageA(list, LB_SETCURSEL, index, 0) != LB_ERR,
                    "model page: chose \"" + model + "\" of " + std::to_string(lines.size()) +
                        " models, Next");
    }
    if (driven) {
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        page = WaitForWizardPage(sheet, kChosenName);
        char shown[128] = "";
        if (page)
            GetDlgItemTextA(page, kChosenName, shown, sizeof shown);
        driven = LogStep(&outcome, page && model == shown,
                         std::string("name page shows \"") + shown + "\": Finish");
    }
    if (driven)
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    else if (sheet)
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    outcome.driven = driven;
    AwaitExit(process, &outcome, "ORVSETUP.EXE");
    CloseShellFolderWindows();
    return outcome;
}

DriveOutcome AnswerUninstaller(const std::string& uninstallProgram, bool yes,
                               void (*beforeAnswer)(HWND box)) {
    DriveOutcome outcome;
    HANDLE process = StartDrivenProgram(uninstallProgram);
    if (!LogStep(&outcome, process != nullptr, "started " + uninstallProgram))
        return outcome;
    int answer = yes ? IDYES : IDNO;
    HWND box = FindVisibleDialog(kConfirmCaption, answer, kWindowLimitMs);
    char text[512] = "";
    if (box)
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    outcome.driven = LogStep(&outcome, box != nullptr,
                             std::string("\"") + kConfirmCaption + "\": " + text + " -> " +
                                 (yes ? "Yes" : "No"));
    if (box && beforeAnswer)
        beforeAnswer(box);
    if (box)
        SendMessageA(GetDlgItem(box, answer), BM_CLICK, 0, 0);
    AwaitExit(process, &outcome, "ORVCLEAN.EXE");
    CloseShellFolderWindows();
    return outcome;
}
