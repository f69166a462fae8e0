// Test harness for Win32 programs under Wine: built binaries placed into the Windows and
// application directories, a scanner ready to scan, programs run with a time limit, windows found,
// screenshots saved.
#pragma once
#include <windows.h>

#include <string>

// Windows path of a binary in the x86_64 build tree (bin folder).
std::string BinPath(const char* name);
// The same in the x86_64 build's bin folder, from the i686 tree; empty (so no copy succeeds) where
// this tree does not know that folder.
std::string BinPath64(const char* name);
// Windows path of a file in the source tree (test data, fixtures).
std::string SourcePath(const char* relative);
std::string WindowsDir(); // "C:\windows\"
std::string AppDir();     // "C:\windows\KELTO32\"
// Where Wine's source manager of this build's bitness looks for TWAIN sources:
// "C:\windows\twain_64\" for the 64-bit manager, "twain_32\" for the 32-bit one.
std::string TwainSourceDir();
// Wine's TWAIN source manager of this build's bitness, to copy where a test wants one: the
// 64-bit prefix keeps it in the system directory, the 32-bit one only in the Windows directory,
// which the tests change, so there it comes from Wine's own module folder.
std::string WineTwainManager();

// Copies a built binary into the Windows directory or the application directory (optionally under
// another name) and records it so ResetInstall removes it again.
bool PlaceInWindows(const char* name, const char* as = nullptr);
bool PlaceInAppDir(const char* name, const char* as = nullptr);
// The same from the x86_64 build's bin folder, for tests of 32-bit and 64-bit programs on one
// server; only a tree configured with ORV_X86_64_BIN knows that folder (elsewhere they fail).
bool PlaceInWindows64(const char* name, const char* as = nullptr);
bool PlaceInAppDir64(const char* name, const char* as = nullptr);
// True in a 32-bit program on a 64-bit Windows with 32-bit support (WoW64).
bool OnWow64();
// Removes every placed file, the whole application directory and SETSCAN.INI in the Windows
// directory, and ends the server, controller and driver programs still running from there.
void ResetInstall();
// Deletes a directory (path ending in a backslash) with everything below it.
void DeleteTree(const std::string& dir);
// Calls visit(found) for every entry of a directory (path ending in a backslash) but "." and
// ".."; false when the directory cannot be read.
template <typename Visit> bool ForEachDirectoryEntry(const std::string& dir, Visit visit) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
            visit(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

// Scanner `id` and its driver program selected in the application directory's ORVANE.IFF,
// followed by `more` (further sections).
bool SelectScanner(int id, const char* driver, const std::string& more = "");
// A scanner ready to scan, as an installation leaves it: this build's library in the Windows
// directory, the scanning server and scanner 7's driver program in the application directory,
// scanner 7 selected. (The benchmarks' set-up in ./run is its shell form.)
bool PlaceScanner();
// The scanning server's settings ORVMAIN.INI: `sections`, then its receive log switched on. The
// server reads them once at start, so a running one is ended first; its old log is removed.
bool ServerSettings(const std::string& sections);
// What the server has received (ORVMAIN.LOG), without carriage returns.
std::string ServerLog();

bool WriteTextFile(const std::string& path, const std::string& text);
bool ReadWholeFile(const std::string& path, std::string* out);
bool FileExists(const std::string& path);
// Program output as tests compare it: without carriage returns.
std::string WithoutCarriageReturns(const std::string& text);
// How many lines of text start with prefix.
int CountLinesStartingWith(const std::string& text, const std::string& prefix);

struct RunResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output; // stdout and stderr together
};
// Runs a command line and waits at most timeoutMs; a program still running then is killed. With
// outputFile its output goes to that file, not a pipe: programs the library starts inherit it and
// would hold a pipe open long after the program ended (they keep the file open too, so each run
// wants a file of its own).
RunResult RunProgram(const std::string& commandLine, DWORD timeoutMs,
                     const char* directory = nullptr, const char* outputFile = nullptr);
// Starts a program without waiting; the caller waits on and closes the handle.
HANDLE StartProgram(const std::string& commandLine, const char* directory = nullptr);
// Ends a started program if it still runs and closes its handle; *process becomes null.
void StopProgram(HANDLE* process);
// The Program Manager stand-in, copied into dir and started there with settings words such as
// "Reply=12"; returns once its DDE service is registered ("READY" in dir's progman_standin.log),
// null (the stand-in ended) when it did not get there within 5 s.
HANDLE StartProgmanStandIn(const std::string& dir, const std::string& settings);
// A test program placed in the Windows directory and started there with "out=PATH" first on its
// command line; it writes its result lines to that file, since the server and driver program the
// library starts would hold an inherited output pipe open. Each run has a file of its own.
struct OutFileRun {
    HANDLE process = nullptr;
    std::string out;
};
OutFileRun StartWithOutFile(const char* program, const std::string& arguments);
// Waits for the program at most timeoutMs (ending it then) unless it has ended, and gives its
// lines without carriage returns; its file is removed.
RunResult FinishOutFileRun(OutFileRun* run, DWORD timeoutMs);
// Ends every process whose image name matches (case-insensitive; a trailing "*" matches any
// name starting with what precedes it); returns how many.
int KillProcessesNamed(const char* imageName);
// Ends the folder windows Wine's shell opens for each group it shows or creates: every one is an
// explorer.exe process of its own, started before the shell answers, so none comes later. The
// desktop's explorer.exe stays. Returns how many were ended.
int EndFolderWindows();
int CountProcessesNamed(const char* imageName);
// Polls until no process of that name runs any more.
bool WaitForProcessesGone(const char* imageName, DWORD timeoutMs);

// Polls for a top-level window by class and/or title (either may be null).
HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs);
// A message box by its caption, once shown: Wine sets the caption before it has removed the
// buttons the box does not use, and shows the box only after that.
HWND WaitForMessageBox(const char* caption, DWORD timeoutMs);
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// Polls condition every 20 ms until it holds or timeoutMs passed.
template <typename Condition> bool Eventually(Condition condition, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}
// Waits for a file another process creates as its signal.
bool WaitForFile(const std::string& path, DWORD timeoutMs);
// Saves what the screen shows of a window as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& bmpPath);
