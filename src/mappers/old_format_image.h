// What an image of the old KOR format says about its board besides the chunk
// data: the fields of its PRG and CHR chunks (tags 2 and 3). The old
// snapshot format kept some board registers here, so a board restoring such
// a snapshot reads them (MMC1). Zeroed for every other kind of file.
#pragma once
#include <array>
#include <cstdint>

namespace korvanta {

struct OldFormatImage {
    // Tag 2.
    uint16_t prgUnits = 0;         // 32 KB units
    uint16_t prgCurrent = 0;       // the current PRG bank value
    uint16_t prgSecond = 0;
    uint8_t prgByte = 0;
    std::array<uint8_t, 256> prgTable{};
    // Tag 3.
    uint16_t chrUnits = 0;         // 8 KB units
    uint16_t chrCurrentLow = 0;    // the current CHR value for PPU $0000
    uint16_t chrCurrentHigh = 0;   // the current CHR value for PPU $1000
    uint16_t chrLowAddress = 0;    // where the game writes the low CHR bank
    uint16_t chrHighAddress = 0;   // where it writes the high CHR bank
    std::array<uint8_t, 2> chrBytes{};
    std::array<uint8_t, 256> chrTableLow{};   // 4 KB bank at $0000 per value written
    std::array<uint8_t, 256> chrTableHigh{};  // 4 KB bank at $1000 per value written
};

}  // namespace korvanta
