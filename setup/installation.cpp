// The installation after Finish: every step in the order it runs, over the plan the wizard's model
// page completed. A cancelled copy ends it after the earlier models are put back; the records of a
// complete installation come last.
#include "scanner_list.h"
#include "setup.h"
#include "twain_registration.h"

int RunInstallationSteps(HWND window, const InstallPlan& plan) {
    // 1. What an earlier installation leaves, read before the shipped files are laid over it.
    EarlierModels earlier;
    ReadEarlierModels(plan.appDir, &earlier);

    // 2. The manifest's files, under the progress dialog with Cancel.
    HWND dialog = OpenProgressDialog(window);
    const int copied = CopyManifest(window, dialog, plan.setupDir, plan.targetRoot);

    // 3. The earlier models back into the shipped list and installed set, the user's own with
    // their lines; a cancelled copy may have laid those down already.
    KeepEarlierModels(plan.appDir, earlier);

    // 4. The chosen model: the installed set, SETSCAN.INI, ORVANE.IFF, then its driver files.
    if (copied == kCopyComplete) {
        AddInstalledScanner(plan.appDir, plan.model.id);
        WritePixelDriverSettings(plan.appDir, plan.model);
        WriteScannerSelection(plan.appDir, plan.model, false);
        InstallDriverFiles(plan.model, plan.driverDir, plan.appDir, plan.pixelDir);
    }
    CloseProgressDialog(window, dialog);
    if (copied != kCopyComplete)
        return copied;

    // 5. The records of a complete installation: program items, uninstall entry, shared-file
    // counts, and the TWAIN source, which only a TWAIN model records (one chosen for another
    // model, then left with Back, is not).
    CreateProgramItems();
    WriteUninstallEntry(plan);
    AddSharedFileCounts(plan);
    if (plan.model.kind == ScannerKind::Twain)
        RecordTwainSource();
    return copied;
}
