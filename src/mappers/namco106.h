// Namco 106 (mapper 19): three switchable 8 KB PRG windows, eight 1 KB
// character windows on CHR ROM or 32 KB of board RAM, four name-table windows
// on CHR ROM pages or the console's own name tables, a 15-bit up-counting
// interrupt counter and the chip's wavetable sound.
#pragma once
#include <array>
#include <cstdint>

#include "core/machine.h"
#include "mappers/mapper.h"
#include "mappers/namco106_sound.h"

namespace korvanta {

class Namco106Board final : public Mapper {
public:
    Namco106Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void EndOfFrame() override;
    void IrqTimeReached() override;
    bool MixSample(int32_t* accumulator, int sampleIndex, int half) override;
    void SoundTick() override { sound_.Tick(); }
    void AfterStateLoad() override;

private:
    // The counter as the game reads it back: $7FFF once it has fired, the
    // written value while stopped, else derived from the deadline.
    uint16_t CurrentCounter() const;
    void WriteCounterLow(uint8_t value);
    void WriteCounterHigh(uint8_t value);
    void PlaceChr(int window, uint8_t value);
    void PlaceNameTable(int table, uint8_t value, bool rebuildAttributes);

    std::array<uint8_t, 8> chrRegs{};
    std::array<uint8_t, 3> prgRegs{};  // $E800 bits 6 and 7: CHR RAM off per half
    std::array<uint8_t, 4> nameTableRegs{};
    uint16_t irqCounter = 0;  // bit 15 counting
    uint8_t irqFired = 0;
    // Attribute caches of name tables shown from CHR ROM pages.
    std::array<std::array<uint8_t, 1024>, 4> nameTableAttr{};
    std::array<uint8_t, 32 * kChrPageSize> chrRam{};
    std::array<uint8_t, 32 * kDecodedChrPageSize> decodedChrRam{};
    Namco106Sound sound_;
};

}  // namespace korvanta
