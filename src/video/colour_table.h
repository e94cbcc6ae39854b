// Palette indices to colours for one presented frame. A FrameBuffer byte
// reads 32 x palette set + palette index after the palette-set marking, and
// the overlay colours follow the last set.
#pragma once
#include <array>
#include <cstdint>

#include "video/master_palette.h"

namespace korvanta {

class Ppu;

inline constexpr int kShownFirstLine = 8;  // the top and bottom 8 lines are never shown
inline constexpr int kShownHeight = 224;

struct ColourTable {
    std::array<uint32_t, 4 * 32 + 4> colours{};
    int size = 0;  // 32 x (palette sets) + 4

    // The colour of a marked FrameBuffer value; a value beyond the table
    // (a frame marked for more sets than this table has) falls back to set 0.
    uint32_t ColourOf(uint8_t value) const { return value < size ? colours[value] : colours[value & 31]; }
};

// 32 colours per palette set 0 ... paletteSetCount, then the overlay colours.
ColourTable BuildColourTable(const Ppu& ppu, const MasterPalette& master);

// Present step 1: every FrameBuffer line from the line where palette set k
// took effect on reads 32 x k + index (the latest set wins). Marking twice
// gives the same bytes.
void MarkPaletteSets(Ppu& ppu);

// The shown 256 x 224 picture (FrameBuffer lines 8-231) as 0x00RRGGBB pixels;
// `out` holds 256 x 224 values.
void ConvertShownPicture(const uint8_t* frameBuffer, const ColourTable& table, uint32_t* out);

}  // namespace korvanta
