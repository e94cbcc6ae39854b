// Mapper 40: a pirate conversion board with a switchable 8 KB page at
// $C000, a fixed PRG page at $6000-$7FFF and a 4096-cycle interrupt timer.
#pragma once
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

class Mapper40Board final : public Mapper {
public:
    Mapper40Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    // $6000-$7FFF: PRG page 6.
    uint8_t Read(uint16_t address) override;
    void IrqTimeReached() override;
    void AfterStateLoad() override;

private:
    void PlaceFixedPages();

    uint8_t bank = 0;
    uint8_t irqEnabled = 0;
    uint32_t irqTarget = 0;
    const uint8_t* lowPrgPage = nullptr;  // the ROM page at $6000
};

}  // namespace korvanta
