#include "video/colour_table.h"

#include <algorithm>

#include "ppu/pixel_ops.h"
#include "ppu/ppu.h"

namespace korvanta {

ColourTable BuildColourTable(const Ppu& ppu, const MasterPalette& master) {
    ColourTable table;
    int sets = std::clamp(ppu.paletteSetCount, 0, 3) + 1;
    int n = 0;
    for (int k = 0; k < sets; ++k)
        for (int i = 0; i < 32; ++i) table.colours[n++] = master[ppu.palette[k][i] & 0x3F];
    for (uint32_t colour : kOverlayColours) table.colours[n++] = colour;
    table.size = n;
    return table;
}

void MarkPaletteSets(Ppu& ppu) {
    int sets = std::clamp(ppu.paletteSetCount, 0, 3);
    for (int k = 1; k <= sets; ++k) {
        int first = std::clamp(ScanlineOf(ppu.paletteSetStart[k]), 0, kScreenHeight);
        size_t start = static_cast<size_t>(first) * kScreenWidth;
        MaskPixels(ppu.frameBuffer.data() + start, ppu.frameBuffer.size() - start, 31, static_cast<uint8_t>(32 * k));
    }
}

void ConvertShownPicture(const uint8_t* frameBuffer, const ColourTable& table, uint32_t* out) {
    const uint8_t* source = frameBuffer + kShownFirstLine * kScreenWidth;
    for (int i = 0; i < kScreenWidth * kShownHeight; ++i) out[i] = table.ColourOf(source[i]);
}

}  // namespace korvanta
