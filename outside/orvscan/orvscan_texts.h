// String ids of orvscan.exe (language-independent: a sample program's console messages).
#pragma once
#define IDS_USAGE 1
#define IDS_BAD_ARGUMENT 2
#define IDS_VERSION 3
#define IDS_SCANNER 4
#define IDS_FAILED 5
#define IDS_MODE_MISSING 6
#define IDS_RESOLUTION_MISSING 7
#define IDS_SETTINGS 8
#define IDS_WAITING 9
#define IDS_WAIT_TIMEOUT 10
#define IDS_OPENED 11
#define IDS_TRANSFERRED 12
#define IDS_WRITE_FAILED 13
#define IDS_WROTE 14
#define IDS_NO_MEMORY 15
#define IDS_AREA_OUTSIDE 16
