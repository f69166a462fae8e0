// Resource ids of ORVCLEAN.EXE, read by orvclean.rc and the uninstaller: preprocessor lines only,
// so windres can read it. Block N holds its strings at N*1000 + IDS_*; the uninstall manifest below
// id 1000 is generated.
#pragma once

#define IDS_CLASS_NAME 0
#define IDS_WINDOW_TITLE 1
#define IDS_CONFIRM_TEXT 100
#define IDS_UNINSTALL_KEY 101
#define IDS_SHARED_DLLS_KEY 102
#define IDS_GROUP 103
#define IDS_CONTROLLER_ITEM 104
#define IDS_UNINSTALL_ITEM 105
#define IDS_DISPLAY_NAME 106
#define IDS_UNINSTALL_STRING 107
#define IDS_CONFIRM_CAPTION 500
