// A small PNG encoder for screenshots: 8-bit RGB, no filtering, the image
// data in stored (uncompressed) deflate blocks.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvanta {

// The PNG file of a width x height picture of 0x00RRGGBB pixels, row by row
// from the top. Empty when the sizes do not match the pixels.
std::vector<uint8_t> EncodePng(int width, int height, std::span<const uint32_t> pixels);

// Writes EncodePng's bytes to `path`; false when the file cannot be written.
bool WritePngFile(const std::string& path, int width, int height, std::span<const uint32_t> pixels);

// The standard CRC-32 (PNG chunks) and Adler-32 (zlib stream) checksums.
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);
uint32_t Adler32(std::span<const uint8_t> bytes);

}  // namespace korvanta
