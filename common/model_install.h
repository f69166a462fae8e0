// What the applet, the installation program and the uninstaller agree on about one scanner model:
// the model chosen once from its list line (ChooseModel), and from that choice alone the names of
// its files, the records that name it (ORVANE.IFF, SETSCAN.INI), the installation of its driver
// files and, for a second installation, the models an earlier one leaves. model_choice.cpp holds
// the choice and builds natively for the fuzzers; model_install.cpp the files and records. The
// registry and Program Manager texts stay in each program's string table.
#pragma once
#include <cstddef>
#include <cstdint>

#include "scanner_formats.h"
#include "text_path.h"

enum class ScannerKind { None, PixelDriver, Twain, PortAndSpeed };

// The file that marks a medium's driver directory.
constexpr char kDriverSourceMarker[] = "ORVDRXX.EX_";
// The pixel drivers' directory below the Windows directory.
constexpr char kPixelDriverDirName[] = "PIXTRAN\\";
// A list field and the four characters of a pixel-driver extension.
constexpr int kModelFileChars = kTextFieldChars + 4;

struct ModelChoice {
    int16_t id;
    ScannerKind kind;
    char model[kTextFieldChars + 1];
    char driverSource[kModelFileChars + 1];  // as listed, "ORVDR07.EX_"; empty for none
    char driverProgram[kModelFileChars + 1]; // installed in KELTO32, "ORVDR07.EXE"
    char pixelDriver[kModelFileChars + 1];   // pixel-driver models only: "COLORPRO"
    char pixelSource[kModelFileChars + 1];   // "COLORPRO.PX_"
    char pixelFile[kModelFileChars + 1];     // installed in PIXTRAN, "COLORPRO.PXW"
};

// True for a name that stays in the directory it is joined to: no "\", "/" or ":".
bool IsPlainFileName(const char* name);
// The model of a list line. A driver name that is no plain file name (a damaged or hostile list)
// names no file: the choice keeps id, model and kind with every file name empty, and the result
// is false.
bool ChooseModel(int id, const ScannerFields& fields, ModelChoice* choice);
// The installed driver program of the first data line carrying id in a list file image; false
// when no line carries the id or its line names no program (or none that is a plain file name).
bool InstalledDriverProgram(const char* list, size_t size, int id,
                            char (&program)[kModelFileChars + 1]);

// The driver directory (ending in "\") holds the marker file.
bool DriverSourcePresent(const char* driverDir);
// The Windows directory's pixel-driver directory, "PIXTRAN\" below a Windows directory of at most
// 79 characters (a longer one places no pixel driver); false and empty otherwise.
bool PixelDriverDirectory(char (&out)[kToolPathChars]);
// ORVANE.IFF of an application directory (ending in "\"); false when the path does not fit.
bool SelectionFilePath(const char* appDir, char (&path)[kToolPathChars]);

// The default scanner in ORVANE.IFF: CurrentScannerId, CurrentDriver and, when asked,
// AttrNeedUpdate "Y". False, with nothing written, when the path does not fit.
bool WriteScannerSelection(const char* appDir, const ModelChoice& choice,
                           bool attributesNeedUpdate);
// No default scanner: CurrentScannerId "0" and an empty CurrentDriver.
bool ClearScannerSelection(const char* appDir);
// SETSCAN.INI for a pixel-driver model: the application directory without its "\", the pixel
// driver, and its Setup "no". False for another kind, a model naming no pixel driver or a
// directory that does not fit.
bool WritePixelDriverSettings(const char* appDir, const ModelChoice& choice);

// The model's driver files from a driver directory (the medium's DRIVER\): the driver program into
// appDir, the pixel driver into pixelDir (made when missing; none when pixelDir is empty). Each is
// version-checked: an installed file of the same or a newer version stays.
void InstallDriverFiles(const ModelChoice& choice, const char* driverDir, const char* appDir,
                        const char* pixelDir);
// Deletes the model's installed driver program from appDir.
void DeleteDriverProgram(const ModelChoice& choice, const char* appDir);

// What an earlier installation in an application directory leaves for the next one: its installed
// set and the list lines of the models its user defined (ids from 100), read before the shipped
// files are laid over them.
struct EarlierModels {
    bool present;
    InstalledSet set;
    int32_t userLength;
    char userLines[kListFileMaxBytes]; // lines ending in CR LF
};
void ReadEarlierModels(const char* appDir, EarlierModels* earlier);
// Puts them back: every earlier id into the installed set, every user line whose id the new list
// lacks appended to it.
void KeepEarlierModels(const char* appDir, const EarlierModels& earlier);
