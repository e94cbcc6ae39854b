// Sunsoft's mapper chips: Sunsoft-3 (mapper 67) with a scanline interrupt
// and the FME-7 (mapper 69) with a CPU-cycle interrupt. The discrete
// Sunsoft-1 and Sunsoft-2 boards live with the other latch boards.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/line_timer.h"

namespace korvanta {

// Mapper 67: each register sits in the upper 2 KB of its 4 KB range.
class Sunsoft3Board final : public LineTimerBoard {
public:
    Sunsoft3Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void IrqTimeReached() override;
    void AfterStateLoad() override;

private:
    void StoreChrPair(int j);
    void ArmIrq();

    uint8_t prgBank = 0;
    std::array<uint8_t, 4> chrBanks{};  // 2 KB banks of windows 0-1 ... 6-7
    uint8_t mirroring = 0;
    uint8_t irqControl = 0;  // bit 4 enables
    uint8_t irqLatch = 0;
    uint32_t irqTarget = 0;
};

// Mapper 69: a command register at $8000 and its data at $A000. $6000-$7FFF
// shows either the cartridge RAM or a PRG page; the page is read through
// the board, so the RAM keeps its contents while a ROM page is shown. The
// sound channels are not emulated.
class Fme7Board final : public Mapper {
public:
    Fme7Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    // $6000-$7FFF while a PRG page is shown there.
    uint8_t Read(uint16_t address) override;
    void IrqTimeReached() override;
    // Registers 0-12 applied again as their writes would.
    void AfterStateLoad() override;

private:
    void WriteRegister(uint8_t r, uint8_t value);

    std::array<uint8_t, 16> regs{};
    uint8_t command = 0;
    uint32_t irqTarget = 0;
    const uint8_t* lowPrgPage = nullptr;  // the page at $6000, null for RAM
};

}  // namespace korvanta
