// The picture unit's registers as the Bus sees them. (Placeholder until the
// picture unit lands: reads answer 0, writes are kept only where the CPU
// core depends on them.)
#pragma once
#include <array>
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

    // Mirroring codes: 0 single lower, 1 vertical, 2 horizontal, 3 four
    // screens, 4 single upper. Points the four name-table windows.
    void SetMirroring(int mode);
    // Draws every line due up to the current cycle with the state as it is,
    // before a caller changes what those lines would show. With the hook the
    // board's BeforeRender runs first.
    void RenderCatchUp(bool withHook);
    // Recomputes the sprite-0 hit probe from the current pattern windows.
    void RefreshSpriteZeroProbe();

    // Windows the boards point: raw and decoded 1 KB character pages for PPU
    // $0000-$1FFF (always set together), and the name-table windows with the
    // attribute-cache and extension windows that follow them.
    std::array<uint8_t*, 8> chrWindow{};
    std::array<uint8_t*, 8> decodedChrWindow{};
    std::array<uint8_t*, 4> nameTable{};
    std::array<uint8_t*, 4> attributeCacheWindow{};
    std::array<uint8_t*, 4> extensionWindow{};
    int mirroring = 3;

private:
    Console& console_;
};

}  // namespace korvanta
