// The library calls of a test application built against orvlib.h and the import library, for its
// one client: one result line each, ending in the milliseconds the call took ("ms=N") when timed.
#pragma once
#include <windows.h>

#include <cstdint>

#include "orvlib.h"
#include "test_app.h"

// init (from `window`)  quit  msgid  notes  open  close  busy  adf  cancel  start=progress,pad32;
// false when `command` is none of them.
inline bool RunClientCall(const Command& command, HWND window, int32_t* id, bool timed) {
    const std::string& verb = command.verb;
    const Stopwatch watch;
    long long result = 0;
    if (verb == "init") {
        const int16_t status = ORV_Init(window, id);
        if (timed)
            Say("init %d %d ms=%lld", status, *id, watch.Ms());
        else
            Say("init %d %d", status, *id);
        return true;
    } else if (verb == "quit") {
        ORV_Quit(*id);
        Say("quit");
        return true;
    } else if (verb == "msgid") {
        g_freeNotes.message = ORV_Get_Msg_Id(*id);
        Say("msgid %s", g_freeNotes.message ? "set" : "0");
        return true;
    } else if (verb == "notes") {
        Say("notes %d %d %d", g_freeNotes.count, static_cast<int>(g_freeNotes.wParam),
            static_cast<int>(g_freeNotes.lParam));
        return true;
    } else if (verb == "open") {
        result = ORV_Open(*id);
    } else if (verb == "close") {
        result = ORV_Close(*id);
    } else if (verb == "busy") {
        result = ORV_Is_Scanner_Busy(*id);
    } else if (verb == "adf") {
        result = ORV_Is_Adf_Ready(*id);
    } else if (verb == "cancel") {
        result = ORV_Cancel(*id);
    } else if (verb == "start") {
        result = ORV_Start_Scan(*id, Arg(command.args, 0, 0), Arg(command.args, 1, 0));
    } else {
        return false;
    }
    if (timed)
        Say("%s %lld ms=%lld", verb.c_str(), result, watch.Ms());
    else
        Say("%s %lld", verb.c_str(), result);
    return true;
}
