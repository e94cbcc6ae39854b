// Mapper 18: Jaleco's SS88006. Every register is written a nibble at a
// time; the interrupt counter counts CPU cycles from the moment it is reset.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

class JalecoSs88006Board final : public Mapper {
public:
    JalecoSs88006Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    // One interrupt per enable: the game writes $F001 again for the next.
    void IrqTimeReached() override;
    void AfterStateLoad() override;

private:
    // The deadline from the reload nibbles, counted from `irqBase`.
    void RecomputeDeadline();
    void ApplyRamControl() { sramEnabled = (ramControl & 1) ? 0 : 1; }

    std::array<uint32_t, 3> prgBanks{};  // $8000, $A000, $C000, stored reduced
    std::array<uint32_t, 8> chrBanks{};  // windows 0-7, stored reduced
    uint8_t ramControl = 0;              // $9002
    std::array<uint8_t, 4> irqReload{};  // $E000-$E003, lowest nibble first
    uint8_t irqReset = 0;                // $F000
    uint8_t irqMode = 0;                 // $F001: bit 0 enable, bits 1-3 width
    uint32_t irqBase = 0;                // the cycle the counter was reset at
    uint8_t mirroring = 0;               // $F002
};

}  // namespace korvanta
