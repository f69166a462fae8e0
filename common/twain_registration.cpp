#include "twain_registration.h"

#include <cstring>

#include "config_names.h"
#include "text_path.h"
#include "windows_path.h"

namespace {

constexpr char kManagerFile[] = "TWAIN_32.DLL";
constexpr int kWindowsDirChars = 159;

TW_IDENTITY g_application;
HWND g_parent;
HMODULE g_manager;
DSMENTRYPROC g_entry;
// The installation program's choice, kept until the installation has succeeded.
TW_IDENTITY g_remembered;

// Windows directory (at most 159 characters) + name; false when it does not fit.
bool TwainWindowsPath(char (&out)[kToolPathChars], const char* name) {
    char dir[kWindowsDirChars + 2]; // room for the backslash a directory lacks
    return WindowsDirectory(dir, sizeof dir) && JoinPath(out, sizeof out, dir, name);
}

void WriteChoice(const char* productName) {
    char name[kToolPathChars];
    char path[kToolPathChars];
    if (!JoinPath(name, sizeof name, kAppDirName, kTwainChoiceFile) ||
        !TwainWindowsPath(path, name))
        return;
    WritePrivateProfileStringA(kTwainSection, kTwainSetupKey, "Y", path);
    WritePrivateProfileStringA(kTwainSection, kTwainDsKey, productName, path);
}

uint16_t CallManager(uint16_t dat, uint16_t msg, void* data) {
    return g_entry(&g_application, nullptr, DG_CONTROL, dat, msg, data);
}

void UnloadManager() {
    if (g_manager)
        FreeLibrary(g_manager);
    g_manager = nullptr;
    g_entry = nullptr;
}

// The default source, then the user's choice, into source. 0 when chosen.
int ChooseSource(TW_IDENTITY* source) {
    memset(source, 0, sizeof *source);
    uint16_t result = CallManager(DAT_IDENTITY, MSG_GETDEFAULT, source);
    if (result == TWRC_FAILURE) {
        // No default source still lets the user pick one; only low memory ends the step.
        TW_STATUS status = {};
        uint16_t statusResult = CallManager(DAT_STATUS, MSG_GET, &status);
        if (statusResult != TWRC_SUCCESS)
            return statusResult;
        if (status.ConditionCode == TWCC_LOWMEMORY)
            return 1;
    } else if (result != TWRC_SUCCESS) {
        return result;
    }
    result = CallManager(DAT_IDENTITY, MSG_USERSELECT, source);
    if (result != TWRC_SUCCESS)
        return result;
    source->ProductName[kTwStr32 - 1] = '\0'; // at most 33 characters, whatever the source sent
    return 0;
}

} // namespace

void InitTwainIdentity(HWND parent) {
    memset(&g_application, 0, sizeof g_application);
    g_application.Id = 0; // the manager assigns it
    g_application.Version.MajorNum = 1;
    g_application.Version.MinorNum = 0;
    g_application.Version.Language = TWLG_USA;
    g_application.Version.Country = TWCY_USA;
    CopyText(g_application.Version.Info, kTwStr32, "Kelto OrvLib 1.0x");
    g_application.ProtocolMajor = 1;
    g_application.ProtocolMinor = 5;
    g_application.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(g_application.Manufacturer, kTwStr32, "KELTO Working Group");
    CopyText(g_application.ProductFamily, kTwStr32, "KELTO");
    CopyText(g_application.ProductName, kTwStr32, "KELTO");
    g_parent = parent;
}

int OpenTwainManager() {
    char path[kToolPathChars];
    if (!TwainWindowsPath(path, kManagerFile) ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return 1;
    g_manager = LoadLibraryA(path);
    if (reinterpret_cast<uintptr_t>(g_manager) < 32) {
        g_manager = nullptr;
        return 1;
    }
    g_entry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(g_manager, MAKEINTRESOURCEA(1))));
    if (!g_entry) {
        UnloadManager();
        return 1;
    }
    int result = CallManager(DAT_PARENT, MSG_OPENDSM, &g_parent);
    // A manager that refused to open is not kept loaded.
    if (result != TWRC_SUCCESS)
        UnloadManager();
    return result;
}

int CloseTwainManager() {
    if (!g_entry)
        return TWRC_FAILURE;
    int result = CallManager(DAT_PARENT, MSG_CLOSEDSM, &g_parent);
    if (result == TWRC_SUCCESS)
        UnloadManager();
    return result;
}

int SelectTwainSource(HWND parent, TwainRecording recording) {
    InitTwainIdentity(parent);
    if (OpenTwainManager() != 0)
        return -1;
    TW_IDENTITY local;
    TW_IDENTITY* source = recording == TwainRecording::AtOnce ? &local : &g_remembered;
    int result = ChooseSource(source);
    CloseTwainManager();
    if (result != 0) {
        if (recording == TwainRecording::Remembered)
            g_remembered.ProductName[0] = '\0';
        return -1;
    }
    if (recording == TwainRecording::AtOnce)
        WriteChoice(source->ProductName);
    return 0;
}

int RecordTwainSource() {
    if (g_remembered.ProductName[0])
        WriteChoice(g_remembered.ProductName);
    return 0;
}
