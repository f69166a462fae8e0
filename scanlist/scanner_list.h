// The scanner list ORVANE.LST and the installed set ORVANE.ISS on disk: lookups, list boxes and
// updates. Every call takes the directory holding the file (ending in "\") and opens, uses and
// closes the file inside the call, so each caller sees the last write. An empty directory (one
// whose path did not fit) holds no file: nothing is read or written.
#pragma once
#include <windows.h>

#include <string>

#include "scanner_formats.h"

// The file at path (shared for reading and writing) up to maxBytes; false when it cannot be opened.
bool ReadFileText(const char* path, size_t maxBytes, std::string* text);

// Fields of the first data line carrying id; ids 0 and 99 are never found.
bool FindScannerById(const char* dir, int id, ScannerFields* fields);
// Fields of the first data line carrying id, whatever the id (the kind of 0 and 99 is asked too).
bool FindScannerLine(const char* dir, int id, ScannerFields* fields);
// Id of the first data line whose model equals the list box's selected text exactly, else -1.
int FindScannerIdByModel(const char* dir, HWND listBox);
// Id of the first data line whose model equals name ignoring case, else 0.
int ModelNameExists(const char* dir, const char* name);
// Smallest id from 100 up that no data line carries; 0 when the list cannot be read.
int NextFreeScannerId(const char* dir);

// Fills listBox with the models of listDir's list. installedOnly keeps only installed ids whose
// driver program (driverDir + field 3, last character "E" unless keepDriverName) exists. Selects
// the first line beginning with the model of selectId, or of the first data line when showing all.
void FillScannerListBox(const char* listDir, const char* driverDir, HWND listBox, int selectId,
                        bool installedOnly, bool keepDriverName);

// 0, or -1 when the file neither exists nor can be created (set then reads as empty). A missing
// file is created holding "0".
int ReadInstalledSet(const char* dir, InstalledSet* set);
// New number of entries, or -1 when the file cannot be rewritten or the id cannot be stored.
int AddInstalledScanner(const char* dir, int id);
int RemoveInstalledScanner(const char* dir, int id);
// True when a data line of another, installed id names driverFile (ignoring case) in field 3.
bool DriverSharedByOtherScanner(const char* dir, int id, const char* driverFile);

constexpr int kAppendDone = 0;
constexpr int kAppendNoFile = -1;   // the list cannot be opened or written
constexpr int kAppendTooLarge = -2; // the list with the new line would exceed kListFileMaxBytes
// Appends line (ending in CR LF) in place of the end-marker byte and writes a new end marker.
int AppendScannerLine(const char* dir, const char* line);
