// Resource offsets and control ids of the Scanner Setup applet. Dialog ids are N*100 + offset,
// string ids N*1000 + number (common/language.h).
#pragma once

// Dialog offsets.
constexpr int kMainDialog = 0;
constexpr int kDriverSourceDialog = 2;
constexpr int kHelpDialog = 3;
constexpr int kNewModelDialog = 4;

// String numbers.
constexpr int kSetupCaption = 0;       // title in setup mode
constexpr int kAppletCaption = 1;      // title otherwise
constexpr int kMsgSourceMissing = 102; // "Can not find source file %s"
constexpr int kMsgNoPort = 103;        // port field holds no number
constexpr int kMsgNoSpeed = 104;       // speed field holds no number
constexpr int kMsgQuitWithoutDefault = 105;
constexpr int kMsgSetPort = 106;
constexpr int kMsgSetSpeed = 107;
constexpr int kMsgBadSourcePath = 119;
constexpr int kCloseLabel = 121;
constexpr int kMsgDriverFileMissing = 122;
constexpr int kMsgModelExists = 123;
constexpr int kMsgEmptyModelField = 124;
constexpr int kMsgReplacePixelDriver = 125;
constexpr int kUserModelLine = 126;     // the list line of a user-defined model
constexpr int kVersionFormat = 127;     // help dialog's version line
constexpr int kPixelDriverFilter = 128; // open dialog filter names
constexpr int kProgramFilter = 129;
constexpr int kMsgDriverNameSpace = 130; // the pixel driver's file name holds a space

// Main dialog.
constexpr int kIdClose = 1; // "Cancel", relabelled "Close" after a change
constexpr int kIdDefaultGroup = 202;
constexpr int kIdHardwareGroup = 203;
constexpr int kIdPortLabel = 204;
constexpr int kIdSpeedLabel = 205;
constexpr int kIdSetDefault = 250;
constexpr int kIdAdd = 251;
constexpr int kIdRemove = 252;
constexpr int kIdHelp = 253;
constexpr int kIdInstall = 254;
constexpr int kIdInstalledList = 255;
constexpr int kIdChoiceList = 256;
constexpr int kIdDefaultName = 258;
constexpr int kIdPort = 259;
constexpr int kIdSpeed = 260;
constexpr int kIdChoiceGroup = 261; // its top edge is the fold of the collapsed dialog
constexpr int kIdInstalledGroup = 262;
constexpr int kIdBrowse = 264; // also in the driver source and new-model dialogs

// Driver source dialog.
constexpr int kIdSourcePath = 290;
// New-model dialog.
constexpr int kIdModelName = 291;
constexpr int kIdModelDriver = 292;
// Help dialog.
constexpr int kIdVersionText = 202;
