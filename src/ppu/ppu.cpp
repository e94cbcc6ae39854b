#include "ppu/ppu.h"

#include "core/console.h"

namespace korvanta {

Ppu::Ppu(Console& console) : console_(console) {
    BuildStateTables();
    SetMirroring(mirroring);
}

uint8_t Ppu::ReadStatus() {
    Machine& m = console_.machine;
    uint8_t value = ctrl & 0x3F;
    if (m.vblankFlag) {
        value |= 0x80;
        m.vblankFlag = 0;
        RecomputeOverflowLine();
    }
    int line = ScanlineOf(m.cycles);
    if (SpriteZeroHit(line)) value |= 0x40;
    if (line >= overflowLine) value |= 0x20;
    scrollToggle = 0;
    addressToggle = 0;
    return value;
}

uint8_t Ppu::ReadData() {
    uint8_t value = readBuffer;
    uint32_t address = vramAddress & 0x3FFF;
    if (address < 0x2000) {
        const uint8_t* page = chrWindow[address >> 10];
        readBuffer = page ? page[address & 0x3FF] : 0;
    } else if (address < 0x3F00) {
        readBuffer = nameTable[(address >> 10) & 3][address & 0x3FF];
    } else {
        // Palette reads go through the buffer like the rest.
        readBuffer = palette[0][address & 0x1F];
    }
    vramAddress = (address + static_cast<uint32_t>(vramIncrement)) & 0x3FFF;
    return value;
}

void Ppu::WriteControl(uint8_t value) {
    if ((ctrl ^ value) & 0x3B) RenderCatchUp(true);
    console_.machine.nmiEnabled = value >> 7;
    ctrl = value;
    tallSprites = (value >> 5) & 1;
    spritePatternBase = value & 0x08 ? 256 : 0;
    backgroundPatternBase = value & 0x10 ? 256 : 0;
    vramIncrement = value & 0x04 ? 32 : 1;
    nameTableLatch = value & 3;
    // During the picture only the horizontal table bit reaches the lines
    // still to come; the vertical one waits for the next frame.
    if (PictureStarted(console_.machine.cycles))
        renderNameTable = (renderNameTable & 2) | (value & 1);
    else
        renderNameTable = value & 3;
}

void Ppu::WriteMask(uint8_t value) {
    if ((mask ^ value) & 0x18) RenderCatchUp(true);
    mask = value;
    spritesEnabled = (value >> 4) & 1;
    backgroundEnabled = (value >> 3) & 1;
}

void Ppu::WriteSpriteAddress(uint8_t value) { spriteAddress = value; }

void Ppu::WriteSpriteData(uint8_t value) {
    int address = spriteAddress & 0xFF;
    Sprite& sprite = sprites[address >> 2];
    switch (address & 3) {
        case 0: sprite.posY = value; break;
        case 1: {
            bool changed = sprite.tile != value;
            sprite.tile = value;
            if (changed && address < 4) RefreshSpriteZeroProbe();
            break;
        }
        case 2:
            sprite.flip = (value >> 6) & 3;
            sprite.behindBackground = (value >> 5) & 1;
            sprite.paletteBase = (value & 3) * 4;
            break;
        case 3: sprite.posX = value; break;
    }
    spriteAddress = (address + 1) & 0xFF;
}

void Ppu::WriteScroll(uint8_t value) {
    bool started = PictureStarted(console_.machine.cycles);
    if (!scrollToggle) {
        if (started) RenderCatchUp(true);
        scrollXLatch = renderScrollX = value;
        scrollToggle = 1;
    } else {
        // A vertical scroll change during the picture waits for the next frame.
        scrollYLatch = value;
        if (!started) renderScrollY = value;
        scrollToggle = 0;
    }
}

void Ppu::WriteAddress(uint8_t value) {
    if (!addressToggle) {
        vramAddress = (static_cast<uint32_t>(value) << 8) & 0x3FFF;
        addressToggle = 1;
        return;
    }
    vramAddress |= value;
    addressToggle = 0;
    if (console_.mapper) console_.mapper->Message(12, static_cast<intptr_t>(vramAddress));
    int line = ScanlineOf(console_.machine.cycles);
    if (line > 0) RenderCatchUp(true);
    // The address doubles as the scroll the remaining lines are drawn with.
    uint32_t address = vramAddress;
    renderNameTable = (address >> 10) & 3;
    renderScrollY = static_cast<int32_t>(((address >> 5) & 31) * 8 + ((address >> 12) & 3));
    renderScrollX = static_cast<int32_t>((address & 31) * 8);
    if (line > 0) {
        renderScrollY -= line;
        if (renderScrollY < -16) {
            renderScrollY += 240;
            renderNameTable ^= 2;
        }
    }
}

void Ppu::WriteData(uint8_t value) {
    uint32_t address = vramAddress & 0x3FFF;
    if (address < 0x2000)
        WriteCharacter(address, value);
    else if (address < 0x3F00)
        WriteNameTable(address, value);
    else
        WritePalette(address, value);
    vramAddress = (address + static_cast<uint32_t>(vramIncrement)) & 0x3FFF;
}

void Ppu::RecomputeOverflowLine() {
    // Eight consecutive sprites on one line stand in for the hardware's
    // per-line sprite count.
    int run = 0;
    int previous = -1;
    for (const Sprite& sprite : sprites) {
        run = sprite.posY == previous ? run + 1 : 1;
        previous = sprite.posY;
        if (run >= 8) {
            overflowLine = sprite.posY;
            return;
        }
    }
    overflowLine = 240;
}

bool Ppu::SpriteZeroHit(int line) const {
    // The hit is predicted from sprite 0's first opaque row alone: the
    // background, rendering enables, X and clipping play no part.
    const Sprite& sprite = sprites[0];
    int rows = sprite0FirstOpaqueRow;
    if (sprite.flip & 2) rows = (tallSprites ? 16 : 8) - sprite0FirstOpaqueRow;
    return line >= sprite.posY + rows + 1;
}

void Ppu::RefreshSpriteZeroProbe() {
    const Sprite& sprite = sprites[0];
    int tile = sprite.tile & 0xFF;
    int number = tallSprites ? (tile & 0xFE) + 256 * (tile & 1) : spritePatternBase + tile;
    int tiles = tallSprites ? 2 : 1;
    int rows = 0;
    for (int t = 0; t < tiles; ++t, ++number) {
        const uint8_t* page = chrWindow[(number >> 6) & 7];
        const uint8_t* pattern = page ? page + (number & 63) * 16 : nullptr;
        for (int r = 0; r < 8; ++r) {
            if (pattern && (pattern[r] | pattern[r + 8])) {
                sprite0FirstOpaqueRow = rows;
                return;
            }
            ++rows;
        }
    }
    sprite0FirstOpaqueRow = rows;
}

}  // namespace korvanta
