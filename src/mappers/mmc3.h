// Nintendo's MMC3 (mapper 4) and two variants of its board: mapper 118
// (variant 1), whose CHR values also pick a single-screen page, and mapper
// 245 (variant 2), whose CHR registers do nothing. Mappers 182, 187 and 189
// build on it (mmc3_relatives.h).
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "mappers/mmc3_irq.h"

namespace korvanta {

class Mmc3Board : public ScanlineIrqBoard {
public:
    Mmc3Board(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

protected:
    // For the relatives: no per-game option check, their own interrupt
    // timing before line 0.
    Mmc3Board(Console& console, const MapperConfig& config, int variant, IrqLeadIn leadIn);

    // The saved fields in their stored order (chunk 22); relatives append
    // their own.
    std::vector<StateField> Mmc3Fields();

    // $8000: the CHR layout bit swaps the 4 KB halves of the pattern
    // windows; with `swapsPrg` the PRG layout bit swaps $8000 and $C000.
    void SelectBank(uint8_t value, bool swapsPrg);
    // $8001: a CHR register (R0-R5) is masked, stored and shown; with
    // `switchesPrg` R6 and R7 switch PRG, otherwise they are only stored.
    void WriteBankData(uint8_t value, bool switchesPrg);
    // $A000 with the four-screen wiring of the cartridge honoured.
    void WriteMirroring(uint8_t value);
    // $A001: true (and `ramControl` updated) when bit 7 changed.
    bool WriteRamControl(uint8_t value);
    // Every bank register brought back to what a write would have stored.
    void MaskBankRegisters();
    // The pattern windows from R0-R5 and the CHR layout bit, no catch-up.
    void StoreChrRegisters();
    // The cartridge RAM after a snapshot: the enable bit of the last $A001
    // value that changed it, or as constructed when the game never did.
    void RestoreSramEnable();

    uint32_t ChrMask() const { return (ChrCount() - 1) & 0xFF; }
    uint32_t PrgMask() const { return (PrgCount() - 1) & 0xFF; }

    uint8_t bankSelect = 0;
    std::array<uint32_t, 8> bankRegs{};  // R0-R7, as masked when written
    uint8_t mirroring = 0;
    uint8_t ramControl = 0;
    uint8_t fourScreen = 0;
    uint32_t variant = 0;
    uint8_t sramAtPowerOn = 0;

private:
    void StoreChrRegister(uint32_t r);
};

}  // namespace korvanta
