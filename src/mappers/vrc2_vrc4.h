// Konami VRC2 and VRC4 (mappers 21, 22, 23, 25): 8 KB PRG banks, 1 KB CHR
// banks written a nibble at a time, and the VRC interrupt counter. The four
// mapper numbers differ in which CPU address lines drive the chip's two
// register-select inputs; mapper 22 also drops the low bit of CHR values.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/vrc_irq.h"

namespace korvanta {

class Vrc2Vrc4Board final : public VrcIrqBoard {
public:
    // Variant: 0 mapper 23, 1 mapper 22, 2 mapper 25, 3 mapper 21.
    Vrc2Vrc4Board(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    // The chip's register address for a CPU address under a variant's wiring.
    static uint16_t RegisterAddress(uint16_t address, int variant);
    // $8000 and $C000 from `prgSwap`: the switchable page and the
    // second-to-last page.
    void ApplyPrgSwap();
    void WriteChr(uint16_t reg, uint8_t value);

    std::array<uint32_t, 2> prgBanks{};  // $8000 register, $A000 register
    std::array<uint32_t, 8> chrBanks{};  // 1 KB pages of windows 0-7
    uint8_t mirroring = 0;               // last $9000 value
    uint8_t prgSwap = 0;                 // bit 0 cartridge RAM, bit 1 swap
    // Set by the first $9001 write. The RAM is mapped from power-on while
    // `prgSwap` is still 0, so a snapshot of a game that never wrote $9001
    // must not unmap it.
    uint8_t prgSwapWritten = 0;
    int variant_;
};

}  // namespace korvanta
