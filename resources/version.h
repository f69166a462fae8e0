// Version numbers shared by every binary's VERSIONINFO. A binary with versions of its own defines
// ORV_VERSION_BIN, ORV_VERSION_STR and ORV_PRODUCT before including versioninfo.rci.
#pragma once
#ifndef ORV_VERSION_BIN
#define ORV_VERSION_BIN 2, 0, 0, 0
#endif
#ifndef ORV_VERSION_STR
#define ORV_VERSION_STR "2.0.0.0"
#endif
#define ORV_COMPANY "Kelto Applications"
#ifndef ORV_PRODUCT
#define ORV_PRODUCT "Orvane 2.0"
#endif
