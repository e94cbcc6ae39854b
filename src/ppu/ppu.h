// The picture unit's registers as the Bus sees them. (Placeholder until the
// picture unit lands: reads answer 0, writes are kept only where the CPU
// core depends on them.)
#pragma once
#include <cstdint>

namespace korvanta {

class Console;

class Ppu {
public:
    explicit Ppu(Console& console) : console_(console) {}

    uint8_t ReadStatus();                 // $2002
    uint8_t ReadData();                   // $2007
    void WriteControl(uint8_t value);     // $2000
    void WriteMask(uint8_t value);        // $2001
    void WriteSpriteAddress(uint8_t value);  // $2003
    void WriteSpriteData(uint8_t value);  // $2004 and the sprite DMA
    void WriteScroll(uint8_t value);      // $2005
    void WriteAddress(uint8_t value);     // $2006
    void WriteData(uint8_t value);        // $2007
    // At frame start: mid-frame palette sets of the last frame are dropped.
    void CollapsePaletteSets();
    // Power-on: memory cleared, registers and sprites to defaults.
    void Reset();

private:
    Console& console_;
};

}  // namespace korvanta
