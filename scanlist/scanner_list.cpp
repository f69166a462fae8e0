#include "scanner_list.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "model_install.h"
#include "text_path.h"
#include "windows_path.h"

namespace {

constexpr int kPathChars = kToolPathChars;

// A file of the directory; false for no directory (one whose path did not fit is empty: the bare
// name would be a file of the current directory) or a path that does not fit.
bool DirectoryFile(char (&path)[kPathChars], const char* dir, const char* name) {
    return dir[0] && JoinPath(path, sizeof path, dir, name);
}

bool ReadListFile(const char* dir, std::string* text) {
    char path[kPathChars];
    return DirectoryFile(path, dir, kScannerListFile) &&
           ReadFileText(path, kListFileMaxBytes, text);
}

// Calls visit(id, fields) for each data line in file order until it returns true. False when the
// list cannot be read.
template <typename Visit> void ForEachDataLineOf(const std::string& text, Visit visit) {
    TextLineCursor cursor = {text.data(), text.size(), 0};
    char line[kListLineChars + 1];
    ScannerFields fields;
    while (NextTextLine(&cursor, line)) {
        int id = ParseScannerLine(line, &fields);
        if (id >= 0 && visit(id, fields))
            break;
    }
}
template <typename Visit> bool ForEachDataLine(const char* dir, Visit visit) {
    std::string text;
    if (!ReadListFile(dir, &text))
        return false;
    ForEachDataLineOf(text, visit);
    return true;
}

int ChangeInstalledFile(const char* dir, int id, InstalledChange change) {
    if (id < 0 || id > kMaxInstallableId)
        return -1;
    char path[kPathChars];
    if (!DirectoryFile(path, dir, kInstalledSetFile))
        return -1;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    uint8_t image[kInstalledSetMaxBytes];
    DWORD got = 0;
    if (!ReadFile(file, image, sizeof image, &got, nullptr))
        got = 0;
    InstalledSet set;
    LoadInstalledSet(image, got, &set);
    int n = ChangeInstalledSet(&set, id, change);
    DWORD written = 0;
    bool ok = n >= 0 && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
              WriteFile(file, set.bytes, set.length, &written, nullptr) &&
              written == static_cast<DWORD>(set.length) && SetEndOfFile(file);
    CloseHandle(file);
    return ok ? n : -1;
}

} // namespace

bool ReadFileText(const char* path, size_t maxBytes, std::string* text) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text->clear();
    char chunk[4096];
    DWORD got = 0;
    while (text->size() < maxBytes &&
           ReadFile(file, chunk,
                    static_cast<DWORD>(std::min(sizeof chunk, maxBytes - text->size())), &got,
                    nullptr) &&
           got > 0)
        text->append(chunk, got);
    CloseHandle(file);
    return true;
}

bool FindScannerById(const char* dir, int id, ScannerFields* fields) {
    if (id == kNoScannerId || id == kReservedScannerId)
        return false;
    return FindScannerLine(dir, id, fields);
}

bool FindScannerLine(const char* dir, int id, ScannerFields* fields) {
    bool found = false;
    ForEachDataLine(dir, [&](int lineId, const ScannerFields& line) {
        if (lineId != id)
            return false;
        *fields = line;
        found = true;
        return true;
    });
    return found;
}

int FindScannerIdByModel(const char* dir, HWND listBox) {
    LRESULT index = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return -1;
    // A text longer than any model field cannot match one.
    LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length > kTextFieldChars)
        return -1;
    char selected[kTextFieldChars + 1];
    SendMessageA(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(selected));
    int result = -1;
    ForEachDataLine(dir, [&](int id, const ScannerFields& fields) {
        if (strcmp(fields.model, selected) != 0)
            return false;
        result = id;
        return true;
    });
    return result;
}

int ModelNameExists(const char* dir, const char* name) {
    int result = 0;
    ForEachDataLine(dir, [&](int id, const ScannerFields& fields) {
        if (lstrcmpiA(fields.model, name) != 0)
            return false;
        result = id;
        return true;
    });
    return result;
}

int NextFreeScannerId(const char* dir) {
    // One bit per possible user id; the list is read once.
    static_assert(kMaxScannerId - kFirstUserScannerId < 32768, "user id bitmap size");
    uint8_t used[(kMaxScannerId - kFirstUserScannerId + 1 + 7) / 8] = {};
    bool readable = ForEachDataLine(dir, [&](int id, const ScannerFields&) {
        if (id >= kFirstUserScannerId) {
            int bit = id - kFirstUserScannerId;
            used[bit / 8] |= static_cast<uint8_t>(1 << (bit % 8));
        }
        return false;
    });
    if (!readable)
        return 0;
    for (int id = kFirstUserScannerId; id <= kMaxScannerId; ++id) {
        int bit = id - kFirstUserScannerId;
        if (!(used[bit / 8] & (1 << (bit % 8))))
            return id;
    }
    return 0;
}

void FillScannerListBox(const char* listDir, const char* driverDir, HWND listBox, int selectId,
                        bool installedOnly, bool keepDriverName) {
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    char selection[kTextFieldChars + 1] = "";
    std::string text;
    if (!ReadListFile(listDir, &text))
        return;
    InstalledSet installed;
    if (installedOnly)
        ReadInstalledSet(listDir, &installed);

    bool first = true;
    ForEachDataLineOf(text, [&](int id, const ScannerFields& fields) {
        if ((!installedOnly && first) || id == selectId)
            strcpy(selection, fields.model);
        first = false;
        if (installedOnly) {
            ModelChoice choice;
            ChooseModel(id, fields, &choice);
            const char* driver = keepDriverName ? choice.driverSource : choice.driverProgram;
            char driverPath[kPathChars];
            // A line without a driver program names no file to find.
            if (!IsScannerInstalled(&installed, id) || !driver[0] ||
                !JoinPath(driverPath, sizeof driverPath, driverDir, driver) ||
                !FileExists(driverPath))
                return false;
        }
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fields.model));
        return false;
    });
    if (selection[0])
        SendMessageA(listBox, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(selection));
}

int ReadInstalledSet(const char* dir, InstalledSet* set) {
    ClearInstalledSet(set);
    char path[kPathChars];
    if (!DirectoryFile(path, dir, kInstalledSetFile))
        return -1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        uint8_t image[kInstalledSetMaxBytes];
        DWORD got = 0;
        if (!ReadFile(file, image, sizeof image, &got, nullptr))
            got = 0;
        CloseHandle(file);
        LoadInstalledSet(image, got, set);
        return 0;
    }
    file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD written = 0;
    bool ok = WriteFile(file, set->bytes, set->length, &written, nullptr) && written == 1;
    CloseHandle(file);
    return ok ? 0 : -1;
}

int AddInstalledScanner(const char* dir, int id) {
    return ChangeInstalledFile(dir, id, InstalledChange::Add);
}

int RemoveInstalledScanner(const char* dir, int id) {
    return ChangeInstalledFile(dir, id, InstalledChange::Remove);
}

bool DriverSharedByOtherScanner(const char* dir, int id, const char* driverFile) {
    InstalledSet installed;
    if (ReadInstalledSet(dir, &installed) != 0 || InstalledCount(&installed) == 0)
        return false;
    bool shared = false;
    ForEachDataLine(dir, [&](int lineId, const ScannerFields& fields) {
        shared = lineId != id && IsScannerInstalled(&installed, lineId) &&
                 lstrcmpiA(fields.driver, driverFile) == 0;
        return shared;
    });
    return shared;
}

int AppendScannerLine(const char* dir, const char* line) {
    char path[kPathChars];
    if (!DirectoryFile(path, dir, kScannerListFile))
        return kAppendNoFile;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kAppendNoFile;
    DWORD size = GetFileSize(file, nullptr);
    const size_t lineLength = strlen(line);
    if (size == INVALID_FILE_SIZE || size + lineLength + 1 > kListFileMaxBytes) {
        CloseHandle(file);
        return size == INVALID_FILE_SIZE ? kAppendNoFile : kAppendTooLarge;
    }

    // The new line replaces the end-marker byte. A file edited by hand may end without one, or
    // without its last line's CR LF: then the line goes after the content, on a line of its own.
    char tail[2] = {};
    DWORD keep = size;
    DWORD got = 0;
    if (size >= 2 && SetFilePointer(file, size - 2, nullptr, FILE_BEGIN) == size - 2)
        ReadFile(file, tail, 2, &got, nullptr);
    else if (size == 1)
        ReadFile(file, tail + 1, 1, &got, nullptr);
    if (size > 0 && (tail[1] == kListEndMarker || tail[1] == kTextEndOfFile))
        --keep;
    const char lastKept = keep == size ? tail[1] : tail[0];

    const bool newLine = keep > 0 && lastKept != '\n';
    const size_t length = (newLine ? 2 : 0) + lineLength + 1;
    if (keep + length > kListFileMaxBytes) {
        CloseHandle(file);
        return kAppendTooLarge;
    }
    char block[kListFileMaxBytes];
    size_t at = 0;
    if (newLine) {
        block[at++] = '\r';
        block[at++] = '\n';
    }
    memcpy(block + at, line, lineLength);
    block[at + lineLength] = kListEndMarker;
    DWORD written = 0;
    bool ok = SetFilePointer(file, keep, nullptr, FILE_BEGIN) == keep &&
              WriteFile(file, block, static_cast<DWORD>(length), &written, nullptr) &&
              written == length;
    CloseHandle(file);
    return ok ? kAppendDone : kAppendNoFile;
}
