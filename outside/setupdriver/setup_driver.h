// Drives ORVSETUP.EXE and ORVCLEAN.EXE from another process the way a user at the screen does:
// the wizard through its property-sheet messages (button presses posted, never sent) and list
// selections, the uninstaller's confirmation through its own buttons. Each step is written to a
// log so a person can follow what was done.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A visible dialog with that title holding a control of that id; null after timeoutMs.
HWND FindVisibleDialog(const char* title, int childId, DWORD timeoutMs);
// The page a property sheet shows, and the wait until it shows the page holding `control`
// (null after the time limit).
HWND CurrentWizardPage(HWND sheet);
HWND WaitForWizardPage(HWND sheet, int control);
// Lines of a list box of another process (the wizard's list boxes are Unicode windows).
std::vector<std::string> ListBoxLines(HWND list);
// Closes the folder windows Wine's shell opens when a Program Manager group is shown.
void CloseShellFolderWindows();

struct DriveOutcome {
    bool driven = false;  // every step found what it waited for
    DWORD exitCode = 259; // of the program driven (STILL_ACTIVE when it did not end)
    std::string log;      // one line per step
};

// Starts the installation program, goes Next on the welcome page, picks `model` on the model
// page, Next, Finish on the name page, and waits for the program to end.
DriveOutcome InstallWithWizard(const std::string& setupProgram, const std::string& model);
// Starts the uninstaller and answers its confirmation with Yes or No; waits for it to end.
// `beforeAnswer`, when given, sees the confirmation box before it is answered.
DriveOutcome AnswerUninstaller(const std::string& uninstallProgram, bool yes,
                               void (*beforeAnswer)(HWND box) = nullptr);
