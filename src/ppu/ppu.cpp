#include "ppu/ppu.h"

#include "core/console.h"

namespace korvanta {

uint8_t Ppu::ReadStatus() {
    uint8_t value = console_.machine.vblankFlag ? 0x80 : 0;
    console_.machine.vblankFlag = 0;
    return value;
}
uint8_t Ppu::ReadData() { return 0; }
void Ppu::WriteControl(uint8_t value) { console_.machine.nmiEnabled = value >> 7; }
void Ppu::WriteMask(uint8_t) {}
void Ppu::WriteSpriteAddress(uint8_t) {}
void Ppu::WriteSpriteData(uint8_t) {}
void Ppu::WriteScroll(uint8_t) {}
void Ppu::WriteAddress(uint8_t) {}
void Ppu::WriteData(uint8_t) {}
void Ppu::CollapsePaletteSets() {}
void Ppu::Reset() {}
void Ppu::SetMirroring(int mode) { mirroring = mode; }
void Ppu::RenderCatchUp(bool) {}
void Ppu::RefreshSpriteZeroProbe() {}

}  // namespace korvanta
