// Views of the picture for the command-line runner and regression tests.
#pragma once
#include <cstdint>
#include <string>

namespace korvanta {

class Ppu;

// FNV-1a 64 over the 256 x 240 FrameBuffer bytes.
uint64_t FrameBufferHash(const Ppu& ppu);

// The four name tables as the PPU sees them at $2000, $2400, $2800, $2C00:
// for each a line "$2000" and 30 lines of 32 two-digit hex tile numbers.
std::string DumpNameTables(const Ppu& ppu);

}  // namespace korvanta
