// orvszdd: compresses files for the distribution medium.
//   orvszdd INPUT OUTPUT     writes OUTPUT
//   orvszdd INPUT DIR/       writes DIR/ + INPUT's name with its last character replaced by "_"
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "szdd.h"

namespace {

bool ReadFile(const char* path, std::vector<uint8_t>* data) {
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        data->insert(data->end(), chunk, chunk + got);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return !path.empty() &&
           (path.back() == '/' || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: orvszdd INPUT OUTPUT|DIR/\n");
        return 2;
    }
    std::string input = argv[1];
    std::string name = input.substr(input.find_last_of('/') + 1);
    if (name.empty()) {
        fprintf(stderr, "orvszdd: %s names no file\n", argv[1]);
        return 2;
    }
    std::string output = argv[2];
    if (IsDirectory(output))
        output += (output.back() == '/' ? "" : "/") + CompressedName(name);

    std::vector<uint8_t> data;
    if (!ReadFile(input.c_str(), &data) || data.size() > 0xFFFFFFFFu) {
        fprintf(stderr, "orvszdd: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> packed = SzddCompress(data.data(), data.size(), name.back());
    FILE* file = fopen(output.c_str(), "wb");
    if (!file || fwrite(packed.data(), 1, packed.size(), file) != packed.size() || fclose(file)) {
        fprintf(stderr, "orvszdd: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
