// Names of the configuration files, their sections and keys, shared by every deliverable.
#pragma once

constexpr char kAppDirName[] = "KELTO32";

// ORVANE.IFF (application directory): default scanner, port options, stored scan attributes.
constexpr char kSelectionFile[] = "ORVANE.IFF";
constexpr char kScannerSection[] = "Scanner";
constexpr char kCurrentScannerIdKey[] = "CurrentScannerId";
constexpr char kCurrentDriverKey[] = "CurrentDriver";
constexpr char kAttrNeedUpdateKey[] = "AttrNeedUpdate";
constexpr char kOptionsSection[] = "Options";
constexpr char kScannerPortKey[] = "ScannerPort";
constexpr char kScannerSpeedKey[] = "ScannerSpeed";
constexpr int kDefaultScannerPort = 200;
constexpr int kDefaultScannerSpeed = 1;
// Stored attributes: [Attribs] when AttrNeedUpdate starts with "N", otherwise [Default].
constexpr char kDefaultAttribsSection[] = "Default";
constexpr char kUpdatedAttribsSection[] = "Attribs";
constexpr char kModeKey[] = "Mode";
constexpr char kUseAdfKey[] = "UseADF";
constexpr char kBrightKey[] = "Bright";
constexpr char kContrastKey[] = "Contrast";
constexpr char kResKey[] = "Res";
constexpr char kInvertKey[] = "Invert";
constexpr char kOrientKey[] = "Orient";
constexpr char kPaperSizeKey[] = "PaperSize";
constexpr char kScanLeftKey[] = "Scan_Left";
constexpr char kScanTopKey[] = "Scan_Top";
constexpr char kScanRightKey[] = "Scan_Right";
constexpr char kScanBottomKey[] = "Scan_Bottom";

// ORVMAIN.INI (application directory): the scanning server's settings, the user's scanner device
// among them. An installation over an earlier one keeps the file that is there.
constexpr char kServerSettingsFile[] = "ORVMAIN.INI";

// ORVANE.INI (application directory): the chosen TWAIN data source.
constexpr char kTwainChoiceFile[] = "ORVANE.INI";
constexpr char kTwainSection[] = "Orvane";
constexpr char kTwainSetupKey[] = "Setup";
constexpr char kTwainDsKey[] = "TwainDS";

// The TWAIN source manager's files in the Windows directory. Every TWAIN program on the machine
// uses them, and most systems had them before this package came.
constexpr const char* kTwainManagerFiles[] = {"TWAIN.DLL", "TWAIN_32.DLL", "TWUNK_16.EXE",
                                              "TWUNK_32.EXE"};

// SETSCAN.INI (Windows directory, bare name): pixel-driver settings.
constexpr char kPixelDriverFile[] = "SETSCAN.INI";
constexpr char kKeltoSection[] = "Kelto";
constexpr char kDirectoryKey[] = "Directory";
constexpr char kDriverKey[] = "Driver";
constexpr char kPixelSetupKey[] = "Setup";

// CAT.INI (application directory): the library's trace switch, trace written to ORVLIB.LOG.
constexpr char kTraceSwitchFile[] = "CAT.INI";
constexpr char kTraceSection[] = "ORVLIB";
constexpr char kTraceFlagKey[] = "DEBUG_FLAG";
constexpr char kTraceLogFile[] = "ORVLIB.LOG";
