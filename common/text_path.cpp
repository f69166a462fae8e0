#include "text_path.h"

#include <cstring>

bool CopyText(char* out, size_t size, const char* text) {
    size_t length = strlen(text);
    bool whole = length < size;
    if (!whole)
        length = size - 1;
    memcpy(out, text, length);
    out[length] = '\0';
    return whole;
}

bool AppendText(char* out, size_t size, const char* text) {
    size_t used = strlen(out);
    return used < size && CopyText(out + used, size - used, text);
}

bool EndWithBackslash(char* path, size_t size) {
    size_t length = strlen(path);
    if (length > 0 && path[length - 1] == '\\')
        return true;
    if (length + 2 > size)
        return false;
    path[length] = '\\';
    path[length + 1] = '\0';
    return true;
}

bool JoinPath(char* out, size_t size, const char* directory, const char* name) {
    size_t dirLength = strlen(directory);
    bool slash = dirLength > 0 && directory[dirLength - 1] != '\\';
    if (dirLength + (slash ? 1 : 0) + strlen(name) >= size)
        return false;
    memcpy(out, directory, dirLength);
    if (slash)
        out[dirLength++] = '\\';
    strcpy(out + dirLength, name);
    return true;
}
