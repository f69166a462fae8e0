// Version numbers shared by every binary's VERSIONINFO.
#pragma once
#define ORV_VERSION_BIN 2, 0, 0, 0
#define ORV_VERSION_STR "2.0.0.0"
#define ORV_COMPANY "Kelto Applications"
#define ORV_PRODUCT "Orvane 2.0"
