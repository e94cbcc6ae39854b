// Taito's mapper chips: the TC0190 family (mappers 33 and 48) and the
// X1-005 (mapper 80) with its registers and 256 bytes of RAM at $7EF0-$7FFF.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/line_timer.h"

namespace korvanta {

// Mappers 33 and 48, one class: the board starts in the mapper-33 layout,
// where bit 6 of $8000 sets the mirroring, and the first $E000 write moves
// the mirroring to $E000 for good (the mapper-48 layout with its scanline
// interrupt).
class TaitoTc0190Board final : public LineTimerBoard {
public:
    TaitoTc0190Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void IrqTimeReached() override;
    void AfterStateLoad() override;

private:
    // All eight pattern windows from the 2 KB and 1 KB registers.
    void StoreChr();
    void ArmIrq();

    std::array<uint8_t, 2> prgRegs{};  // $8000, $8001
    std::array<uint8_t, 6> chrRegs{};  // $8002, $8003 (2 KB), $A000-$A003 (1 KB)
    uint8_t mirrorInPrg = 1;
    uint8_t irqLatch = 0;
    uint8_t reserved = 0;
    uint8_t irqSpare = 0;  // last $C003/$E003 value, kept only
    uint8_t lastE000 = 0;
    uint32_t irqTarget = 0;
};

// Mapper 80: every register sits in $7EF0-$7EFF and is replayed through
// Write after a snapshot load. The RAM is not saved.
class TaitoX1005Board final : public Mapper {
public:
    TaitoX1005Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void AfterStateLoad() override;

private:
    std::array<uint8_t, 16> regs{};  // $7EF0-$7EFF as written
    std::array<uint8_t, 256> ram{};  // $7F00-$7FFF
};

}  // namespace korvanta
