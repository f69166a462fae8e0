#include "progman_client.h"

#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kTimeoutMs = 1000;
constexpr size_t kCommandSize = 256; // 255 characters and the terminating zero
constexpr size_t kCountFieldSize = 24;

HDDEDATA CALLBACK RefuseEverything(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// Opens a DDE instance and a conversation with "PROGMAN" on topic "PROGMAN". Returns false,
// with nothing left open, when either fails.
bool OpenProgman(DWORD* instance, HCONV* conversation) {
    *instance = 0;
    if (DdeInitializeA(instance, RefuseEverything, CBF_FAIL_ALLSVRXACTIONS, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ progman = DdeCreateStringHandleA(*instance, "PROGMAN", CP_WINANSI);
    *conversation = DdeConnect(*instance, progman, progman, nullptr);
    DdeFreeStringHandle(*instance, progman);
    if (*conversation)
        return true;
    DdeUninitialize(*instance);
    return false;
}

void CloseProgman(DWORD instance, HCONV conversation) {
    DdeDisconnect(conversation);
    DdeUninitialize(instance);
}

bool Missing(const char* text) {
    return !text || !*text;
}

// Formats a command; a text that does not fit is refused rather than cut, as a cut command could
// name another group or item.
template <typename... Args> int ExecuteFormatted(const char* format, Args... args) {
    char command[kCommandSize];
    int length = snprintf(command, sizeof command, format, args...);
    if (length < 0 || static_cast<size_t>(length) >= sizeof command)
        return 0;
    return ProgmanExecute(command);
}

// The count is the third comma-separated field of the description's first line. A reply whose
// first line has fewer than two commas, or a negative count, holds no count.
bool ParseItemCount(const char* text, DWORD size, int32_t* count) {
    DWORD at = 0;
    for (int commas = 0; commas < 2; ++at) {
        if (at >= size || text[at] == '\0' || text[at] == '\r' || text[at] == '\n')
            return false;
        if (text[at] == ',')
            ++commas;
    }
    char field[kCountFieldSize] = {};
    for (size_t n = 0; n < kCountFieldSize - 1 && at < size; ++n, ++at) {
        char c = text[at];
        if (c == ',' || c == '\0' || c == '\r' || c == '\n')
            break;
        field[n] = c;
    }
    long value = strtol(field, nullptr, 10);
    if (value < 0)
        return false;
    *count = static_cast<int32_t>(value);
    return true;
}

} // namespace

int ProgmanExecute(const char* command) {
    if (Missing(command))
        return 0;
    DWORD instance;
    HCONV conversation;
    if (!OpenProgman(&instance, &conversation))
        return 0;
    DWORD length = static_cast<DWORD>(strlen(command)) + 1;
    HDDEDATA data = DdeCreateDataHandle(
        instance, reinterpret_cast<LPBYTE>(const_cast<char*>(command)), length, 0, nullptr, 0, 0);
    // The data handle passes to the system with the transaction.
    HDDEDATA result =
        data ? DdeClientTransaction(reinterpret_cast<LPBYTE>(data), static_cast<DWORD>(-1),
                                    conversation, nullptr, 0, XTYP_EXECUTE, kTimeoutMs, nullptr)
             : nullptr;
    CloseProgman(instance, conversation);
    return result ? 1 : 0;
}

int ProgmanRequestItemCount(const char* group, int32_t* count) {
    if (Missing(group))
        return 0;
    DWORD instance;
    HCONV conversation;
    if (!OpenProgman(&instance, &conversation))
        return 0;
    HSZ item = DdeCreateStringHandleA(instance, group, CP_WINANSI);
    HDDEDATA reply = DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                          kTimeoutMs, nullptr);
    DdeFreeStringHandle(instance, item);
    if (reply) {
        DWORD size = 0;
        const BYTE* text = DdeAccessData(reply, &size);
        if (text) {
            ParseItemCount(reinterpret_cast<const char*>(text), size, count);
            DdeUnaccessData(reply);
        }
        DdeFreeDataHandle(reply);
    }
    CloseProgman(instance, conversation);
    return 1;
}

int ProgmanCreateGroup(const char* group, const char* path) {
    if (Missing(group))
        return 0;
    if (Missing(path))
        return ExecuteFormatted("[CreateGroup(%s)]", group);
    return ExecuteFormatted("[CreateGroup(%s,%s)]", group, path);
}

int ProgmanShowGroup(const char* group, uint16_t showCommand) {
    if (Missing(group))
        return 0;
    return ExecuteFormatted("[ShowGroup(%s,%u)]", group, static_cast<unsigned>(showCommand));
}

int ProgmanAddItem(const char* commandLine, const char* itemName, const char* iconPath,
                   uint16_t iconIndex) {
    if (Missing(commandLine) || Missing(itemName))
        return 0;
    if (Missing(iconPath))
        return ExecuteFormatted("[AddItem(%s,%s)]", commandLine, itemName);
    return ExecuteFormatted("[AddItem(%s,%s,%s,%u)]", commandLine, itemName, iconPath,
                            static_cast<unsigned>(iconIndex));
}

int ProgmanDeleteItem(const char* itemName) {
    if (Missing(itemName))
        return 0;
    return ExecuteFormatted("[DeleteItem(%s)]", itemName);
}

int ProgmanDeleteGroupIfEmpty(const char* group) {
    if (Missing(group))
        return 0;
    int32_t count = -1;
    if (!ProgmanRequestItemCount(group, &count) || count < 0)
        return 0; // unknown: keep the group
    if (count != 0)
        return 1;
    return ExecuteFormatted("[DeleteGroup(%s)]", group);
}

int ProgmanExit(int save) {
    return ExecuteFormatted("[ExitProgman(%u)]", save ? 1u : 0u);
}
