// Resource ids of ORVSETUP.EXE, read by orvsetup.rc and the installation program: preprocessor
// lines only, so windres can read it. Block N holds its dialogs at N*100 + IDD_* and its strings at
// N*1000 + IDS_*; the manifest below id 1000 has its own generated header.
#pragma once

// Strings of a block.
#define IDS_CLASS_NAME 0
#define IDS_WINDOW_TITLE 1
#define IDS_WIZARD_CAPTION 2
#define IDS_MISSING_DISTRIBUTION 100
#define IDS_UNINSTALL_KEY 101
#define IDS_DISPLAY_NAME_VALUE 102
#define IDS_UNINSTALL_STRING_VALUE 103
#define IDS_CONTROLLER_ITEM 104
#define IDS_SHARED_DLLS_KEY 105
#define IDS_UNINSTALL_ITEM 106
#define IDS_GROUP 107
#define IDS_UNINSTALL_CLASS 108
#define IDS_ERROR_CAPTION 500

// Dialogs of a block: the wizard pages, the progress dialog and the exit confirmation.
#define IDD_WELCOME_PAGE 0
#define IDD_MODEL_PAGE 1
#define IDD_NAME_PAGE 2
#define IDD_PROGRESS 4
#define IDD_EXIT 5

// Controls of the wizard pages and the progress dialog; the texts are 720 to 722.
#define IDC_MODEL_LIST 623
#define IDC_CHOSEN_NAME 625
#define IDC_FROM_PATH 620
#define IDC_TO_PATH 621
#define IDC_GAUGE 622
#define IDC_TEXT1 720
#define IDC_TEXT2 721
#define IDC_TEXT3 722
