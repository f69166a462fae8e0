// The scan session: scan parameters of the next page, the page being transferred (from the
// scanner source the settings name), the transfer setup and the page-decompression parameters.
#pragma once
#include <cstdint>

struct ScanParameters {
    uint16_t mode;
    int16_t left, top, right, bottom; // right: pixels a line, bottom: lines of the page
    uint16_t useFeeder;
    uint16_t brightness, contrast;
    uint16_t resolution;
};

// Cancelled: the server cancelled the page (item 9); its line requests are answered "cancelled".
enum class PageState { None, Active, Ended, Cancelled };

// Takes the parameters of the next page; false for a mode the scanner lacks or a line too long
// for a line block. Ends any page in progress.
bool AcceptScanParameters(const ScanParameters& parameters);
// Starts a page with the accepted parameters; false without parameters or when the scanner
// cannot start it (the feeder missing or empty, a SANE device unreachable, busy or refusing).
bool StartPage();
void CancelPage();
void EndPage(); // the empty line block went out
PageState CurrentPage();
int PageLineBytes();
int PageLinesLeft();
int PageLinesSent();
// The next `count` lines of the page into `out` (count x PageLineBytes bytes); false when the
// page failed on the way (it is then over: further line requests get a negative ack).
bool ReadPageLines(int count, uint8_t* out);

void SetTransfer(uint16_t decompressionMode, int16_t linesPerTransfer);
int LinesPerTransfer(); // at least 1
uint16_t DecompressionMode();

constexpr int kDecompressionParameters = 5;
void SetDecompressionParameters(const uint16_t* parameters);
const uint16_t* DecompressionParameters();
void FlushDecompression();
