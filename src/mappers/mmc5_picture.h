// The MMC5's side of the picture: its 1 KB extension RAM (ExRAM) and the
// fill-mode table, either of which can stand in any of the four name-table
// windows, and the ExRAM modes: 0 name table only, 1 a palette and a 4 KB
// CHR bank per background tile, 2 CPU RAM, 3 CPU RAM read-only.
#pragma once
#include <array>
#include <cstdint>

namespace korvanta {

class Ppu;

class Mmc5Picture {
public:
    using Page = std::array<uint8_t, 1024>;

    explicit Mmc5Picture(Ppu& ppu) : ppu_(ppu) {}

    // ExRAM mode 1: each tile's palette and 4 KB bank come from ExRAM.
    bool TileBanks() const { return (exRamMode & 3) == 1; }

    // $5104. Leaving mode 1 gives the name tables their own palettes back.
    void SetMode(uint8_t value);
    // $5105: two bits per window: console page 0 or 1, ExRAM, fill table.
    void MapNameTables(uint8_t value);
    // $5106 and $5107.
    void SetFillTile(uint8_t value);
    void SetFillColour(uint8_t value);
    // $5C00-$5FFF as the CPU sees them in the current mode.
    void WriteExRam(uint16_t address, uint8_t value);
    uint8_t ReadExRam(uint16_t address) const;
    // Before lines are drawn and at the end of a frame: the per-tile values
    // of mode 1 into every window, or ExRAM's attribute bytes expanded in
    // mode 2.
    void Refresh();
    // The windows again from the saved mapping.
    void AfterStateLoad() { MapNameTables(nameTableMap); }

    // Saved.
    uint8_t nameTableMap = 0;
    uint8_t exRamMode = 0;
    Page exRam{};
    Page exRamPalette{};   // ExRAM as a name table: its attribute cache
    Page exRamExtended{};  // and its extension page
    Page fillTiles{};
    Page fillPalette{};
    Page fillExtended{};

private:
    Ppu& ppu_;
};

}  // namespace korvanta
