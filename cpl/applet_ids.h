// Resource ids of the Scanner Setup applet, read by orvcpl.rc and the applet's code: preprocessor
// lines only, so windres can read it. Dialog ids are N*100 + IDD_*, string ids N*1000 + IDS_*
// (common/language.h).
#pragma once

// Dialog offsets.
#define IDD_MAIN 0
#define IDD_DRIVER_SOURCE 2
#define IDD_HELP 3
#define IDD_NEW_MODEL 4

// String numbers.
#define IDS_SETUP_CAPTION 0    // title in setup mode
#define IDS_APPLET_CAPTION 1   // title otherwise
#define IDS_SOURCE_MISSING 102 // "Can not find source file %s"
#define IDS_NO_PORT 103        // port field holds no number
#define IDS_NO_SPEED 104       // speed field holds no number
#define IDS_QUIT_WITHOUT_DEFAULT 105
#define IDS_SET_PORT 106
#define IDS_SET_SPEED 107
#define IDS_BAD_SOURCE_PATH 119
#define IDS_CLOSE_LABEL 121
#define IDS_DRIVER_FILE_MISSING 122
#define IDS_MODEL_EXISTS 123
#define IDS_EMPTY_MODEL_FIELD 124
#define IDS_REPLACE_PIXEL_DRIVER 125
#define IDS_USER_MODEL_LINE 126     // the list line of a user-defined model
#define IDS_VERSION_FORMAT 127      // help dialog's version line
#define IDS_PIXEL_DRIVER_FILTER 128 // open dialog filter names
#define IDS_PROGRAM_FILTER 129
#define IDS_DRIVER_NAME_SPACE 130 // the pixel driver's file name holds a space

// Main dialog.
#define IDC_CLOSE 1 // "Cancel", relabelled "Close" after a change
#define IDC_DEFAULT_GROUP 202
#define IDC_HARDWARE_GROUP 203
#define IDC_PORT_LABEL 204
#define IDC_SPEED_LABEL 205
#define IDC_SET_DEFAULT 250
#define IDC_ADD 251
#define IDC_REMOVE 252
#define IDC_HELP_BUTTON 253
#define IDC_INSTALL 254
#define IDC_INSTALLED_LIST 255
#define IDC_CHOICE_LIST 256
#define IDC_DEFAULT_NAME 258
#define IDC_PORT 259
#define IDC_SPEED 260
#define IDC_CHOICE_GROUP 261 // its top edge is the fold of the collapsed dialog
#define IDC_INSTALLED_GROUP 262
#define IDC_BROWSE 264 // also in the driver source and new-model dialogs

// Driver source dialog.
#define IDC_SOURCE_PATH 290
// New-model dialog.
#define IDC_MODEL_NAME 291
#define IDC_MODEL_DRIVER 292
// Help dialog.
#define IDC_VERSION_TEXT 202
