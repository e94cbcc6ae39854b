// Sprites over the drawn background lines. Bit 7 of a FrameBuffer byte marks
// a pixel already claimed by a sprite during the batch, so lower-numbered
// sprites stay in front; there is no eight-per-line limit.
#include <algorithm>

#include "core/console.h"
#include "ppu/ppu.h"

namespace korvanta {
namespace {

// Rows [firstRow, endRow) of a sprite `height` rows tall; `dest` is the
// FrameBuffer byte of row firstRow, column posX.
using SpriteRoutine = void (*)(uint8_t* dest, const uint8_t* pattern, int firstRow, int endRow, int height,
                               int width, uint8_t base);

template <bool Behind, bool FlipH, bool FlipV>
void DrawSpriteRows(uint8_t* dest, const uint8_t* pattern, int firstRow, int endRow, int height, int width,
                    uint8_t base) {
    for (int row = firstRow; row < endRow; ++row, dest += kScreenWidth) {
        const uint8_t* source = pattern + (FlipV ? height - 1 - row : row) * 8;
        for (int j = 0; j < width; ++j) {
            uint8_t value = source[j];
            if (!value) continue;
            // Flipped rows run right to left from the right edge of the drawn
            // width, so a clipped flipped sprite shows columns 0..width-1.
            uint8_t& out = dest[FlipH ? width - 1 - j : j];
            if (Behind) {
                // Shows only through transparent background, but claims the
                // pixel either way and so hides later sprites there.
                if ((out & 3) == 0)
                    out = static_cast<uint8_t>((value + base) | 0x80);
                else
                    out |= 0x80;
            } else if (!(out & 0x80)) {
                out = static_cast<uint8_t>((value + base) | 0x80);
            }
        }
    }
}

// Indexed by (8 if tall) + (4 if behind) + flip. Tall sprites share the
// routines: their two tiles are 16 consecutive pattern rows, and a vertical
// flip starts from the last row of whatever height it is given.
constexpr SpriteRoutine kSpriteRoutines[16] = {
    DrawSpriteRows<false, false, false>, DrawSpriteRows<false, true, false>,
    DrawSpriteRows<false, false, true>,  DrawSpriteRows<false, true, true>,
    DrawSpriteRows<true, false, false>,  DrawSpriteRows<true, true, false>,
    DrawSpriteRows<true, false, true>,   DrawSpriteRows<true, true, true>,
    DrawSpriteRows<false, false, false>, DrawSpriteRows<false, true, false>,
    DrawSpriteRows<false, false, true>,  DrawSpriteRows<false, true, true>,
    DrawSpriteRows<true, false, false>,  DrawSpriteRows<true, true, false>,
    DrawSpriteRows<true, false, true>,   DrawSpriteRows<true, true, true>,
};

}  // namespace

void Ppu::DrawSprites(int firstLine, int endLine) {
    int height = tallSprites ? 16 : 8;
    for (int i = 0; i < 64; ++i) {
        const Sprite& sprite = sprites[i];
        int posY = sprite.posY & 0xFF;
        int posX = sprite.posX & 0xFF;
        if (posY + height < firstLine || posY >= endLine) continue;
        int firstRow = std::max(0, firstLine - posY);
        int endRow = std::min(height, endLine - posY);
        if (firstRow >= endRow) continue;
        const uint8_t* pattern = SpritePattern(i);
        int width = posX > 248 ? kScreenWidth - posX : 8;
        int index = (tallSprites ? 8 : 0) + (sprite.behindBackground ? 4 : 0) + (sprite.flip & 3);
        uint8_t* dest = &frameBuffer[static_cast<size_t>(posY + firstRow) * kScreenWidth + posX];
        kSpriteRoutines[index](dest, pattern, firstRow, endRow, height, width,
                               static_cast<uint8_t>(16 + (sprite.paletteBase & 12)));
    }
}

const uint8_t* Ppu::SpritePattern(int index) {
    int tile = sprites[index].tile & 0xFF;
    // 8x16 sprites pick their pattern table with bit 0 of the tile number.
    int number = tallSprites ? (tile & 0xFE) + 256 * (tile & 1) : tile;
    Mapper* mapper = console_.mapper.get();
    if (mapper && mapper->renderMode) {
        uint32_t extension = spriteExtension[index];
        if (mapper->renderMode == 1) {
            if (const uint8_t* own = mapper->TileOverride(1, number, static_cast<int>(extension))) return own;
        } else if (mapper->renderMode == 2 && extension != lastSpriteExtension_) {
            lastSpriteExtension_ = extension;
            mapper->Message(11, static_cast<intptr_t>(extension));
            SelectBanks();
        }
    }
    return spriteBanks_[number >> 6] + (number & 63) * 64;
}

}  // namespace korvanta
