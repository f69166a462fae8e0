// What the test programs share: the command line as commands "verb=a,b,c" run in order, the
// commands with which test processes meet (signal, wait, pump), waits that keep the window messages
// flowing so that other processes' broadcasts are answered, the window that hears the library's
// free notification, and the capability line.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "orvlib.h"
#include "probe_output.h"

struct Command {
    std::string verb;
    const char* arg;       // the text after "=", or ""
    std::vector<int> args; // its numbers
};

inline Command ParseCommand(const char* text) {
    const char* equals = std::strchr(text, '=');
    Command command;
    command.verb = equals ? std::string(text, equals - text) : text;
    command.arg = equals ? equals + 1 : "";
    command.args = Numbers(command.arg);
    return command;
}

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

// signal=FILE, wait=FILE (up to waitTries x 20 ms), pump=MS; false when `command` is none of them.
inline bool RunMeetingCommand(const Command& command, int waitTries) {
    if (command.verb == "signal") {
        CloseHandle(CreateFileA(command.arg, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        Say("signal");
    } else if (command.verb == "wait") {
        for (int i = 0; i < waitTries && GetFileAttributesA(command.arg) == INVALID_FILE_ATTRIBUTES;
             ++i)
            Pump(20);
        Say("wait %s",
            GetFileAttributesA(command.arg) == INVALID_FILE_ATTRIBUTES ? "timeout" : "ok");
    } else if (command.verb == "pump") {
        Pump(static_cast<DWORD>(Arg(command.args, 0, 0)));
        Say("pump");
    } else {
        return false;
    }
    return true;
}

// Milliseconds since the stopwatch was made.
struct Stopwatch {
    LARGE_INTEGER start, frequency;
    Stopwatch() {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    long long Ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    }
};

// Result lines go to the standard output, or to the file of a first argument "out=PATH" opened
// with outputFlags; every other argument is a meeting command or one for `run`, which says
// whether it knew it.
inline int RunCommandLine(int argc, char** argv, bool (*run)(const Command&), int waitTries,
                          DWORD outputFlags = 0) {
    KeepOutputPrivate();
    for (int i = TakeOutputArgument(argc, argv, outputFlags); i < argc; ++i) {
        const Command command = ParseCommand(argv[i]);
        if (!RunMeetingCommand(command, waitTries) && !run(command))
            Say("unknown %s", argv[i]);
    }
    CloseHandle(ProbeOutput());
    return 0;
}

// The library's free notification as a window of class `className` hears it: how many came, and
// the parameters of the last.
struct FreeNotes {
    UINT message = 0; // the registered message, once the program asked for it
    int count = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
inline FreeNotes g_freeNotes;

inline LRESULT CALLBACK NotesWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_freeNotes.message && message == g_freeNotes.message) {
        ++g_freeNotes.count;
        g_freeNotes.wParam = wParam;
        g_freeNotes.lParam = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline void RegisterNotesWindowClass(const char* className) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = NotesWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

inline void SayCapabilities(const ScannerCapabilities& caps) {
    Say("caps id=%d mode=%u res=%u area=%d,%d,%d,%d adf=%d br=%u,%u,%u cr=%u,%u,%u decomp=%d "
        "model=%.32s",
        caps.ScanId, caps.ScanMode, caps.ScanRes, caps.ScanArea.L, caps.ScanArea.T, caps.ScanArea.R,
        caps.ScanArea.B, caps.HasADF, caps.br_min_val, caps.br_max_val, caps.br_normal,
        caps.cr_min_val, caps.cr_max_val, caps.cr_normal, caps.PageDecomp, caps.ModelName);
}
