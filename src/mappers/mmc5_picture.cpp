#include "mappers/mmc5_picture.h"

#include <algorithm>

#include "ppu/ppu.h"

namespace korvanta {
namespace {

enum NameTableSource : uint32_t { kConsolePage0 = 0, kConsolePage1 = 1, kExRam = 2, kFill = 3 };

}  // namespace

void Mmc5Picture::SetMode(uint8_t value) {
    if (value == exRamMode) return;
    ppu_.RenderCatchUp(true);
    bool leavingTileBanks = TileBanks() && (value & 3) != 1;
    exRamMode = value;
    if (!leavingTileBanks) return;
    // Mode 1 wrote its per-tile palettes over the name tables' own; the
    // attribute bytes still hold them.
    for (int page = 0; page < 4; ++page)
        Ppu::RebuildAttributeCache(&ppu_.nameTableRam[page * 1024], &ppu_.attributeCache[page * 1024]);
    Ppu::RebuildAttributeCache(exRam.data(), exRamPalette.data());
}

void Mmc5Picture::MapNameTables(uint8_t value) {
    ppu_.RenderCatchUp(true);
    nameTableMap = value;
    for (int t = 0; t < 4; ++t) {
        switch ((value >> (2 * t)) & 3) {
            case kConsolePage0:
            case kConsolePage1: {
                size_t offset = ((value >> (2 * t)) & 1) * 1024u;
                ppu_.nameTable[t] = &ppu_.nameTableRam[offset];
                ppu_.attributeCacheWindow[t] = &ppu_.attributeCache[offset];
                ppu_.extensionWindow[t] = &ppu_.extensionRam[offset];
                break;
            }
            case kExRam:
                ppu_.nameTable[t] = exRam.data();
                ppu_.attributeCacheWindow[t] = exRamPalette.data();
                ppu_.extensionWindow[t] = exRamExtended.data();
                break;
            default:
                ppu_.nameTable[t] = fillTiles.data();
                ppu_.attributeCacheWindow[t] = fillPalette.data();
                ppu_.extensionWindow[t] = fillExtended.data();
                break;
        }
    }
}

void Mmc5Picture::SetFillTile(uint8_t value) {
    ppu_.RenderCatchUp(true);
    fillTiles.fill(value);
}

void Mmc5Picture::SetFillColour(uint8_t value) {
    ppu_.RenderCatchUp(true);
    fillPalette.fill((value >> 4) & 0x0C);
    fillExtended.fill(value & 0x3F);
}

void Mmc5Picture::WriteExRam(uint16_t address, uint8_t value) {
    uint8_t mode = exRamMode & 3;
    if (mode == 1 || mode == 2) exRam[address & 0x3FF] = value;
}

uint8_t Mmc5Picture::ReadExRam(uint16_t address) const {
    uint8_t mode = exRamMode & 3;
    uint8_t byte = exRam[address & 0x3FF];
    return mode >= 2 ? byte : static_cast<uint8_t>((byte & 3) | 0x5C);
}

void Mmc5Picture::Refresh() {
    switch (exRamMode & 3) {
        case 1: {
            Page palette, extended;
            for (size_t i = 0; i < exRam.size(); ++i) {
                palette[i] = (exRam[i] >> 4) & 0x0C;
                extended[i] = exRam[i] & 0x3F;
            }
            for (int t = 0; t < 4; ++t) {
                if (uint8_t* cache = ppu_.attributeCacheWindow[t]) std::copy(palette.begin(), palette.end(), cache);
                if (uint8_t* extension = ppu_.extensionWindow[t])
                    std::copy(extended.begin(), extended.end(), extension);
            }
            break;
        }
        case 2: Ppu::RebuildAttributeCache(exRam.data(), exRamPalette.data()); break;
        default: break;
    }
}

}  // namespace korvanta
