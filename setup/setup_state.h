// The installation program's process-wide state: the program's own resources and windows, which
// its window and dialog procedures need. What an installation does is its plan (setup.h), handed
// from step to step.
#pragma once
#include <windows.h>

#include "command_line.h"
#include "orvsetup_ids.h"

constexpr int kClassNameBytes = 20;

constexpr UINT WM_SETUP_INSTALL = WM_USER + 1;
constexpr UINT WM_SETUP_COPYDIST = WM_USER + 3;

struct SetupProgram {
    HINSTANCE instance;
    int block;
    HWND mainWindow;
    HBITMAP logo;
    HWND progressDialog;                    // routed keyboard messages while open
    char distributionRoot[kSetupPathBytes]; // distribution copy mode: the command line's root
};

extern SetupProgram g_program;

// Loads string StringId(block, k) of the program's block into a buffer of `size` bytes.
void LoadBlockString(int k, char* out, int size);
