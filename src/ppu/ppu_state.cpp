// The picture unit's saved state: tables for tags 5 and 8-12, the power-on
// reset that shares their defaults, and the check of loaded values.
#include "core/console.h"
#include "ppu/ppu.h"

namespace korvanta {

void Ppu::BuildStateTables() {
    Machine& m = console_.machine;
    memoryFields_ = {
        BlockField(nameTableRam.data(), static_cast<uint32_t>(nameTableRam.size())),
        BlockField(attributeCache.data(), static_cast<uint32_t>(attributeCache.size())),
    };
    mirroringFields_ = {Field(kFieldWord, mirroring, 3)};
    registerFields_ = {
        Field(kFieldByte, spritesEnabled),
        Field(kFieldByte, backgroundEnabled),
        Field(kFieldByte, tallSprites),
        Field(kFieldWord, spritePatternBase),
        Field(kFieldWord, backgroundPatternBase),
        Field(kFieldByte, addressToggle),
        Field(kFieldWord, vramAddress),
        // $2000 = 0 means an increment of 1; 0 would stall the $2007 port.
        Field(kFieldWord, vramIncrement, 1),
        Field(kFieldByte, readBuffer),
        Field(kFieldByte, m.nmiEnabled),
        Field(kFieldByte, m.vblankFlag),
        Field(kFieldWord, m.cycles),  // only the low 16 bits are kept
        Field(kFieldByte, ctrl),
        Field(kFieldByte, mask),
    };
    latchFields_ = {
        Field(kFieldWord, scrollToggle),
        Field(kFieldWord, scrollXLatch),
        Field(kFieldWord, scrollYLatch),
        Field(kFieldWord, nameTableLatch),
    };
    paletteFields_ = {BlockField(palette.data(), static_cast<uint32_t>(sizeof palette))};
    spriteFields_ = {Field(kFieldWord, spriteAddress)};
    for (Sprite& sprite : sprites) {
        spriteFields_.push_back(Field(kFieldWord, sprite.posY));
        spriteFields_.push_back(Field(kFieldWord, sprite.posX));
        spriteFields_.push_back(Field(kFieldWord, sprite.tile));
        spriteFields_.push_back(Field(kFieldWord, sprite.flip));
        spriteFields_.push_back(Field(kFieldByte, sprite.behindBackground));
        spriteFields_.push_back(Field(kFieldWord, sprite.paletteBase));
    }
    stateTables_ = {
        {kTagPpuMemory, memoryFields_}, {kTagMirroring, mirroringFields_}, {kTagPpuRegisters, registerFields_},
        {kTagPpuFields, latchFields_},  {kTagPpuBlock, paletteFields_},    {kTagSprites, spriteFields_},
    };
}

void Ppu::Reset() {
    int keep = mirroring;
    nameTableRam.fill(0);
    attributeCache.fill(0);
    for (const TaggedTable& t : stateTables_) ResetTable(t.table);
    SetMirroring(keep);
}

void Ppu::AfterStateLoad() {
    // A snapshot is outside data: every value that selects a window, a page
    // offset or a routine is brought back into the range the registers give.
    auto flag = [](uint8_t& value) { value = value ? 1 : 0; };
    flag(spritesEnabled);
    flag(backgroundEnabled);
    flag(tallSprites);
    flag(addressToggle);
    spritePatternBase = spritePatternBase ? 256 : 0;
    backgroundPatternBase = backgroundPatternBase ? 256 : 0;
    vramAddress &= 0x3FFF;
    vramIncrement = vramIncrement == 32 ? 32 : 1;
    scrollToggle = scrollToggle ? 1 : 0;
    scrollXLatch &= 0xFF;
    scrollYLatch &= 0xFF;
    nameTableLatch &= 3;
    spriteAddress &= 0xFF;
    for (Sprite& sprite : sprites) {
        sprite.posY &= 0xFF;
        sprite.posX &= 0xFF;
        sprite.tile &= 0xFF;
        sprite.flip &= 3;
        sprite.behindBackground = sprite.behindBackground ? 1 : 0;
        sprite.paletteBase &= 12;
    }
    // The render scroll is not saved; the stored latches stand for it.
    renderScrollX = scrollXLatch;
    renderScrollY = scrollYLatch;
    renderNameTable = nameTableLatch;
    mirroring &= 0xFF;
    SetMirroring(mirroring);
    RefreshSpriteZeroProbe();
}

}  // namespace korvanta
