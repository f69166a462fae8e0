// Cost of one request -> data exchange through the library's conversation code and its 20 ms
// wait loop, against the scanning server. Run under Wine in a prefix with the server installed
// in C:\windows\KELTO32 (server, driver program and scanner selection are put there from beside
// this program when missing):
//   exchange_latency.exe [exchanges]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app_directory.h"
#include "client_table.h"
#include "config_names.h"
#include "dde_conversation.h"
#include "library_state.h"
#include "server_connect.h"

namespace {

constexpr char kBenchDriver[] = "ORVDR07.EXE";

// Copies a program from beside this one into the application directory unless it is there.
void InstallIfMissing(const char* name) {
    char target[MAX_PATH];
    if (!JoinPath(target, sizeof target, AppDirectory(), name) ||
        GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES)
        return;
    char own[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
    char* slash = std::strrchr(own, '\\');
    if (length == 0 || length >= sizeof own || !slash ||
        static_cast<size_t>(slash + 1 - own) + std::strlen(name) >= sizeof own)
        return;
    std::strcpy(slash + 1, name);
    CreateDirectoryA(AppDirectory(), nullptr);
    CopyFileA(own, target, FALSE);
}

// The server and a scanner selection with a driver program, when the prefix has none.
void PrepareInstallation() {
    InstallIfMissing(kServerProgram);
    char selection[MAX_PATH];
    if (!JoinPath(selection, sizeof selection, AppDirectory(), kSelectionFile) ||
        GetFileAttributesA(selection) != INVALID_FILE_ATTRIBUTES)
        return;
    InstallIfMissing(kBenchDriver);
    WritePrivateProfileStringA(kScannerSection, kCurrentScannerIdKey, "7", selection);
    WritePrivateProfileStringA(kScannerSection, kCurrentDriverKey, kBenchDriver, selection);
}

} // namespace

int main(int argc, char** argv) {
    int exchanges = argc > 1 ? std::atoi(argv[1]) : 200;
    PrepareInstallation();
    if (!OpenOrCreateTable() || !MapTable()) {
        std::printf("no client table\n");
        return 1;
    }
    g_library.instance = GetModuleHandleA(nullptr);
    int16_t status = ConnectToServer(g_library.instance);
    if (status != 0) {
        std::printf("connect failed: %d\n", status);
        return 1;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> costs;
    for (int i = 0; i < exchanges; ++i) {
        QueryPerformanceCounter(&start);
        Reply reply = RequestData(kFormatCapabilities, kItemCapabilities);
        QueryPerformanceCounter(&end);
        if (reply.outcome != Outcome::Data) {
            std::printf("exchange %d failed\n", i);
            return 1;
        }
        GlobalFree(reply.block);
        costs.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    EndConversation(ServerMainWindow());
    std::sort(costs.begin(), costs.end());
    std::printf("request->data exchanges: %d\n", exchanges);
    std::printf("median %.2f ms, min %.2f ms, 90th %.2f ms, max %.2f ms\n", costs[costs.size() / 2],
                costs.front(), costs[costs.size() * 9 / 10], costs.back());
    return 0;
}
