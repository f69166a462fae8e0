// The byte formats of the scanner list ORVANE.LST and the installed set ORVANE.ISS, free of any
// platform call so they can be built and fuzzed natively.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr char kScannerListFile[] = "ORVANE.LST";
constexpr char kInstalledSetFile[] = "ORVANE.ISS";

// A list line is read as at most 127 characters; longer lines arrive in pieces.
constexpr int kListLineChars = 127;
// Text mode ends the file at a Ctrl-Z byte.
constexpr char kTextEndOfFile = 0x1A;
// The byte after the last line's CR LF; the shipped list ends with it and every append writes it.
constexpr char kListEndMarker = 0x00;
// The list file is handled in one 32 KB buffer: an append never lets it grow beyond that, and a
// reader takes no more of a larger (damaged) file.
constexpr int kListFileMaxBytes = 32768;

constexpr int kNoScannerId = 0;
constexpr int kReservedScannerId = 99;
constexpr int kFirstUserScannerId = 100;
constexpr int kMaxScannerId = 32767;

// Field buffers: the id holds 11 characters, the other fields 39; longer fields are cut.
constexpr int kIdFieldChars = 11;
constexpr int kTextFieldChars = 39;
constexpr int kScannerFieldCount = 4;

struct ScannerFields {
    char id[kIdFieldChars + 1];
    char model[kTextFieldChars + 1];
    char driver[kTextFieldChars + 1]; // distribution name of the driver program, "ORVDR07.EX_"
    char code[kTextFieldChars + 1];   // kind letter, for "I" followed by the pixel-driver base name
};

// Splits up to fieldCount fields off text: runs of spaces, tabs and bars separate them, a field
// ends at a separator, CR, LF or the end of the text. Missing fields come back empty.
void SplitScannerFields(const char* text, int fieldCount, ScannerFields* fields);

// Scanner id of a data line (first non-blank character a digit), its fields filled and every "_"
// of the model name turned into a space; -1 for any other line or an id above kMaxScannerId. The
// fields are empty for any line that is no data line.
int ParseScannerLine(const char* line, ScannerFields* fields);
// A model name as the list file reads it back once written: every character that the written
// line turns into "_" or that reads as a separator ("_", space, tab, "|") becomes a space.
void ReadBackModelName(char* name);

// Reads a whole list file image line by line the way a text-mode read of 127-character pieces does:
// CR LF reads as LF, a Ctrl-Z byte ends the text, a 0x00 byte ends the line's text.
struct TextLineCursor {
    const char* data;
    size_t size;
    size_t pos;
};
// Copies the next piece into line (kListLineChars + 1 bytes); false at the end of the text.
bool NextTextLine(TextLineCursor* cursor, char line[kListLineChars + 1]);
// Installed set: byte 0 is "0" + n, then n bytes "0" + id. Only ids 0..207 fit in a byte, and the
// count byte itself holds at most 207 entries.
constexpr int kInstalledSetMaxBytes = 256;
constexpr int kMaxInstallableId = 0xFF - '0';
constexpr int kMaxInstalledEntries = 0xFF - '0';

struct InstalledSet {
    uint8_t bytes[kInstalledSetMaxBytes];
    int32_t length; // bytes held, 1..256
};

// The empty set: the single byte "0".
void ClearInstalledSet(InstalledSet* set);
// Takes a file image (at most 256 bytes are used); an image without a count byte is the empty set.
void LoadInstalledSet(const uint8_t* data, size_t size, InstalledSet* set);
// Number of entries, trusting the count byte only as far as the bytes held reach.
int InstalledCount(const InstalledSet* set);
bool IsScannerInstalled(const InstalledSet* set, int id);
// Id of entry index (1..InstalledCount) of the set; kNoScannerId for a byte that holds no
// installable id (below "1" or beyond id 207), so a damaged file never names a list line.
int InstalledIdAt(const InstalledSet* set, int index);

enum class InstalledChange { Add, Remove };
// Adds an id not yet present after the last entry, or moves the last entry into the place of a
// removed one; returns the new count, or -1 for an id that cannot be stored (nothing changes).
int ChangeInstalledSet(InstalledSet* set, int id, InstalledChange change);
