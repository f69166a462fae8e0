#include "app_directory.h"

#include "config_names.h"
#include "windows_path.h"

namespace {

char g_appDirectory[kPathBufferSize] = "";

} // namespace

const char* AppDirectory() {
    if (!g_appDirectory[0] && (!WindowsPath(g_appDirectory, sizeof g_appDirectory, kAppDirName) ||
                               !EndWithBackslash(g_appDirectory, sizeof g_appDirectory)))
        g_appDirectory[0] = '\0';
    return g_appDirectory;
}

bool AppFile(char* out, size_t size, const char* name) {
    // Without the directory a bare name would leave the search path to pick the file.
    if (AppDirectory()[0] && JoinPath(out, size, AppDirectory(), name))
        return true;
    out[0] = '\0';
    return false;
}
