#include "harness.h"

#include "orvlib.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

const char kPlacedList[] = "orvtest-placed.lst";

std::string LinuxToWindows(const char* linuxPath) {
    std::string path = "Z:";
    path += linuxPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.back() != '\\')
        path += '\\';
    return path;
}

bool PlaceFile(const std::string& source, const char* name, const std::string& dir,
               const char* as) {
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string target = dir + (as ? as : name);
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
        return false;
    std::string list;
    ReadWholeFile(WindowsDir() + kPlacedList, &list);
    return WriteTextFile(WindowsDir() + kPlacedList, list + target + "\n");
}

void EndProcess(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

template <typename Visit> int ForEachProcessNamed(const char* imageName, Visit visit) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        size_t length = strlen(imageName);
        bool prefix = length > 0 && imageName[length - 1] == '*';
        if (prefix ? _strnicmp(entry.szExeFile, imageName, length - 1) == 0
                   : _stricmp(entry.szExeFile, imageName) == 0) {
            ++count;
            visit(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return count;
}

} // namespace

void DeleteTree(const std::string& dir) {
    ForEachDirectoryEntry(dir, [&](const WIN32_FIND_DATAA& found) {
        const std::string path = dir + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(path + "\\");
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    });
    RemoveDirectoryA(dir.c_str());
}

std::string BinPath(const char* name) {
    return LinuxToWindows(ORV_BIN_DIR) + name;
}
std::string BinPath64([[maybe_unused]] const char* name) {
#ifdef ORV_X86_64_BIN_DIR
    return LinuxToWindows(ORV_X86_64_BIN_DIR) + name;
#else
    return "";
#endif
}
std::string SourcePath(const char* relative) {
    std::string path = LinuxToWindows(ORV_SOURCE_DIR) + relative;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string WindowsDir() {
    char dir[MAX_PATH];
    UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    std::string path(dir, length);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

std::string TwainSourceDir() {
    return WindowsDir() + (sizeof(void*) == 8 ? "twain_64\\" : "twain_32\\");
}

std::string WineTwainManager() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    const std::string inSystem = std::string(system) + "\\twain_32.dll";
    if (FileExists(inSystem))
        return inSystem;
    return "Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\twain_32.dll";
}

std::string AppDir() {
    return WindowsDir() + "KELTO32\\";
}

bool PlaceInWindows(const char* name, const char* as) {
    return PlaceFile(BinPath(name), name, WindowsDir(), as);
}
bool PlaceInAppDir(const char* name, const char* as) {
    return PlaceFile(BinPath(name), name, AppDir(), as);
}

bool OnWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
bool PlaceInWindows64(const char* name, const char* as) {
    return PlaceFile(BinPath64(name), name, WindowsDir(), as);
}
bool PlaceInAppDir64(const char* name, const char* as) {
    return PlaceFile(BinPath64(name), name, AppDir(), as);
}

void ResetInstall() {
    // Programs started from the application directory hold their files open.
    for (const char* program : {"ORVMAIN.EXE", "ORVCNTL.EXE", "ORVDR*"})
        KillProcessesNamed(program);
    std::string list;
    if (ReadWholeFile(WindowsDir() + kPlacedList, &list)) {
        size_t start = 0;
        for (size_t end; (end = list.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string path = list.substr(start, end - start);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        DeleteFileA((WindowsDir() + kPlacedList).c_str());
    }
    DeleteFileA((WindowsDir() + "SETSCAN.INI").c_str());
    DeleteTree(AppDir());
}

bool SelectScanner(int id, const char* driver, const std::string& more) {
    return WriteTextFile(AppDir() + "ORVANE.IFF",
                         "[Scanner]\r\nCurrentScannerId=" + std::to_string(id) +
                             "\r\nCurrentDriver=" + driver + "\r\n" + more);
}

bool PlaceScanner() {
    return PlaceInWindows(ORV_LIBRARY_FILE) && PlaceInAppDir("ORVMAIN.EXE") &&
           PlaceInAppDir("ORVDR07.EXE") && SelectScanner(7, "ORVDR07.EXE");
}

bool ServerSettings(const std::string& sections) {
    KillProcessesNamed("ORVMAIN.EXE");
    DeleteFileA((AppDir() + "ORVMAIN.LOG").c_str());
    return WriteTextFile(AppDir() + "ORVMAIN.INI", sections + "[Log]\r\nReceived=1\r\n");
}

std::string ServerLog() {
    std::string log;
    ReadWholeFile(AppDir() + "ORVMAIN.LOG", &log);
    return WithoutCarriageReturns(log);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

bool ReadWholeFile(const std::string& path, std::string* out) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    out->clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out->append(buffer, got);
    CloseHandle(file);
    return true;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string WithoutCarriageReturns(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
    int count = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (text.compare(start, prefix.size(), prefix) == 0)
            ++count;
        start = end + 1;
    }
    return count;
}

HANDLE StartProgram(const std::string& commandLine, const char* directory) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

void StopProgram(HANDLE* process) {
    if (!*process)
        return;
    TerminateProcess(*process, 1);
    WaitForSingleObject(*process, 5000);
    CloseHandle(*process);
    *process = nullptr;
}

HANDLE StartProgmanStandIn(const std::string& dir, const std::string& settings) {
    const std::string program = dir + "progman_standin.exe";
    CopyFileA(BinPath("progman_standin.exe").c_str(), program.c_str(), FALSE);
    DeleteFileA((dir + "progman_standin.log").c_str());
    HANDLE standIn = StartProgram(program + " " + settings);
    std::string log;
    if (standIn && Eventually([&] {
            ReadWholeFile(dir + "progman_standin.log", &log);
            return log.find("READY") != std::string::npos;
        }))
        return standIn;
    StopProgram(&standIn);
    return nullptr;
}

RunResult RunProgram(const std::string& commandLine, DWORD timeoutMs, const char* directory,
                     const char* outputFile) {
    RunResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (outputFile) {
        writeEnd = CreateFileA(outputFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (writeEnd == INVALID_HANDLE_VALUE)
            writeEnd = nullptr;
    } else if (CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    }
    if (!writeEnd) {
        result.exitCode = static_cast<DWORD>(-1);
        return result;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  directory, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        if (readEnd)
            CloseHandle(readEnd);
        result.exitCode = static_cast<DWORD>(-1);
        result.output = "cannot start: " + commandLine;
        return result;
    }
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (readEnd && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            result.output.append(buffer, got);
    });
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(process.hProcess, 259);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    reader.join();
    if (readEnd)
        CloseHandle(readEnd);
    else
        ReadWholeFile(outputFile, &result.output);
    return result;
}

OutFileRun StartWithOutFile(const char* program, const std::string& arguments) {
    static std::atomic<int> runs{0};
    OutFileRun run;
    run.out = WindowsDir() + program + "-" + std::to_string(++runs) + ".out";
    DeleteFileA(run.out.c_str());
    run.process = StartProgram(WindowsDir() + program + " out=" + run.out + " " + arguments,
                               WindowsDir().c_str());
    return run;
}

RunResult FinishOutFileRun(OutFileRun* run, DWORD timeoutMs) {
    RunResult result;
    if (run->process) {
        if (WaitForSingleObject(run->process, timeoutMs) != WAIT_OBJECT_0) {
            result.timedOut = true;
            TerminateProcess(run->process, 259);
            WaitForSingleObject(run->process, 5000);
        }
        GetExitCodeProcess(run->process, &result.exitCode);
        CloseHandle(run->process);
        run->process = nullptr;
    }
    ReadWholeFile(run->out, &result.output);
    DeleteFileA(run->out.c_str());
    result.output = WithoutCarriageReturns(result.output);
    return result;
}

int KillProcessesNamed(const char* imageName) {
    return ForEachProcessNamed(imageName, EndProcess);
}

int EndFolderWindows() {
    DWORD desktop = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &desktop);
    int ended = 0;
    ForEachProcessNamed("explorer.exe", [&](DWORD id) {
        if (id != desktop) {
            EndProcess(id);
            ++ended;
        }
    });
    return ended;
}

int CountProcessesNamed(const char* imageName) {
    return ForEachProcessNamed(imageName, [](DWORD) {});
}

bool WaitForProcessesGone(const char* imageName, DWORD timeoutMs) {
    return Eventually([&] { return CountProcessesNamed(imageName) == 0; }, timeoutMs);
}

HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs) {
    HWND window = nullptr;
    Eventually([&] { return (window = FindWindowA(className, title)) != nullptr; }, timeoutMs);
    return window;
}

HWND WaitForMessageBox(const char* caption, DWORD timeoutMs) {
    HWND box = nullptr;
    Eventually([&] { return (box = FindWindowA("#32770", caption)) && IsWindowVisible(box); },
               timeoutMs);
    return box;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return Eventually([&] { return !IsWindow(window); }, timeoutMs);
}

bool WaitForFile(const std::string& path, DWORD timeoutMs) {
    return Eventually([&] { return FileExists(path); }, timeoutMs);
}

bool SaveScreenshot(HWND window, const std::string& bmpPath) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DWORD stride = ((width * 3 + 3) & ~3u);
    DWORD imageSize = stride * height;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    std::string file(reinterpret_cast<char*>(&header), sizeof header);
    file.append(reinterpret_cast<char*>(&info.bmiHeader), sizeof info.bmiHeader);
    file.append(static_cast<char*>(bits), imageSize);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return WriteTextFile(bmpPath, file);
}
