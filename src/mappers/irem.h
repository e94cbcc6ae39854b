// Irem's mapper chips: the H3001 (mapper 65) and the G101 (mapper 32). The
// discrete TAM-S1 board lives with the other latch boards.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Mapper 65. The interrupt is not acknowledged by firing: once its deadline
// has passed the line is raised after every instruction until the game
// writes $9003 with bit 7 clear.
class IremH3001Board final : public Mapper {
public:
    IremH3001Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    std::array<uint8_t, 2> prgRegs{};  // $8000, $A000
    std::array<uint8_t, 8> chrRegs{};  // $B000-$B007
    uint8_t irqReloadHigh = 0;         // $9005: the count in units of 256 cycles
    uint8_t reserved = 0;
    uint32_t irqTarget = 0;
};

// Mapper 32. The decoder ignores address bit 14, so $C000-$FFFF repeats the
// registers of $8000-$BFFF.
class IremG101Board final : public Mapper {
public:
    IremG101Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    // The switchable page at $8000 or $C000 (bit 1 of `control`), the
    // second-to-last page in the other place, `prgRegs`[1] at $A000.
    void ApplyPrg();
    void StoreChr();

    std::array<uint8_t, 2> prgRegs{};  // $8000, $A000
    std::array<uint8_t, 8> chrRegs{};  // $B000-$B007
    uint8_t control = 0;               // $9000: bit 0 mirroring, bit 1 PRG layout
};

}  // namespace korvanta
