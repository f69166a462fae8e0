// Resource ids of ORVLIB32.DLL, read by orvlib.rc and the library's code: preprocessor lines only,
// so windres can read it.
#pragma once

// "Scanning" dialog of block N: id N*100; its gauge is a static control.
#define ORVLIB_GAUGE_CONTROL 500

// String base N*1000+100 of block N; the launch-failure message is base + 1.
#define ORVLIB_STRING_BASE 100
#define ORVLIB_LAUNCH_FAILED 1

// Call trace texts (language-independent): export lines TRACE_TEXT_BASE + k, value lines by their
// own id.
#define TRACE_TEXT_BASE 300
#define TRACE_INPUT 345
#define TRACE_OUTPUT 346
#define TRACE_CAPS_SCAN_ID 350
#define TRACE_CAPS_SCAN_MODE 351
#define TRACE_CAPS_SCAN_RES 352
#define TRACE_CAPS_AREA_LEFT 353
#define TRACE_CAPS_AREA_TOP 354
#define TRACE_CAPS_AREA_RIGHT 355
#define TRACE_CAPS_AREA_BOTTOM 356
#define TRACE_CAPS_HAS_ADF 357
#define TRACE_CAPS_PAGE_DECOMP 358
#define TRACE_CAPS_BR_MIN 359
#define TRACE_CAPS_BR_MAX 360
#define TRACE_CAPS_BR_NORMAL 361
#define TRACE_CAPS_CR_MIN 362
#define TRACE_CAPS_CR_MAX 363
#define TRACE_CAPS_CR_NORMAL 364
#define TRACE_ATTR_SCAN_MODE 400
#define TRACE_ATTR_USE_ADF 401
#define TRACE_ATTR_BRIGHTNESS 402
#define TRACE_ATTR_RESOLUTION 403
#define TRACE_ATTR_AREA_LEFT 404
#define TRACE_ATTR_AREA_TOP 405
#define TRACE_ATTR_AREA_RIGHT 406
#define TRACE_ATTR_AREA_BOTTOM 407
#define TRACE_ATTR_PAPER_SIZE 408
#define TRACE_ATTR_CONTRAST 409
#define TRACE_ATTR_ORIENTATION 410
#define TRACE_ATTR_INVERT 411
#define TRACE_PROGRESS 450
#define TRACE_PAD32 451
#define TRACE_BUFSIZE 452
#define TRACE_LINE_COUNT 453
