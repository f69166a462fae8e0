// Runs an application's command line and watches the scanning server while it runs: the wall time
// of the application and the server's largest private bytes (polled every 10 ms: the peak commit
// the system keeps for it, which is the private bytes; Wine leaves PrivateUsage at 0 for another
// process). `./run bench` uses it to show that the server's memory stays flat however
// large the page from a SANE device is.
//   server_memory.exe "COMMAND LINE"
// Prints "wall_ms=N exit=N server_private_peak_kb=N".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "bench_timing.h"
#include "process_probe.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: server_memory \"COMMAND LINE\"\n");
        return 2;
    }
    // The application's lines (orvscan's transfer time) come out with ours.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = GetStdHandle(STD_OUTPUT_HANDLE);
    PROCESS_INFORMATION application{};
    std::fflush(stdout);
    const double start = NowMs();
    if (!CreateProcessA(nullptr, argv[1], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &application)) {
        std::printf("cannot start %s\n", argv[1]);
        return 1;
    }
    SIZE_T privatePeak = 0;
    HANDLE server = nullptr;
    // The server may end with the application: its figures are kept from the last poll.
    while (WaitForSingleObject(application.hProcess, 10) == WAIT_TIMEOUT) {
        if (!server) {
            DWORD id = ProcessIdNamed("ORVMAIN.EXE");
            server =
                id ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id) : nullptr;
        }
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        if (server &&
            GetProcessMemoryInfo(server, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters)) {
            privatePeak =
                std::max({privatePeak, counters.PrivateUsage, counters.PeakPagefileUsage});
        }
    }
    const double wall = NowMs() - start;
    DWORD exitCode = 0;
    GetExitCodeProcess(application.hProcess, &exitCode);
    std::printf("wall_ms=%.0f exit=%d server_private_peak_kb=%u\n", wall,
                static_cast<int>(exitCode), static_cast<unsigned>(privatePeak / 1024));
    if (server)
        CloseHandle(server);
    CloseHandle(application.hThread);
    CloseHandle(application.hProcess);
    return 0;
}
