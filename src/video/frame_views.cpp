#include "video/frame_views.h"

#include <cstdio>

#include "ppu/ppu.h"

namespace korvanta {

uint64_t FrameBufferHash(const Ppu& ppu) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (uint8_t byte : ppu.frameBuffer) {
        hash ^= byte;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::string DumpNameTables(const Ppu& ppu) {
    std::string out;
    out.reserve(4 * (6 + 30 * 96));
    char cell[8];
    for (int table = 0; table < 4; ++table) {
        std::snprintf(cell, sizeof cell, "$%04X\n", 0x2000 + 0x400 * table);
        out += cell;
        const uint8_t* page = ppu.nameTable[table];
        for (int row = 0; row < 30; ++row) {
            for (int column = 0; column < 32; ++column) {
                std::snprintf(cell, sizeof cell, column ? " %02X" : "%02X", page[row * 32 + column]);
                out += cell;
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace korvanta
