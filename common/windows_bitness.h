// Which Windows a program runs on: 64-bit Windows carries the 64-bit library beside the 32-bit one.
#pragma once

// True on 64-bit Windows: always for a 64-bit program, for a 32-bit one when it runs under WoW64.
bool IsWindows64Bit();
