/* The Orvane scanner access library: exported functions, records and status codes for
   applications written in C (C99 and later) or C++. A 32-bit program links ORVLIB32.LIB and runs
   with ORVLIB32.DLL, whose functions are stdcall (WINAPI) and exported under their decorated
   names; a 64-bit program links ORVLIB64.LIB and runs with ORVLIB64.DLL (plain names, the same
   ordinals). Both lie in the Windows directory and share one scanner. docs/library.md is the
   guide to using it. */
#ifndef ORVLIB_H
#define ORVLIB_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

/* Layout checks: static_assert in C++11, _Static_assert in C11, a negative array size before. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define ORV_LAYOUT(condition, name) static_assert(condition, #name " layout")
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define ORV_LAYOUT(condition, name) _Static_assert(condition, #name " layout")
#else
#define ORV_LAYOUT_JOIN2(a, b) a##b
#define ORV_LAYOUT_JOIN(a, b) ORV_LAYOUT_JOIN2(a, b)
#define ORV_LAYOUT(condition, name)                                                                \
    typedef char ORV_LAYOUT_JOIN(orv_layout_check_, __LINE__)[(condition) ? 1 : -1]
#endif

/* Statuses. 0 is success; every failure is negative. The 16-bit exports return the codes from
   -1 to -1019 and -18003, ORV_Get_Scan_Data the codes from -2001 to -2006. */
#define ORV_OK 0
#define ORV_ERR_NOT_PROVIDED (-1)         /* ORV_Setup, always */
#define ORV_ERR_SCANNER_151 (-35)         /* selected scanner id 151 */
#define ORV_ERR_SCANNER_154_156 (-36)     /* selected scanner id 154, 155 or 156 */
#define ORV_ERR_SCANNER_152 (-37)         /* selected scanner id 152 */
#define ORV_ERR_SCANNER_153 (-38)         /* selected scanner id 153 */
#define ORV_ERR_SCANNER_IN_USE (-1001)    /* another client holds the scanner open */
#define ORV_ERR_NO_CONVERSATION (-1002)   /* no DDE conversation with the server */
#define ORV_ERR_EXCHANGE_FAILED (-1003)   /* posting, negative answer or time-out */
#define ORV_ERR_NO_SERVER_WINDOW (-1008)  /* server started, main window missing */
#define ORV_ERR_NO_SERVER (-1009)         /* server program could not be started */
#define ORV_ERR_NO_MEMORY (-1010)         /* no attribute block, or the client table is full */
#define ORV_ERR_UNKNOWN_CLIENT (-1011)    /* unknown id, or the client does not hold the scanner */
#define ORV_ERR_WINDOW_REGISTERED (-1012) /* the window is already a client */
#define ORV_ERR_RESERVED_NOT_ZERO (-1013) /* ORV_CntlCtr: first argument not 0 */
#define ORV_ERR_UNKNOWN_FUNCTION (-1014)  /* ORV_CntlCtr: no such function number */
#define ORV_ERR_NULL_REQUEST (-1015)      /* ORV_CntlCtr: request pointer null */
#define ORV_ERR_NULL_OUTPUT (-1016)       /* ORV_CntlCtr: output pointer null */
#define ORV_ERR_DECOMP_OFF (-1017)        /* ORV_CntlCtr: page decompression not switched on */
#define ORV_ERR_GRAPHIC_TRANSFER (-1018)  /* ORV_CntlCtr: graphic data transfer failed */
#define ORV_ERR_NO_DRIVER (-1019)         /* driver program could not be started (message shown) */
#define ORV_ERR_DATA_NO_CONVERSATION (-2001)
#define ORV_ERR_DATA_NO_BLOCK (-2002) /* a data message without a block */
#define ORV_ERR_DATA_EXCHANGE (-2003) /* allocation, posting, negative answer or time-out */
#define ORV_ERR_DATA_UNKNOWN_CLIENT (-2004)
#define ORV_ERR_DATA_CLIENT_GONE (-2005) /* the client's window is gone; the client was dropped */
#define ORV_ERR_DATA_CANCELLED (-2006)
#define ORV_ERR_DECOMP_EXCHANGE (-18003) /* ORV_CntlCtr: a decompression exchange failed */

/* ORV_CntlCtr function numbers. */
#define ORV_CNTL_SET_DECOMP 1
#define ORV_CNTL_DECOMP_DATA 2
#define ORV_CNTL_FLUSH_DECOMP 3
#define ORV_CNTL_GET_GRAPHIC_DATA 4

/* Scan modes: bits of ScannerCapabilities.ScanMode (what the scanner offers) and the value of
   ScannerAttributes.ScanMode (what a page asks for). A page's format is the first of these that its
   mode has: 4-bit gray, 8-bit gray, colour, the second 4-bit gray bit; otherwise one bit a pixel.
 */
#define ORV_MODE_BW 0x01        /* 1 bit a pixel, black and white */
#define ORV_MODE_HALFTONE 0x02  /* 1 bit a pixel, dithered */
#define ORV_MODE_GRAY4 0x04     /* 4-bit gray */
#define ORV_MODE_GRAY8 0x08     /* 8-bit gray */
#define ORV_MODE_COLOR 0x10     /* 24-bit colour: red, green, blue bytes */
#define ORV_MODE_GRAY4_ALT 0x80 /* 4-bit gray again, read like ORV_MODE_GRAY4 */

/* Bits per sample and samples per pixel of a page scanned in a mode. */
#define ORV_MODE_BITS_PER_SAMPLE(mode)                                                             \
    (((mode)&ORV_MODE_GRAY4)                        ? 4                                            \
     : ((mode) & (ORV_MODE_GRAY8 | ORV_MODE_COLOR)) ? 8                                            \
     : ((mode)&ORV_MODE_GRAY4_ALT)                  ? 4                                            \
                                                    : 1)
#define ORV_MODE_SAMPLES_PER_PIXEL(mode)                                                           \
    ((((mode) & (ORV_MODE_GRAY4 | ORV_MODE_GRAY8)) == 0 && ((mode)&ORV_MODE_COLOR)) ? 3 : 1)

/* The bytes of one line of a page scanned with pad32 (ORV_Start_Scan) in a mode, width pixels
   wide: the width rounded up to 32 pixels, its bits rounded up to whole 32-bit words. */
#define ORV_PADDED_LINE_BYTES(mode, width)                                                         \
    ((((unsigned long)(((width) + 31) & ~31) * ORV_MODE_SAMPLES_PER_PIXEL(mode) *                  \
           ORV_MODE_BITS_PER_SAMPLE(mode) +                                                        \
       31) /                                                                                       \
      32) *                                                                                        \
     4)

/* Resolutions: bits of ScannerCapabilities.ScanRes. */
#define ORV_RES_100 0x01
#define ORV_RES_200 0x02
#define ORV_RES_300 0x04
#define ORV_RES_400 0x08
#define ORV_RES_75 0x20

#pragma pack(push, 1)

typedef struct LibraryVersion {
    int16_t Major;
    int16_t Minor;
    int16_t Extra;
} LibraryVersion;

typedef struct ScanRect {
    int16_t L;
    int16_t T;
    int16_t R;
    int16_t B;
} ScanRect;

/* What the scanner can do; the same record for every client of one connect. */
typedef struct ScannerCapabilities {
    int32_t ScanId;
    uint16_t ScanMode; /* the modes offered: ORV_MODE_* bits */
    uint16_t ScanRes;  /* the resolutions offered: ORV_RES_* bits */
    ScanRect ScanArea;
    int16_t HasADF;
    uint16_t br_min_val;
    uint16_t br_max_val;
    uint16_t br_normal;
    uint16_t cr_min_val;
    uint16_t cr_max_val;
    uint16_t cr_normal;
    char ModelName[32];
    uint8_t unused1[24];
    int8_t PageDecomp;
    uint8_t unused2;
} ScannerCapabilities;

/* How a client wants its pages scanned; applications always pass the full 56 bytes. */
typedef struct ScannerAttributes {
    uint16_t ScanMode; /* one ORV_MODE_* value */
    uint16_t unused1;
    int32_t UseADF;
    uint16_t Brightness;
    uint16_t Resolution; /* dpi */
    ScanRect ScanArea;
    uint16_t PaperSize;
    uint16_t Contrast;
    uint16_t Orientation;
    uint16_t unused2;
    int32_t Invert;
    uint8_t reserved[24];
} ScannerAttributes;

/* ORV_CntlCtr records. Global-memory handles are 32 bits in the shipped library and pointer-sized
   in the 64-bit build. */

/* Function 1: the decompression mode comes from enable and option. */
typedef struct DecompModeRequest {
    int32_t fId;
    int16_t Enable;
    uint16_t unused;
    int32_t Option;
} DecompModeRequest;

/* Function 2: five parameters for the server; a Param5 of 1 is sent as 0. */
typedef struct DecompDataRequest {
    int32_t fId;
    int16_t Param1;
    int16_t Param2;
    int16_t Param3;
    int16_t Param4;
    int32_t NotSent;
    int16_t Param5;
} DecompDataRequest;

/* Function 2 output: the caller owns a delivered block (DDE header included) and frees it. */
typedef struct DecompDataOutput {
    HGLOBAL Block; /* 0 if none was delivered */
    int32_t Delivered;
} DecompDataOutput;

/* Function 3. */
typedef struct DecompFlushRequest {
    int32_t fId;
} DecompFlushRequest;

/* Function 4: lines through the page transfer into the caller's buffer. */
typedef struct GraphicDataRequest {
    int32_t fId;
    HGLOBAL Buffer;
    int32_t BufSize; /* not used: the block's own size bounds the copy */
    int16_t LineCount;
} GraphicDataRequest;

typedef struct GraphicDataOutput {
    int32_t Bytes;
    int16_t LineCount;
} GraphicDataOutput;

#pragma pack(pop)

ORV_LAYOUT(sizeof(LibraryVersion) == 6, LibraryVersion);
ORV_LAYOUT(offsetof(LibraryVersion, Extra) == 4, LibraryVersion);
ORV_LAYOUT(sizeof(ScannerCapabilities) == 88, ScannerCapabilities);
ORV_LAYOUT(offsetof(ScannerCapabilities, ScanMode) == 4, ScannerCapabilities);
ORV_LAYOUT(offsetof(ScannerCapabilities, ScanArea) == 8, ScannerCapabilities);
ORV_LAYOUT(offsetof(ScannerCapabilities, HasADF) == 16, ScannerCapabilities);
ORV_LAYOUT(offsetof(ScannerCapabilities, cr_normal) == 28, ScannerCapabilities);
ORV_LAYOUT(offsetof(ScannerCapabilities, ModelName) == 30, ScannerCapabilities);
ORV_LAYOUT(offsetof(ScannerCapabilities, PageDecomp) == 86, ScannerCapabilities);
ORV_LAYOUT(sizeof(ScannerAttributes) == 56, ScannerAttributes);
ORV_LAYOUT(offsetof(ScannerAttributes, UseADF) == 4, ScannerAttributes);
ORV_LAYOUT(offsetof(ScannerAttributes, ScanArea) == 12, ScannerAttributes);
ORV_LAYOUT(offsetof(ScannerAttributes, PaperSize) == 20, ScannerAttributes);
ORV_LAYOUT(offsetof(ScannerAttributes, Orientation) == 24, ScannerAttributes);
ORV_LAYOUT(offsetof(ScannerAttributes, Invert) == 28, ScannerAttributes);
ORV_LAYOUT(offsetof(ScannerAttributes, reserved) == 32, ScannerAttributes);

ORV_LAYOUT(sizeof(DecompModeRequest) == 12, DecompModeRequest);
ORV_LAYOUT(offsetof(DecompModeRequest, Enable) == 4, DecompModeRequest);
ORV_LAYOUT(offsetof(DecompModeRequest, Option) == 8, DecompModeRequest);
ORV_LAYOUT(sizeof(DecompDataRequest) == 18, DecompDataRequest);
ORV_LAYOUT(offsetof(DecompDataRequest, Param1) == 4, DecompDataRequest);
ORV_LAYOUT(offsetof(DecompDataRequest, Param2) == 6, DecompDataRequest);
ORV_LAYOUT(offsetof(DecompDataRequest, Param3) == 8, DecompDataRequest);
ORV_LAYOUT(offsetof(DecompDataRequest, Param4) == 10, DecompDataRequest);
ORV_LAYOUT(offsetof(DecompDataRequest, NotSent) == 12, DecompDataRequest);
ORV_LAYOUT(offsetof(DecompDataRequest, Param5) == 16, DecompDataRequest);
ORV_LAYOUT(sizeof(DecompFlushRequest) == 4, DecompFlushRequest);
ORV_LAYOUT(sizeof(GraphicDataOutput) == 6, GraphicDataOutput);
ORV_LAYOUT(offsetof(GraphicDataOutput, LineCount) == 4, GraphicDataOutput);
ORV_LAYOUT(offsetof(GraphicDataRequest, Buffer) == 4, GraphicDataRequest);
#if defined(_WIN64)
ORV_LAYOUT(sizeof(DecompDataOutput) == 12, DecompDataOutput);
ORV_LAYOUT(offsetof(DecompDataOutput, Delivered) == 8, DecompDataOutput);
ORV_LAYOUT(sizeof(GraphicDataRequest) == 18, GraphicDataRequest);
ORV_LAYOUT(offsetof(GraphicDataRequest, BufSize) == 12, GraphicDataRequest);
ORV_LAYOUT(offsetof(GraphicDataRequest, LineCount) == 16, GraphicDataRequest);
#else
ORV_LAYOUT(sizeof(DecompDataOutput) == 8, DecompDataOutput);
ORV_LAYOUT(offsetof(DecompDataOutput, Delivered) == 4, DecompDataOutput);
ORV_LAYOUT(sizeof(GraphicDataRequest) == 14, GraphicDataRequest);
ORV_LAYOUT(offsetof(GraphicDataRequest, BufSize) == 8, GraphicDataRequest);
ORV_LAYOUT(offsetof(GraphicDataRequest, LineCount) == 12, GraphicDataRequest);
#endif

/* The file name of the library a program of this build loads. */
#ifdef _WIN64
#define ORV_LIBRARY_FILE "ORVLIB64.DLL"
#else
#define ORV_LIBRARY_FILE "ORVLIB32.DLL"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Registers the application window as a client; writes the new client id. -1010 when 31 clients
   are registered (clients of ended processes and of destroyed windows are given up first). */
int16_t WINAPI ORV_Init(HWND window, int32_t* fId);
/* Removes the client; it does not release a scanner the client holds open (ORV_Close does,
   before or after the quit). */
void WINAPI ORV_Quit(int32_t fId);
/* Fills in the library version (2.0.0). */
void WINAPI ORV_Get_Version(LibraryVersion* version);
/* The message posted to the client's window when the scanner becomes free (0: not connected);
   calling it subscribes the client. */
uint32_t WINAPI ORV_Get_Msg_Id(int32_t fId);
/* Not provided: always -1. */
int16_t WINAPI ORV_Setup(int32_t fId);
/* Makes the client the holder of the scanner; -1001 while another client holds it. A holder whose
   process has ended or whose window is gone is dropped here. After the server went away, a new
   conversation is opened with the server running now (a new application's load starts one). */
int16_t WINAPI ORV_Open(int32_t fId);
/* Frees the scanner held by this id (also after ORV_Quit) and tells the waiting clients' windows
   that it is free. */
int16_t WINAPI ORV_Close(int32_t fId);
/* Starts a page with the client's attributes; progress shows the "Scanning" dialog, pad32 pads
   every line to a whole number of 32 pixels (an 850-pixel colour line takes 2592 bytes). */
int16_t WINAPI ORV_Start_Scan(int32_t fId, int32_t progress, int32_t pad32);
/* Copies up to line_count lines of the page into the global block; returns the bytes delivered
   or -2001..-2006. Once the page has ended, every call delivers line_count lines of zeros. */
int32_t WINAPI ORV_Get_Scan_Data(int32_t fId, HGLOBAL buffer, int32_t bufsize, int16_t line_count);
/* Asks the server to stop the current page; the next ORV_Get_Scan_Data returns -2006. */
int16_t WINAPI ORV_Cancel(int32_t fId);
/* Whether the feeder holds paper. */
int16_t WINAPI ORV_Is_Adf_Ready(int32_t fId);
/* 1 while a client holds the scanner open (a holder whose process has ended does not count),
   else 0. */
int16_t WINAPI ORV_Is_Scanner_Busy(int32_t fId);
/* The scanner's capabilities. */
void WINAPI ORV_Get_Scanner_Capabilities(int32_t fId, ScannerCapabilities* capabilities);
/* The client's attributes; always 0. */
int16_t WINAPI ORV_Get_Scanner_Attributes(int32_t fId, ScannerAttributes* attributes);
/* Replaces the client's attributes (the contrast is overwritten with the scanner's normal value).
 */
int16_t WINAPI ORV_Set_Scanner_Attributes(int32_t fId, ScannerAttributes* attributes);
/* Page decompression control: reserved must be 0; function is one of ORV_CNTL_*; request and
   output are the records of that function. */
int16_t WINAPI ORV_CntlCtr(int32_t reserved, int16_t function, void* request, void* output);

#ifdef __cplusplus
}
#endif

#endif /* ORVLIB_H */
