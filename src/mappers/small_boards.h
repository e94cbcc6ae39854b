// Single-purpose boards: Sachen's 74LS374N board (mapper 243), the Taiwanese
// board of mapper 246 with its RAM at $6800, and the diagnostic board of
// mapper 254 that only logs.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Mapper 243: an index register at $4100 and eight data registers at $4101;
// registers 2, 4 and 6 make up the 8 KB CHR bank, register 5 the 32 KB PRG
// bank.
class Sachen243Board final : public Mapper {
public:
    Sachen243Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void ApplyPrg();
    void ApplyChr();

    uint8_t index = 0;
    std::array<uint8_t, 8> regs{};
};

// Mapper 246: four 8 KB PRG and four 2 KB CHR registers at $6000-$6007, and
// the cartridge RAM served by the board at $6800-$7FFF.
class Mapper246Board final : public Mapper {
public:
    Mapper246Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void Reset() override;
    void AfterStateLoad() override;

private:
    std::array<uint8_t, 4> prgRegs{};
    std::array<uint8_t, 4> chrRegs{};
};

// Mapper 254: no banking; every access that reaches the board is written to
// the debug console with its picture line and cycle.
class Mapper254Board final : public Mapper {
public:
    Mapper254Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
};

}  // namespace korvanta
