// Program Manager stand-in: a DDE server for service and topic "PROGMAN" that records every
// command and request to a log and answers a request for a group's description with the item
// count its settings name. Settings come from progman_standin.ini beside the program, section
// [Service], and from key=value words on the command line, which win:
//   Reply=12            answer descriptions with 12 items; "none" gives no data; "text:..." sends
//                       the text after "text:" as the whole reply
//   Refuse=[ShowGroup   refuse execute commands that start with this text
//   Serve=0             do not register the service (Program Manager absent)
//   Lifetime=60         seconds before the stand-in ends by itself
// The log (progman_standin.log beside the program) gets "DESKTOP <name>" and "READY" once the
// service is registered, then "EXECUTE <command>" and "REQUEST <item>" lines.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kPathSize = 260;
constexpr size_t kTextSize = 512;

char g_logPath[kPathSize];
char g_reply[kTextSize] = "0";
char g_refuse[kTextSize] = "";
bool g_serve = true;
int g_lifetimeSeconds = 60;
DWORD g_instance;
HSZ g_progman;

void LogLine(const char* kind, const char* text) {
    FILE* log = fopen(g_logPath, "ab");
    if (!log)
        return;
    fprintf(log, "%s %s\r\n", kind, text);
    fclose(log);
}

// "<name beside this program>"
void BesideProgram(const char* name, char* path) {
    GetModuleFileNameA(nullptr, path, kPathSize);
    char* slash = strrchr(path, '\\');
    size_t dir = slash ? static_cast<size_t>(slash - path + 1) : 0;
    snprintf(path + dir, kPathSize - dir, "%s", name);
}

void ApplySetting(const char* key, const char* value) {
    if (!_stricmp(key, "Reply"))
        snprintf(g_reply, sizeof g_reply, "%s", value);
    else if (!_stricmp(key, "Refuse"))
        snprintf(g_refuse, sizeof g_refuse, "%s", value);
    else if (!_stricmp(key, "Serve"))
        g_serve = atoi(value) != 0;
    else if (!_stricmp(key, "Lifetime"))
        g_lifetimeSeconds = atoi(value);
}

void ReadSettings(const char* commandLine) {
    char ini[kPathSize];
    BesideProgram("progman_standin.ini", ini);
    const char* keys[] = {"Reply", "Refuse", "Serve", "Lifetime"};
    for (const char* key : keys) {
        char value[kTextSize];
        if (GetPrivateProfileStringA("Service", key, "", value, sizeof value, ini) > 0)
            ApplySetting(key, value);
    }
    char words[kTextSize];
    snprintf(words, sizeof words, "%s", commandLine);
    for (char* word = strtok(words, " "); word; word = strtok(nullptr, " ")) {
        char* equals = strchr(word, '=');
        if (equals) {
            *equals = '\0';
            ApplySetting(word, equals + 1);
        }
    }
}

HDDEDATA Describe(HSZ item, UINT format) {
    char group[kTextSize] = {};
    DdeQueryStringA(g_instance, item, group, sizeof group, CP_WINANSI);
    LogLine("REQUEST", group);
    if (format != CF_TEXT || !_stricmp(g_reply, "none"))
        return nullptr;
    char text[kTextSize * 2];
    if (!strncmp(g_reply, "text:", 5))
        snprintf(text, sizeof text, "%s", g_reply + 5);
    else
        snprintf(text, sizeof text, "\"%s\",C:\\windows\\%.8s.GRP,%s,0,0,100,100,1\r\n", group,
                 group, g_reply);
    return DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(text),
                               static_cast<DWORD>(strlen(text)) + 1, 0, item, CF_TEXT, 0);
}

HDDEDATA Execute(HDDEDATA data) {
    char command[kTextSize] = {};
    DWORD got = DdeGetData(data, reinterpret_cast<LPBYTE>(command), sizeof command - 1, 0);
    command[got < sizeof command ? got : sizeof command - 1] = '\0';
    LogLine("EXECUTE", command);
    if (g_refuse[0] && !strncmp(command, g_refuse, strlen(g_refuse)))
        return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

HDDEDATA CALLBACK Serve(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA data,
                        ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(
            static_cast<INT_PTR>(DdeCmpStringHandles(topic, g_progman) == 0));
    case XTYP_EXECUTE:
        return Execute(data);
    case XTYP_REQUEST:
        return Describe(item, format);
    default:
        return nullptr;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    BesideProgram("progman_standin.log", g_logPath);
    ReadSettings(commandLine);
    if (DdeInitializeA(&g_instance, Serve,
                       APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
        return 1;
    g_progman = DdeCreateStringHandleA(g_instance, "PROGMAN", CP_WINANSI);
    if (g_serve && !DdeNameService(g_instance, g_progman, nullptr, DNS_REGISTER))
        return 2;
    char desktop[kPathSize] = {};
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desktop,
                              sizeof desktop, nullptr);
    LogLine("DESKTOP", desktop);
    LogLine(g_serve ? "READY" : "ABSENT", "");
    SetTimer(nullptr, 0, static_cast<UINT>(g_lifetimeSeconds) * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd)
            break;
        DispatchMessageA(&msg);
    }
    if (g_serve)
        DdeNameService(g_instance, g_progman, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_instance, g_progman);
    DdeUninitialize(g_instance);
    return 0;
}
