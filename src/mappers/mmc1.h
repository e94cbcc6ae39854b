// Mapper 1: Nintendo's MMC1, programmed one bit per write through a serial
// register. This board keeps a separate shift register and bit count for
// each of the four address ranges, so a sequence to one range does not
// disturb a half-filled sequence in another (unlike the real chip).
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

class Mmc1Board final : public Mapper {
public:
    Mmc1Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;
    // The older snapshot format: serial state and `control` in the block,
    // the other registers in the old-format image description.
    void LoadLegacyState(const LegacyBlock& block, const OldFormatImage& oldImage) override;

private:
    void ApplyPrg();
    // Windows 0-3 (4 KB mode) or 0-7 (8 KB mode) from `chrBank0`.
    void StoreLowChr();
    void StoreHighChr();
    bool FourKbChr() const { return (control & 0x10) != 0; }

    // Registers 0-3 ($8000, $A000, $C000, $E000).
    uint8_t control = 0x0E;
    uint8_t chrBank0 = 0x0E;
    uint8_t chrBank1 = 0x0E;
    uint8_t prgBank = 0x0E;
    // The serial state of each range, in the same order.
    std::array<uint8_t, 4> shift{};
    std::array<uint32_t, 4> bitCount{};
    // 0 below 512 KB of PRG, 1 for 512 KB, 2 for 1 MB and more: how many CHR
    // register bits take part in choosing the 256 KB PRG block.
    uint32_t sizeClass = 0;
};

}  // namespace korvanta
