// Character pages in the decoded form the renderer draws from: tile t, row r,
// pixel x (x = 0 leftmost) at t*64 + r*8 + x, value 0-3.
#pragma once
#include <cstdint>

namespace korvanta {

// Decodes one 1 KB raw page (64 tiles) into 4096 bytes.
void DecodeChrPage(const uint8_t* raw, uint8_t* decoded);

// Re-decodes the row of the tile that raw byte `offset` (0-1023) belongs to.
void DecodeChrRow(const uint8_t* raw, uint8_t* decoded, uint32_t offset);

}  // namespace korvanta
