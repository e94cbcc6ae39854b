// Video memory as the $2007 port and the boards change it: character pages
// with their decoded copies, name tables with the attribute cache, the
// palette with its mid-frame sets, and the name-table mirroring.
#include "core/console.h"
#include "ppu/chr_decode.h"
#include "ppu/ppu.h"

namespace korvanta {
namespace {

// The 16 cache bytes of the 4x4-tile block that attribute byte `offset`
// ($3C0-$3FF of a page) covers.
void RefreshAttributeBlock(uint8_t* cache, uint32_t offset, uint8_t value) {
    uint32_t blockColumn = offset & 7;
    uint32_t blockRow = (offset - 0x3C0) >> 3;
    uint8_t* topLeft = cache + blockRow * 128 + blockColumn * 4;
    static constexpr uint32_t kQuadrants[4] = {0, 2, 64, 66};
    for (int q = 0; q < 4; ++q) {
        uint8_t palette = static_cast<uint8_t>(((value >> (2 * q)) & 3) * 4);
        uint8_t* corner = topLeft + kQuadrants[q];
        // The bottom block row runs past row 29 into the attribute rows,
        // which the cache keeps like the rest (rows 0-31).
        corner[0] = corner[1] = corner[32] = corner[33] = palette;
    }
}

}  // namespace

void Ppu::WriteCharacter(uint32_t address, uint8_t value) {
    // Read-only pattern memory drops the write; the address still advances.
    if (!console_.mapper || !console_.mapper->chrWritable) return;
    uint8_t* page = chrWindow[address >> 10];
    uint8_t* decoded = decodedChrWindow[address >> 10];
    uint32_t offset = address & 0x3FF;
    if (!page || page[offset] == value) return;
    page[offset] = value;
    if (decoded) DecodeChrRow(page, decoded, offset);
}

void Ppu::WriteNameTable(uint32_t address, uint8_t value) {
    uint32_t table = (address >> 10) & 3;
    uint32_t offset = address & 0x3FF;
    nameTable[table][offset] = value;
    if (offset >= 0x3C0) RefreshAttributeBlock(attributeCacheWindow[table], offset, value);
}

void Ppu::RebuildAttributeCache(const uint8_t* nameTablePage, uint8_t* cachePage) {
    for (uint32_t offset = 0x3C0; offset < 0x400; ++offset)
        RefreshAttributeBlock(cachePage, offset, nameTablePage[offset]);
}

void Ppu::WritePalette(uint32_t address, uint8_t value) {
    uint32_t cycles = console_.machine.cycles;
    if (ScanlineOf(cycles) > 0) {
        // A write during the picture starts a new set unless one began within
        // the last 904 cycles (a game rewriting several entries at once).
        bool start = paletteSetCount == 0 ||
                     (cycles > paletteSetStart[paletteSetCount] + 904 && paletteSetCount < 3);
        if (start) {
            ++paletteSetCount;
            paletteSetStart[paletteSetCount] = cycles;
            palette[paletteSetCount] = palette[paletteSetCount - 1];
        }
    }
    std::array<uint8_t, 32>& set = palette[paletteSetCount];
    uint32_t entry = address & 0x1F;
    if ((address & 0x0F) == 0) {
        // The backdrop is shared by all four background palettes.
        set[0] = set[4] = set[8] = set[12] = value;
        set[entry] = value;
    } else if ((entry & 3) != 0) {
        set[entry] = value;
    }
}

void Ppu::CollapsePaletteSets() {
    if (paletteSetCount == 0) return;
    palette[0] = palette[paletteSetCount];
    paletteSetStart.fill(0);
    paletteSetCount = 0;
}

void Ppu::SetMirroring(int mode) {
    static constexpr uint8_t kLayouts[5] = {0x00, 0x44, 0x50, 0xE4, 0x55};
    uint32_t layout = mode >= 0 && mode <= 4 ? kLayouts[mode] : static_cast<uint32_t>(mode) & 0xFF;
    for (int table = 0; table < 4; ++table) {
        uint32_t page = (layout >> (2 * table)) & 3;
        nameTable[table] = &nameTableRam[page * 1024];
        attributeCacheWindow[table] = &attributeCache[page * 1024];
        extensionWindow[table] = &extensionRam[page * 1024];
    }
    mirroring = mode;
}

}  // namespace korvanta
