// Konami VRC6 (mappers 24 and 26): a 16 KB and an 8 KB PRG bank, eight 1 KB
// CHR banks, the VRC interrupt counter and three extra sound channels.
// Mapper 26 exchanges the chip's two register-select lines.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/vrc6_sound.h"
#include "mappers/vrc_irq.h"

namespace korvanta {

class Vrc6Board final : public VrcIrqBoard {
public:
    // Variant: 0 mapper 24, 1 mapper 26.
    Vrc6Board(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;
    // Adds the three channels; the board has no channel mask of its own.
    bool MixSample(int32_t* accumulator, int sampleIndex, int half) override;

private:
    void WriteMirroring(uint16_t address, uint8_t value);
    void ReportUnknownWrite(uint16_t address, uint8_t value);

    uint16_t prgBank16 = 0;              // first 8 KB page of the $8000 bank
    uint16_t prgBank8 = 0;               // page at $C000
    std::array<uint32_t, 8> chrBanks{};  // 1 KB pages of windows 0-7
    uint8_t mirroring = 0;               // last $B003 value
    Vrc6Sound sound_;
    int variant_;
};

}  // namespace korvanta
