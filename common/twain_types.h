// The records and codes of the published TWAIN interface used to talk to the source manager
// (DSM_Entry) and that a data source answers (DS_Entry). TWAIN packs its records on 2 bytes.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr size_t kTwStr32 = 34; // TW_STR32: 32 characters, terminator and a pad byte

#pragma pack(push, 2)
struct TW_VERSION {
    uint16_t MajorNum;
    uint16_t MinorNum;
    uint16_t Language;
    uint16_t Country;
    char Info[kTwStr32];
};
struct TW_IDENTITY {
    uint32_t Id;
    TW_VERSION Version;
    uint16_t ProtocolMajor;
    uint16_t ProtocolMinor;
    uint32_t SupportedGroups;
    char Manufacturer[kTwStr32];
    char ProductFamily[kTwStr32];
    char ProductName[kTwStr32];
};
struct TW_STATUS {
    uint16_t ConditionCode;
    uint16_t Reserved;
};
#pragma pack(pop)
static_assert(offsetof(TW_IDENTITY, Version) == 4, "TW_IDENTITY layout");
static_assert(offsetof(TW_IDENTITY, ProtocolMajor) == 46, "TW_IDENTITY layout");
static_assert(offsetof(TW_IDENTITY, SupportedGroups) == 50, "TW_IDENTITY layout");
static_assert(offsetof(TW_IDENTITY, ProductName) == 122, "TW_IDENTITY layout");
static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY layout");
static_assert(sizeof(TW_STATUS) == 4, "TW_STATUS layout");

constexpr uint32_t DG_CONTROL = 0x0001;
constexpr uint32_t DG_IMAGE = 0x0002;
constexpr uint16_t DAT_IDENTITY = 0x0003;
constexpr uint16_t DAT_PARENT = 0x0004;
constexpr uint16_t DAT_STATUS = 0x0008;
constexpr uint16_t MSG_GET = 0x0001;
constexpr uint16_t MSG_GETDEFAULT = 0x0003;
constexpr uint16_t MSG_OPENDSM = 0x0301;
constexpr uint16_t MSG_CLOSEDSM = 0x0302;
constexpr uint16_t MSG_OPENDS = 0x0401;
constexpr uint16_t MSG_CLOSEDS = 0x0402;
constexpr uint16_t MSG_USERSELECT = 0x0403;

constexpr uint16_t TWRC_SUCCESS = 0;
constexpr uint16_t TWRC_FAILURE = 1;
constexpr uint16_t TWRC_CANCEL = 3;
constexpr uint16_t TWCC_SUCCESS = 0;
constexpr uint16_t TWCC_LOWMEMORY = 2;
constexpr uint16_t TWCC_BADPROTOCOL = 9;

constexpr uint16_t TWLG_USA = 13;
constexpr uint16_t TWCY_USA = 1;

using DSMENTRYPROC = uint16_t(WINAPI*)(TW_IDENTITY* origin, TW_IDENTITY* dest, uint32_t dg,
                                       uint16_t dat, uint16_t msg, void* data);
