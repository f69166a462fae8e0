// String ids of the scanning server (language-independent: product names only).
#pragma once
#define IDS_MAIN_TITLE 1
#define IDS_CHART_TEXT 2
