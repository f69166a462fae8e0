// Scan attributes as stored in the scanner selection file.
#pragma once
#include "orvlib.h"

// Fills the first 32 bytes of the record from [Attribs] (AttrNeedUpdate starting with "N") or
// [Default] of ORVANE.IFF; missing keys give their defaults. The reserved bytes are untouched.
void ReadAttributesFromFile(ScannerAttributes* record);
