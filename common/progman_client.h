// Program Manager client: each operation opens its own DDE instance and conversation with the
// "PROGMAN" service (Program Manager, or a shell offering the same command interface), sends one
// transaction and closes everything again. Operations return 1 when the service accepted the
// transaction and 0 otherwise (no service, refused, timed out, or a name that is empty or does
// not fit a command).
#pragma once
#include <cstdint>

// Sends one command text, such as "[ShowGroup(Kelto Applications,8)]", as an execute transaction.
int ProgmanExecute(const char* command);

// Asks for the group's description and reads its item count (third field of the first line).
// Returns 1 when a conversation was established, 0 otherwise (also for an empty group name).
// `count` is set only when the service answered with a description that holds a count; callers
// preset it to -1.
int ProgmanRequestItemCount(const char* group, int32_t* count);

// "[CreateGroup(name,path)]", or "[CreateGroup(name)]" when the path is empty.
int ProgmanCreateGroup(const char* group, const char* path);
// "[ShowGroup(name,showCommand)]".
int ProgmanShowGroup(const char* group, uint16_t showCommand);
// "[AddItem(commandLine,name,iconPath,iconIndex)]", or "[AddItem(commandLine,name)]" when the
// icon path is empty.
int ProgmanAddItem(const char* commandLine, const char* itemName, const char* iconPath,
                   uint16_t iconIndex);
// "[DeleteItem(name)]" for an item of the group last shown or created.
int ProgmanDeleteItem(const char* itemName);
// "[DeleteGroup(name)]" only when the service reports the group empty. A group that still holds
// items, or whose count cannot be had, stays: it may hold other programs' items. Returns 1 when
// the group holds items, the result of the delete when it is empty, 0 when the count is unknown.
int ProgmanDeleteGroupIfEmpty(const char* group);
// "[ExitProgman(1)]" when `save` is non-zero, "[ExitProgman(0)]" otherwise.
int ProgmanExit(int save);
