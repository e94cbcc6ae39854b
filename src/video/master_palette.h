// The console's 64 colour numbers as RGB (0x00RRGGBB), and the four fixed
// colours of overlay pixels (on-screen text and pointers).
#pragma once
#include <array>
#include <cstdint>

namespace korvanta {

using MasterPalette = std::array<uint32_t, 64>;

// The base colour table, colour numbers $00-$3F.
const MasterPalette& BasePalette();

// The base table through a remapping of colour numbers (the VS Unisystem
// palettes); the identity mapping gives the base table itself.
MasterPalette RemappedPalette(const std::array<uint8_t, 64>& mapping);

// Overlay pixel values 0-3: black, white (letters), black (edges), black.
inline constexpr std::array<uint32_t, 4> kOverlayColours = {0x000000, 0xFFFFFF, 0x000000, 0x000000};

}  // namespace korvanta
