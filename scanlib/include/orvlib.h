// ORVLIB32.DLL, the Orvane scanner access library: exported functions, records and status codes
// for applications. Every function is stdcall (WINAPI) and exported under its decorated name.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// Statuses. 0 is success; every failure is negative.
constexpr int16_t ORV_OK = 0;
constexpr int16_t ORV_ERR_NOT_PROVIDED = -1;        // ORV_Setup, always
constexpr int16_t ORV_ERR_SCANNER_151 = -35;        // selected scanner id 151
constexpr int16_t ORV_ERR_SCANNER_154_156 = -36;    // selected scanner id 154, 155 or 156
constexpr int16_t ORV_ERR_SCANNER_152 = -37;        // selected scanner id 152
constexpr int16_t ORV_ERR_SCANNER_153 = -38;        // selected scanner id 153
constexpr int16_t ORV_ERR_SCANNER_IN_USE = -1001;   // another client holds the scanner open
constexpr int16_t ORV_ERR_NO_CONVERSATION = -1002;  // no DDE conversation with the server
constexpr int16_t ORV_ERR_EXCHANGE_FAILED = -1003;  // posting, negative answer or time-out
constexpr int16_t ORV_ERR_NO_SERVER_WINDOW = -1008; // server started, main window missing
constexpr int16_t ORV_ERR_NO_SERVER = -1009;        // server program could not be started
constexpr int16_t ORV_ERR_NO_MEMORY = -1010; // no attribute block, or the client table is full
constexpr int16_t ORV_ERR_UNKNOWN_CLIENT =
    -1011; // unknown id, or the client does not hold the scanner
constexpr int16_t ORV_ERR_WINDOW_REGISTERED = -1012; // the window is already a client
constexpr int16_t ORV_ERR_RESERVED_NOT_ZERO = -1013;
constexpr int16_t ORV_ERR_UNKNOWN_FUNCTION = -1014;
constexpr int16_t ORV_ERR_NULL_REQUEST = -1015;
constexpr int16_t ORV_ERR_NULL_OUTPUT = -1016;
constexpr int16_t ORV_ERR_DECOMP_OFF = -1017;
constexpr int16_t ORV_ERR_GRAPHIC_TRANSFER = -1018;
constexpr int16_t ORV_ERR_NO_DRIVER = -1019; // driver program could not be started (message shown)
constexpr int32_t ORV_ERR_DATA_NO_CONVERSATION = -2001;
constexpr int32_t ORV_ERR_DATA_NO_BLOCK = -2002;
constexpr int32_t ORV_ERR_DATA_EXCHANGE = -2003;
constexpr int32_t ORV_ERR_DATA_UNKNOWN_CLIENT = -2004;
constexpr int32_t ORV_ERR_DATA_CLIENT_GONE = -2005;
constexpr int32_t ORV_ERR_DATA_CANCELLED = -2006;
constexpr int32_t ORV_ERR_DECOMP_EXCHANGE = -18003;

#pragma pack(push, 1)

struct LibraryVersion {
    int16_t Major;
    int16_t Minor;
    int16_t Extra;
};

struct ScanRect {
    int16_t L;
    int16_t T;
    int16_t R;
    int16_t B;
};

// What the scanner can do; the same record for every client of one connect.
struct ScannerCapabilities {
    int32_t ScanId;
    uint16_t ScanMode; // scan mode bits
    uint16_t ScanRes;  // 0x01 100, 0x02 200, 0x04 300, 0x08 400, 0x20 75 dpi
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
};

// How a client wants its pages scanned; applications always pass the full 56 bytes.
struct ScannerAttributes {
    uint16_t ScanMode;
    uint16_t unused1;
    int32_t UseADF;
    uint16_t Brightness;
    uint16_t Resolution; // dpi
    ScanRect ScanArea;
    uint16_t PaperSize;
    uint16_t Contrast;
    uint16_t Orientation;
    uint16_t unused2;
    int32_t Invert;
    uint8_t reserved[24];
};

// ORV_CntlCtr function numbers.
constexpr int16_t ORV_CNTL_SET_DECOMP = 1;
constexpr int16_t ORV_CNTL_DECOMP_DATA = 2;
constexpr int16_t ORV_CNTL_FLUSH_DECOMP = 3;
constexpr int16_t ORV_CNTL_GET_GRAPHIC_DATA = 4;

// ORV_CntlCtr records. Global-memory handles are 32 bits in the shipped library and pointer-sized
// in the 64-bit build.

// Function 1: the decompression mode comes from enable and option.
struct DecompModeRequest {
    int32_t fId;
    int16_t Enable;
    uint16_t unused;
    int32_t Option;
};

// Function 2: five parameters for the server; a Param5 of 1 is sent as 0.
struct DecompDataRequest {
    int32_t fId;
    int16_t Param1;
    int16_t Param2;
    int16_t Param3;
    int16_t Param4;
    int32_t NotSent;
    int16_t Param5;
};

// Function 2 output: the caller owns a delivered block (DDE header included) and frees it.
struct DecompDataOutput {
    HGLOBAL Block; // 0 if none was delivered
    int32_t Delivered;
};

// Function 3.
struct DecompFlushRequest {
    int32_t fId;
};

// Function 4: lines through the page transfer into the caller's buffer.
struct GraphicDataRequest {
    int32_t fId;
    HGLOBAL Buffer;
    int32_t BufSize; // not used: the block's own size bounds the copy
    int16_t LineCount;
};

struct GraphicDataOutput {
    int32_t Bytes;
    int16_t LineCount;
};

#pragma pack(pop)

static_assert(sizeof(LibraryVersion) == 6, "LibraryVersion layout");
static_assert(offsetof(LibraryVersion, Extra) == 4, "LibraryVersion layout");
static_assert(sizeof(ScannerCapabilities) == 88, "ScannerCapabilities layout");
static_assert(offsetof(ScannerCapabilities, ScanMode) == 4, "ScannerCapabilities layout");
static_assert(offsetof(ScannerCapabilities, ScanArea) == 8, "ScannerCapabilities layout");
static_assert(offsetof(ScannerCapabilities, HasADF) == 16, "ScannerCapabilities layout");
static_assert(offsetof(ScannerCapabilities, cr_normal) == 28, "ScannerCapabilities layout");
static_assert(offsetof(ScannerCapabilities, ModelName) == 30, "ScannerCapabilities layout");
static_assert(offsetof(ScannerCapabilities, PageDecomp) == 86, "ScannerCapabilities layout");
static_assert(sizeof(ScannerAttributes) == 56, "ScannerAttributes layout");
static_assert(offsetof(ScannerAttributes, UseADF) == 4, "ScannerAttributes layout");
static_assert(offsetof(ScannerAttributes, ScanArea) == 12, "ScannerAttributes layout");
static_assert(offsetof(ScannerAttributes, PaperSize) == 20, "ScannerAttributes layout");
static_assert(offsetof(ScannerAttributes, Orientation) == 24, "ScannerAttributes layout");
static_assert(offsetof(ScannerAttributes, Invert) == 28, "ScannerAttributes layout");
static_assert(offsetof(ScannerAttributes, reserved) == 32, "ScannerAttributes layout");

static_assert(sizeof(DecompModeRequest) == 12, "DecompModeRequest layout");
static_assert(offsetof(DecompModeRequest, Enable) == 4, "DecompModeRequest layout");
static_assert(offsetof(DecompModeRequest, Option) == 8, "DecompModeRequest layout");
static_assert(sizeof(DecompDataRequest) == 18, "DecompDataRequest layout");
static_assert(offsetof(DecompDataRequest, Param1) == 4, "DecompDataRequest layout");
static_assert(offsetof(DecompDataRequest, Param2) == 6, "DecompDataRequest layout");
static_assert(offsetof(DecompDataRequest, Param3) == 8, "DecompDataRequest layout");
static_assert(offsetof(DecompDataRequest, Param4) == 10, "DecompDataRequest layout");
static_assert(offsetof(DecompDataRequest, NotSent) == 12, "DecompDataRequest layout");
static_assert(offsetof(DecompDataRequest, Param5) == 16, "DecompDataRequest layout");
static_assert(sizeof(DecompFlushRequest) == 4, "DecompFlushRequest layout");
static_assert(sizeof(GraphicDataOutput) == 6, "GraphicDataOutput layout");
static_assert(offsetof(GraphicDataOutput, LineCount) == 4, "GraphicDataOutput layout");
static_assert(offsetof(GraphicDataRequest, Buffer) == 4, "GraphicDataRequest layout");
#if defined(_WIN64)
static_assert(sizeof(DecompDataOutput) == 12, "DecompDataOutput layout");
static_assert(offsetof(DecompDataOutput, Delivered) == 8, "DecompDataOutput layout");
static_assert(sizeof(GraphicDataRequest) == 18, "GraphicDataRequest layout");
static_assert(offsetof(GraphicDataRequest, BufSize) == 12, "GraphicDataRequest layout");
static_assert(offsetof(GraphicDataRequest, LineCount) == 16, "GraphicDataRequest layout");
#else
static_assert(sizeof(DecompDataOutput) == 8, "DecompDataOutput layout");
static_assert(offsetof(DecompDataOutput, Delivered) == 4, "DecompDataOutput layout");
static_assert(sizeof(GraphicDataRequest) == 14, "GraphicDataRequest layout");
static_assert(offsetof(GraphicDataRequest, BufSize) == 8, "GraphicDataRequest layout");
static_assert(offsetof(GraphicDataRequest, LineCount) == 12, "GraphicDataRequest layout");
#endif

extern "C" {
// Registers the application window as a client; writes the new client id. -1010 when 31 clients
// are registered (clients of ended processes and of destroyed windows are given up first).
int16_t WINAPI ORV_Init(HWND window, int32_t* fId);
// Removes the client; it does not release a scanner the client holds open.
void WINAPI ORV_Quit(int32_t fId);
// Fills in the library version (2.0.0).
void WINAPI ORV_Get_Version(LibraryVersion* version);
// The message posted to the client's window when the scanner becomes free (0: not connected);
// calling it subscribes the client.
uint32_t WINAPI ORV_Get_Msg_Id(int32_t fId);
// Not provided: always -1.
int16_t WINAPI ORV_Setup(int32_t fId);
// Makes the client the holder of the scanner; -1001 while another client holds it. A holder whose
// process has ended or whose window is gone is dropped here. After the server went away, a new
// conversation is opened with the server running now (a new application's load starts one).
int16_t WINAPI ORV_Open(int32_t fId);
// Frees the scanner and tells the waiting clients' windows that it is free.
int16_t WINAPI ORV_Close(int32_t fId);
// Starts a page with the client's attributes; progress shows the "Scanning" dialog, pad32 pads
// every line to a whole number of 32 pixels (an 850-pixel colour line takes 2592 bytes).
int16_t WINAPI ORV_Start_Scan(int32_t fId, int32_t progress, int32_t pad32);
// Copies up to line_count lines of the page into the global block; returns the bytes delivered
// or -2001..-2006. Once the page has ended, every call delivers line_count lines of zeros.
int32_t WINAPI ORV_Get_Scan_Data(int32_t fId, HGLOBAL buffer, int32_t bufsize, int16_t line_count);
// Asks the server to stop the current page.
int16_t WINAPI ORV_Cancel(int32_t fId);
// Whether the feeder holds paper.
int16_t WINAPI ORV_Is_Adf_Ready(int32_t fId);
// 1 while a client holds the scanner open (a holder whose process has ended does not count),
// else 0.
int16_t WINAPI ORV_Is_Scanner_Busy(int32_t fId);
// The scanner's capabilities.
void WINAPI ORV_Get_Scanner_Capabilities(int32_t fId, ScannerCapabilities* capabilities);
// The client's attributes; always 0.
int16_t WINAPI ORV_Get_Scanner_Attributes(int32_t fId, ScannerAttributes* attributes);
// Replaces the client's attributes (the contrast is overwritten with the scanner's normal value).
int16_t WINAPI ORV_Set_Scanner_Attributes(int32_t fId, ScannerAttributes* attributes);
// Page decompression control: reserved must be 0; function is one of ORV_CNTL_*; request and
// output are the records of that function.
int16_t WINAPI ORV_CntlCtr(int32_t reserved, int16_t function, void* request, void* output);
}
