// The J.Y. Company board (mapper 90): four PRG modes inside an outer 512 KB
// bank, CHR in 8, 4, 2 or 1 KB units inside an outer 256 KB bank, name
// tables that may come from CHR ROM, an 8 x 8 bit multiplier at $5000 and a
// scanline interrupt.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/line_timer.h"

namespace korvanta {

class Mapper90Board final : public LineTimerBoard {
public:
    Mapper90Board(Console& console, const MapperConfig& config);
    // Registers, decided on address AND $F007.
    void Write(uint16_t address, uint8_t value) override;
    // $5000: the low byte of the product. $6000-$7FFF: the PRG page shown
    // there in PRG mode 2.
    uint8_t Read(uint16_t address) override;
    // A single interrupt: the deadline and the line count are cleared.
    void IrqTimeReached() override;
    // PRG, CHR and name tables applied again from the registers.
    void AfterStateLoad() override;

private:
    void ApplyPrg();
    void ApplyChr();
    void ApplyNameTables();
    void ApplyMirroring();
    // Schedules the interrupt `lines` lines ahead (1-255).
    void ArmIrq(int lines);
    // Bit 5 of `control`: the name tables come from CHR ROM.
    bool RomNameTables() const { return (control & 0x20) != 0; }

    std::array<uint8_t, 4> prgRegs{};  // $8000-$8003
    std::array<uint8_t, 8> chrLow{};   // $9000-$9007
    std::array<uint8_t, 8> chrHigh{};  // $A000-$A007, 1 KB mode only
    std::array<uint8_t, 8> irqRegs{};  // $C000-$C007; entry 5 is the line count
    uint8_t control = 0;               // $D000
    uint8_t mirroring = 0;             // $D001
    uint8_t regD002 = 0;               // $D002, only stored
    uint8_t outerBank = 0;             // $D003
    std::array<uint8_t, 4> ntLow{};    // $B000-$B003
    std::array<uint8_t, 4> ntHigh{};   // $B004-$B007
    uint8_t mulA = 0;                  // $5000
    uint8_t mulB = 0;                  // $5001

    // Not saved: rebuilt whenever name tables are taken from CHR ROM.
    std::array<std::array<uint8_t, 1024>, 4> nameTableAttr{};
    // The PRG page read at $6000-$7FFF, null while the cartridge RAM is there.
    const uint8_t* lowPrgPage = nullptr;
};

}  // namespace korvanta
