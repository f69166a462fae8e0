// The installation program's steps: the shell and wizard, the installation over its plan, the file
// installation and the records a complete installation writes.
#pragma once
#include <windows.h>

#include "model_install.h"
#include "setup_state.h"

constexpr int kModelNameBytes = 128;

// What an installation does, settled before its first file moves: where from and where to (all
// directories end in "\"), and the model the wizard's model page chose.
struct InstallPlan {
    char setupDir[kSetupPathBytes];    // the medium: ORVSETUP.EXE's directory
    char driverDir[kSetupPathBytes];   // its "Driver\"
    char targetRoot[kSetupPathBytes];  // the Windows directory
    char appDir[kSetupPathBytes];      // target root + "KELTO32\"
    char pixelDir[kSetupPathBytes];    // target root + "PIXTRAN\"
    char workingList[kSetupPathBytes]; // target root + "ORVANE.LST", the list the wizard reads
    char modelName[kModelNameBytes];   // as the model page lists it (spaces, not "_")
    ModelChoice model;                 // id 0 and no files until a listed model is chosen
};

// Shell (setup_shell.cpp).
LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CenterInParent(HWND parent, HWND window);
bool ConfirmExit(HWND owner);
// The progress dialog with its gauge, centred over the main window, and its end.
HWND OpenProgressDialog(HWND window);
void CloseProgressDialog(HWND window, HWND dialog);

// Wizard (wizard.cpp): collects the model into the plan; true when the user pressed Finish.
bool RunWizard(HWND owner, InstallPlan* plan);

// The installation after Finish (installation.cpp), its steps in order: 1 when complete, 2 when
// the user cancelled the copy.
int RunInstallationSteps(HWND window, const InstallPlan& plan);

// File installation (file_install.cpp).
enum class CopyMode { Install, Distribution };
constexpr int kCopyRejected = 0; // the manifest's total and groups disagree: nothing was copied
constexpr int kCopyComplete = 1;
constexpr int kCopyCancelled = 2;

void InstallWorkingFiles(const InstallPlan& plan);
int CopyManifest(HWND owner, HWND dialog, const char* sourceRoot, const char* targetRoot);
int CopyDistribution(HWND owner, HWND dialog, const char* sourceRoot, const char* targetRoot);
// False when a path does not fit its buffer.
bool BuildGroupPaths(int group, CopyMode mode, const char* sourceRoot, const char* targetRoot,
                     char (&sourceDir)[kSetupPathBytes], char (&destinationDir)[kSetupPathBytes]);
int CopyFileRaw(HWND dialog, int sourceItem, int destinationItem, const char* source,
                const char* destination);
int ManifestNumber(int id);

// Records of a complete installation (configuration.cpp).
void CreateProgramItems();
void WriteUninstallEntry(const InstallPlan& plan);
void AddSharedFileCounts(const InstallPlan& plan);
