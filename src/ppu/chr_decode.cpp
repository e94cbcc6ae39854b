#include "ppu/chr_decode.h"

namespace korvanta {

void DecodeChrRow(const uint8_t* raw, uint8_t* decoded, uint32_t offset) {
    uint32_t tile = (offset >> 4) & 63;
    uint32_t row = offset & 7;
    uint8_t plane0 = raw[tile * 16 + row];
    uint8_t plane1 = raw[tile * 16 + 8 + row];
    uint8_t* out = decoded + tile * 64 + row * 8;
    for (int x = 0; x < 8; ++x) {
        int bit = 7 - x;
        out[x] = static_cast<uint8_t>(((plane0 >> bit) & 1) | (((plane1 >> bit) & 1) << 1));
    }
}

void DecodeChrPage(const uint8_t* raw, uint8_t* decoded) {
    for (uint32_t tile = 0; tile < 64; ++tile)
        for (uint32_t row = 0; row < 8; ++row) DecodeChrRow(raw, decoded, tile * 16 + row);
}

}  // namespace korvanta
