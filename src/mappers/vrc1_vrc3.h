// The smaller Konami boards: VRC1 (mapper 75), the VRC1 layout of mapper 151
// and VRC3 (mapper 73).
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Mapper 75: three 8 KB PRG banks and two 4 KB CHR banks whose top bit sits
// in the mirroring register.
class Vrc1Board final : public Mapper {
public:
    Vrc1Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void StoreChrHalves();

    std::array<uint32_t, 3> prgBanks{};  // pages at $8000, $A000, $C000
    uint32_t chrLow = 0;                 // first 1 KB page of PPU $0000-$0FFF
    uint32_t chrHigh = 0;                // first 1 KB page of PPU $1000-$1FFF
};

// Mapper 151: the VRC1 layout with whole bank numbers and no mirroring
// register; switches without bringing the picture up to date.
class Mapper151Board final : public Mapper {
public:
    Mapper151Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void StoreChrHalf(int half);

    std::array<uint8_t, 3> prgBanks{};  // pages at $8000, $A000, $C000
    std::array<uint8_t, 2> chrBanks{};  // 4 KB banks of the two halves
};

// Mapper 73: a 16 KB PRG bank at $8000 and an interrupt that a write to
// $A000 schedules at a fixed cycle of the frame; the counter registers
// themselves are not modelled.
class Vrc3Board final : public Mapper {
public:
    Vrc3Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void IrqTimeReached() override;
    void AfterStateLoad() override;

private:
    uint8_t prgLatch = 0;  // 16 KB bank at $8000
};

}  // namespace korvanta
