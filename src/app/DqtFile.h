#pragma once
// The quantization-table text file and the standard tables.
#include <cstdint>
#include <string>

namespace qv {

// Reads up to 128 values from the first 4 MiB; returns how many were read,
// or -1 when the file cannot be opened or is no regular file. Any one
// non-alphanumeric character separates values; above 65535 reads as 65535.
int ReadDqtFile(const std::string& path, uint16_t values[128]);
// Same, from text already in memory (the fuzz target's entry).
int ParseDqtText(const char* data, size_t size, uint16_t values[128]);
// Writes 16 lines of eight "%3d," values; returns 128, or -1.
int WriteDqtFile(const std::string& path, const uint16_t values[128]);
// libjpeg's standard table `index` (0 luminance, 1 chrominance) scaled for
// `quality`, entries capped at 255.
void MakeStandardTable(int index, int quality, uint16_t table[64]);
// The 256-entry false-colour table as blue, green, red, 0 quadruples.
void BuildFalseColourPalette(uint8_t quads[256 * 4]);

} // namespace qv
