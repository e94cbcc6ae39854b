#include "input/optical_gun.h"

#include "core/console.h"
#include "input/input_system.h"
#include "ppu/ppu_timing.h"
#include "video/display.h"

namespace korvanta {
namespace {

// The picture's first 8 lines are not shown, so client rows start at line 8.
constexpr int32_t kHiddenTopLines = 8;

}  // namespace

bool OpticalGun::PointerEvent(int code, const PointerInfo& event) {
    if (code != 1) return false;
    if (event.x < 0) {
        x_ = y_ = -1;
    } else {
        PicturePlacement placement = input_.display ? input_.display->placement : PicturePlacement{};
        placement.ClientToPicture(event.x, event.y, x_, y_);
        y_ += kHiddenTopLines;
    }
    trigger_ = event.button;
    return true;
}

uint8_t OpticalGun::Read4017() {
    if (ScanlineOf(input_.console.machine.cycles) >= y_) Sense();
    return answer_;
}

void OpticalGun::Sense() {
    answer_ = trigger_ ? kGunNoLight : kGunNoLight | kGunTriggerUp;
    // Aimed away from the screen, the gun sees the room's light.
    if (x_ < 0 || y_ < 0) {
        answer_ &= ~kGunNoLight;
        return;
    }
    input_.console.ppu.RenderCatchUp(true);
    if (SeesWhite()) answer_ &= ~kGunNoLight;
}

bool OpticalGun::SeesWhite() const {
    const Ppu& ppu = input_.console.ppu;
    const MasterPalette& colours = input_.display ? input_.display->masterPalette : BasePalette();
    const auto& palette = ppu.palette[ppu.paletteSetCount & 3];
    auto white = [&](int index) { return (colours[palette[index & 31] & 63] & 0xFFFFFF) == 0xFFFFFF; };
    // A decoded pattern pixel of tile `number` (0-511), or none when the
    // character window is not mapped.
    auto pixel = [&](int number, int column, int row) -> int {
        const uint8_t* page = ppu.decodedChrWindow[(number >> 6) & 7];
        if (!page) return -1;
        return page[(number & 63) * 64 + row * 8 + column] & 3;
    };

    if (ppu.spritesEnabled) {
        int height = ppu.tallSprites ? 16 : 8;
        for (const Sprite& sprite : ppu.sprites) {
            int dx = x_ - (sprite.posX & 0xFF);
            int dy = y_ - (sprite.posY & 0xFF);
            if (dx < 0 || dx >= 8 || dy < 0 || dy >= height) continue;
            int tile = sprite.tile & 0xFF;
            // 8x16 sprites: an odd tile number selects the second pattern
            // table; the pattern's rows run on into the following tile.
            int number = ppu.tallSprites ? ((tile & 1) ? tile + 255 : tile) : ppu.spritePatternBase + tile;
            int value = pixel(number, dx, dy);
            if (value >= 0 && white(value | (sprite.paletteBase & 12) | 16)) return true;
        }
    }
    if (ppu.backgroundEnabled) {
        int table = ppu.renderNameTable & 3;
        int px = ppu.renderScrollX + x_;
        int py = ppu.renderScrollY + y_;
        // Past an edge the picture continues in the neighbouring name table.
        // The loops also keep a position beyond the picture (a pointer at
        // the window's very edge, a negative scroll) inside the table.
        for (; px >= 256; px -= 256) table ^= 1;
        for (; py >= 240; py -= 240) table ^= 2;
        for (; py < 0; py += 240) table ^= 2;
        const uint8_t* names = ppu.nameTable[table];
        const uint8_t* attributes = ppu.attributeCacheWindow[table];
        if (names && attributes) {
            int offset = (py / 8) * 32 + px / 8;
            int value = pixel(ppu.backgroundPatternBase + names[offset], px % 8, py % 8);
            if (value >= 0 && white(value | attributes[offset])) return true;
        }
    }
    return false;
}

}  // namespace korvanta
