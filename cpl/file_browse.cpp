#include "file_browse.h"

#include <commdlg.h>

#include <cstring>

#include "applet_ids.h"
#include "applet_state.h"
#include "applet_text.h"

int BrowseForFile(HWND owner, char* path, BrowseFilter filter, int* filterIndex, char* directory,
                  const char* title) {
    // One filter: its name from the block, its pattern and extension fixed.
    const bool pixel = filter == BrowseFilter::PixelDriver;
    const char* pattern = pixel ? "*.PXW" : "*.EXE";
    char filters[128];
    int nameLength = LoadAppletString(pixel ? IDS_PIXEL_DRIVER_FILTER : IDS_PROGRAM_FILTER, filters,
                                      sizeof filters - 16);
    memcpy(filters + nameLength + 1, pattern, strlen(pattern) + 1);
    filters[nameLength + 1 + strlen(pattern) + 1] = '\0';
    constexpr int kFilterCount = 1;

    char file[kPathChars] = "";
    char fileTitle[kPathChars] = "";
    OPENFILENAMEA open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = owner;
    open.lpstrFilter = filters;
    open.nFilterIndex = (*filterIndex == 0 || *filterIndex > kFilterCount) ? 1 : *filterIndex;
    open.lpstrFile = file;
    open.nMaxFile = sizeof file;
    open.lpstrFileTitle = fileTitle;
    open.nMaxFileTitle = sizeof fileTitle;
    open.lpstrInitialDir = directory[0] ? directory : nullptr;
    open.lpstrTitle = title;
    open.lpstrDefExt = pixel ? "PXW" : "EXE";
    open.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&open))
        return 0;

    *filterIndex = static_cast<int>(open.nFilterIndex);
    CopyText(path, kPathChars, file);
    CopyText(directory, kPathChars, file);
    if (char* slash = strrchr(directory, '\\'))
        slash[slash > directory && slash[-1] == ':' ? 1 : 0] = '\0';
    return 1;
}

int BrowseFromDialog(HWND dialog, BrowseFilter filter, char* path) {
    char directory[kPathChars] = "";
    char title[64];
    int filterIndex = 1;
    LoadAppletString(IDS_APPLET_CAPTION, title, sizeof title);
    return BrowseForFile(dialog, path, filter, &filterIndex, directory, title);
}
