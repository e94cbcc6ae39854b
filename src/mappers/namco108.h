// Namco 108 (mapper 76) and its relatives on mappers 88 and 95: the MMC3's
// bank-select and bank-data pair without its PRG modes, mirroring control or
// interrupt. Page numbers are masked with the page count minus one.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Mapper 76: registers 2-5 select four 2 KB CHR banks; 0 and 1 are unused.
class Namco108Board : public Mapper {
public:
    Namco108Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

protected:
    // The windows one bank register drives, from its value; returns the page
    // number it used.
    virtual uint32_t ApplyChrRegister(uint32_t r, uint8_t value);
    virtual void RestoreChr();
    uint32_t ChrMask() const { return ChrCount() - 1; }
    void StoreChr2k(int firstWindow, uint32_t page);

    uint8_t bankSelect = 0;
    std::array<uint32_t, 8> bankValues{};  // the page each register selected
};

// Mapper 88: registers 0-1 are 2 KB banks at $0000, 2-5 are 1 KB banks at
// $1000 taken from the upper 64 KB of CHR.
class Mapper88Board : public Namco108Board {
public:
    Mapper88Board(Console& console, const MapperConfig& config);

protected:
    uint32_t ApplyChrRegister(uint32_t r, uint8_t value) override;
    void RestoreChr() override;
    // The 2 KB and 1 KB page masks (mapper 95 differs).
    virtual uint32_t TwoKbPage(uint8_t value) const { return value & 0x3Eu & ChrMask(); }
    virtual uint32_t OneKbPage(uint8_t value) const { return (value | 0x40u) & ChrMask(); }
};

// Mapper 95 (Dragon Buster): mapper 88's layout with bit 5 of every CHR value
// choosing the single name-table page.
class Mapper95Board final : public Mapper88Board {
public:
    Mapper95Board(Console& console, const MapperConfig& config);

protected:
    uint32_t ApplyChrRegister(uint32_t r, uint8_t value) override;
    uint32_t TwoKbPage(uint8_t value) const override { return value & 0xFEu & ChrMask(); }
    uint32_t OneKbPage(uint8_t value) const override { return value & ChrMask(); }
};

}  // namespace korvanta
