// Mappers 9 and 10: Nintendo's MMC2 (Punch-Out!!) and MMC4. Each 4 KB half
// of the pattern space has two banks, chosen by a latch that the hardware
// flips when it fetches tile $FD or $FE. The board precomputes, for every
// name-table position and every sprite, which latch value is in effect and
// answers the renderer's tile requests from the matching bank.
#pragma once
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

class Mmc2Board final : public Mapper {
public:
    // Variant 0: MMC2 (mapper 9); 1: MMC4 (mapper 10).
    Mmc2Board(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void EndOfFrame() override { ComputeLatches(); }
    void BeforeRender() override { ComputeLatches(); }
    // Background tiles from the $1000 bank pair, sprite tiles from the $0000
    // pair, each by the latch value the precomputation left for it.
    const uint8_t* TileOverride(int half, int tile, int latch) override;
    // No menu, not even the VS item.
    intptr_t Message(uint32_t code, intptr_t argument) override;
    void AfterStateLoad() override;

private:
    static constexpr uint8_t kLatchFd = 0xFD;
    static constexpr uint8_t kLatchFe = 0xFE;

    bool IsMmc4() const { return variant == 1; }
    void StoreChr4k(int firstWindow, uint8_t bank);
    // Walks the visible name-table positions and the sprites in drawing order
    // and writes the latch in effect into the extension values.
    void ComputeLatches();
    void ComputeBackgroundLatches();
    void ComputeSpriteLatches();

    // Saved.
    uint8_t prgReg = 0;  // $A000; doubled for MMC4
    uint8_t chrFD0 = 0;  // $B000
    uint8_t chrFE0 = 0;  // $C000
    uint8_t chrFD1 = 0;  // $D000
    uint8_t chrFE1 = 0;  // $E000
    uint8_t mirroring = 0;
    // Not saved: rebuilt by the next precomputation.
    int variant;
    uint8_t bgLatch = kLatchFd;
    uint8_t spriteLatch = kLatchFd;
};

}  // namespace korvanta
