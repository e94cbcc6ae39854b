// Boards that reuse the MMC3 register model with changes: Tengen's RAMBO-1
// (mapper 64) and the boards of mappers 182, 187 and 189. Each keeps the
// MMC3 scanline interrupt on its own registers.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mmc3.h"

namespace korvanta {

// Mapper 64: sixteen unmasked bank registers, three PRG registers, and
// optional 1 KB banks for the second half of each 2 KB pair.
class Rambo1Board final : public ScanlineIrqBoard {
public:
    Rambo1Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void StoreChr();
    void ApplyPrg();

    uint8_t bankSelect = 0;
    std::array<uint32_t, 16> regs{};  // R0-R15 as written
    uint8_t mirroring = 0;
};

// Mapper 182: the MMC3 registers at other addresses and a different order
// of the bank registers.
class Mapper182Board final : public Mmc3Board {
public:
    Mapper182Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void WriteBankData(uint8_t value);
    // One register to its window: 2 KB for R0 and R2, PRG for R4 and R5.
    void StoreRegister(uint32_t r);
};

// Mapper 187: MMC3 with a $5000 PRG override, a special bank mode entered
// through $8003, a protection read, and explicit page lists per window.
class Mapper187Board final : public Mmc3Board {
public:
    Mapper187Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void AfterStateLoad() override;

private:
    void WriteBankData(uint8_t value);
    void ApplyChr();
    void ApplyPrg();

    uint8_t prgMode = 0;      // last $5000 value
    uint8_t specialMode = 0;  // set by $8003, cleared by $8000
    uint8_t lastWrite = 0;    // the latest value written anywhere
    std::array<uint32_t, 8> chrPages{};  // one page per pattern window
    std::array<uint32_t, 4> prgPages{};  // one page per PRG window
};

// Mapper 189: MMC3 CHR, mirroring and interrupt; PRG in 32 KB banks from
// writes to $4100-$7FFF.
class Mapper189Board final : public Mmc3Board {
public:
    Mapper189Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void ApplyPrg();

    uint8_t prgBase = 0;  // first 8 KB page of the 32 KB bank
};

}  // namespace korvanta
