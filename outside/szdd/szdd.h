// Windows LZ ("SZDD") files as the platform's LZ expansion reads them: a 14-byte header and an
// LZSS stream over a 4096-byte window that starts filled with spaces.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Compresses data; lastChar is the character the compressed name lost (0 when none).
std::vector<uint8_t> SzddCompress(const uint8_t* data, size_t size, char lastChar);

// Distribution name of a file: its last character replaced by "_" (FILE.EXE -> FILE.EX_).
std::string CompressedName(const std::string& name);
