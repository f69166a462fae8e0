// Drives the Scanner Setup applet from outside, as a user would: the applet runs in the Control
// Panel caller (its own process); the test finds its windows, types into fields, presses buttons
// and answers message boxes.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

// Text of any window, asked across processes.
std::string WindowText(HWND window);
// Text of a message box (its static controls joined by newlines).
std::string MessageBoxText(HWND box);
// A visible top-level window owned by owner, waited for up to timeoutMs; null when none.
HWND WaitForOwnedPopup(HWND owner, DWORD timeoutMs);
// True when no window owned by owner shows up within ms.
bool NoPopupWithin(HWND owner, DWORD ms);
// Presses a button (posted, so a message box it opens does not block the test).
void Press(HWND dialog, int id);
// Posts a key to a control, as the dialog's message loop would get it from the keyboard.
void Key(HWND control, UINT virtualKey);
void Type(HWND dialog, int id, const std::string& text);
std::string ItemText(HWND dialog, int id);
// Lines of a list box, and its selected line ("" when none).
std::vector<std::string> ListLines(HWND list);
std::string SelectedLine(HWND list);
// Selects the line beginning with text and tells the dialog, as a click on it would.
bool SelectLine(HWND dialog, int listId, const std::string& text);
void DoubleClickLine(HWND dialog, int listId, const std::string& text);
// Answers a message box owned by owner with button id; returns its text ("" when none came).
std::string AnswerMessage(HWND owner, int button, DWORD timeoutMs = 5000);
// The control holding the keyboard focus in the dialog's thread.
HWND FocusOf(HWND dialog);
bool IsCollapsed(HWND dialog);

// One run of the Control Panel caller with the applet.
struct AppletRun {
    // Starts `caller applet args` and waits for the main dialog titled title.
    bool Start(const std::string& args = "", const char* title = "Scanner Setup",
               const std::string& caller = BinPath("cplcaller.exe"),
               const std::string& applet = BinPath("ORVCPL32.DLL"));
    // Waits for the caller to end; its printed answers land in output.
    bool Finish(DWORD timeoutMs = 10000);
    ~AppletRun();
    HWND dialog = nullptr;
    std::string output;
    bool ended = false;

private:
    std::thread runner;
};

// Profile value of the application directory's ORVANE.IFF ("<none>" when missing).
std::string SelectionValue(const char* section, const char* key);
std::string SetscanValue(const char* section, const char* key);
std::string InstalledSetBytes();
// Copies every file of a directory into another (created).
bool CopyDirectoryFiles(const std::string& from, const std::string& to);
bool SameContent(const std::string& a, const std::string& b);
// Windows path of the test medium in the build tree ("...\testmedium\").
std::string MediumDir();
// The Windows directory's PIXTRAN directory, ending in a backslash.
std::string PixelDriverDir();

// Fresh application directory with the test medium's scanner list; installed ids placed with
// their driver programs (built stand-ins).
class AppletTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void InstallIds(std::initializer_list<int> ids);
    void WriteSelection(int currentId, const char* driver);
    // Presses Add>> and gives the driver source dialog the medium's setup program path.
    void ExpandWithMedium(HWND dialog);
};
