// Nintendo's MMC5 (mapper 5): four PRG modes with up to 64 KB of board RAM
// in any window, four CHR modes with one register set for sprites (A) and
// one for the background (B), ExRAM and the fill table (mmc5_picture.h), a
// scanline interrupt as a cycle target, an 8 by 8 bit multiplier, and two
// pulses plus a raw level channel (mmc5_sound.h). The split-screen registers
// are only reported on the debug console.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"
#include "mappers/mmc5_picture.h"
#include "mappers/mmc5_sound.h"

namespace korvanta {

class Mmc5Board final : public Mapper {
public:
    Mmc5Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void Reset() override;
    void EndOfFrame() override;
    void BeforeRender() override { picture_.Refresh(); }
    void IrqTimeReached() override;
    bool MixSample(int32_t* accumulator, int sampleIndex, int half) override;
    void SoundTick() override { sound_.Tick(); }
    // Sprites from set A, the background from set B, or in ExRAM mode 1
    // from the 4 KB bank each tile's ExRAM byte names.
    const uint8_t* TileOverride(int half, int tile, int latch) override;
    void AfterStateLoad() override;

private:
    enum ChrSet : uint32_t { kSetA = 0, kSetB = 1 };

    void ApplyPrg();
    // Brings the picture up to date, then shows the set in the pattern
    // windows and keeps its decoded pages for TileOverride.
    void ApplyChr(ChrSet set);
    // The eight 1 KB pages of a set under the current CHR mode.
    std::array<uint32_t, 8> ChrSetPages(ChrSet set) const;
    void StoreChrSet(ChrSet set, bool toWindows);
    void ComputeIrq();
    void WriteRamProtect(int which, uint8_t value);
    uint8_t* RamPage(uint32_t page) { return prgRam[page & 7].data(); }

    // Saved, in the stored order of the board chunk.
    uint8_t prgMode = 0;
    uint8_t chrMode = 0;
    std::array<uint8_t, 4> prgRegs{};   // $5114-$5117
    std::array<uint8_t, 12> chrRegs{};  // $5120-$512B
    uint32_t lastChrSet = kSetA;
    uint8_t irqLine = 0;
    uint8_t irqControl = 0;
    uint32_t irqTarget = 0;
    uint8_t ramPage6000 = 0;
    uint8_t ramProtect1 = 0;
    uint8_t ramProtect2 = 0;
    uint8_t ramWritable = 0;
    std::array<std::array<uint8_t, 0x2000>, 8> prgRam{};
    uint8_t multiplierA = 0;
    uint8_t multiplierB = 0;
    Mmc5Sound sound_;
    Mmc5Picture picture_;

    // Not saved: the decoded pages of each set, rebuilt from the registers.
    std::array<std::array<const uint8_t*, 8>, 2> setPages_{};
};

}  // namespace korvanta
