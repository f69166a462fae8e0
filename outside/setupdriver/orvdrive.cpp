// orvdrive: runs the installation program or the uninstaller and answers them as a user would.
//   orvdrive install SETUP-PROGRAM MODEL   the wizard: Next, MODEL, Next, Finish
//   orvdrive uninstall UNINSTALL-PROGRAM yes|no
// Prints each step; exits with the driven program's exit code, or 3 when a step failed.
#include <cstdio>
#include <cstring>

#include "setup_driver.h"

int main(int argc, char** argv) {
    if (argc != 4 || (strcmp(argv[1], "install") != 0 && strcmp(argv[1], "uninstall") != 0)) {
        fprintf(stderr, "usage: orvdrive install SETUP-PROGRAM MODEL\n"
                        "       orvdrive uninstall UNINSTALL-PROGRAM yes|no\n");
        return 2;
    }
    DriveOutcome outcome = strcmp(argv[1], "install") == 0
                               ? InstallWithWizard(argv[2], argv[3])
                               : AnswerUninstaller(argv[2], _stricmp(argv[3], "yes") == 0);
    fputs(outcome.log.c_str(), stdout);
    return outcome.driven ? static_cast<int>(outcome.exitCode) : 3;
}
