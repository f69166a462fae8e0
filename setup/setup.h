// The installation program's steps: the shell and wizard, the file installation and the
// configuration written after a complete installation.
#pragma once
#include <windows.h>

#include "setup_state.h"

// Shell (setup_shell.cpp).
LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RunInstallation(HWND window);
void RunDistributionCopy(HWND window);
void CenterInParent(HWND parent, HWND window);
bool ConfirmExit(HWND owner);
// The progress dialog with its gauge, centred over the main window, and its end.
HWND OpenProgressDialog(HWND window);
void CloseProgressDialog(HWND window, HWND dialog);

// Wizard (wizard.cpp). RunWizard returns when the user pressed Finish or Cancel.
void RunWizard(HWND owner);
void FillModelList(HWND listBox);
// Takes the chosen model's id and driver names from the scanner list; true for a TWAIN model.
bool FindChosenModel();

// File installation (file_install.cpp).
enum class CopyMode { Install, Distribution };
constexpr int kCopyRejected = 0; // the manifest's total and groups disagree: nothing was copied
constexpr int kCopyComplete = 1;
constexpr int kCopyCancelled = 2;

void InstallWorkingFiles();
int InstallForModel(HWND window);
int CopyManifest(HWND owner, HWND dialog, const char* sourceRoot, const char* targetRoot);
int CopyDistribution(HWND owner, HWND dialog, const char* sourceRoot, const char* targetRoot);
// False when a path does not fit its buffer.
bool BuildGroupPaths(int group, CopyMode mode, const char* sourceRoot, const char* targetRoot,
                     char (&sourceDir)[kSetupPathBytes], char (&destinationDir)[kSetupPathBytes]);
int CopyFileRaw(HWND dialog, int sourceItem, int destinationItem, const char* source,
                const char* destination);
// True when the groups from 120 upward, taken while their counts add up to less than `total`,
// add up to exactly `total`, each group's names stay below the next group and no id passes 999.
bool ManifestGroupsMatch(int total);
int ManifestNumber(int id);

// Configuration (configuration.cpp).
// The manifest lays the medium's empty installed set over the one an earlier installation left;
// the models of that one are remembered before the copy and put back after it
// (WriteScannerSelection does so before it adds the chosen model), so the models already installed
// stay installed.
void RememberEarlierModels();
void KeepEarlierModels();
void WriteScannerSelection();
void CreateProgramItems();
void WriteUninstallEntry();
void AddSharedFileCounts();
