// The Namco 106's wavetable sound: a 128-byte sound RAM reached through one
// data port, holding 4-bit waveforms and, from $40, eight channels of eight
// register bytes. Each channel's waveform is resampled into a 128-entry table
// that one phase cycle runs through, at a phase step derived from its
// frequency register. The tables are rebuilt from the RAM only when the
// mixer's tick has marked them stale, so register changes take effect at most
// half a frame late.
#pragma once
#include <array>
#include <cstdint>

namespace korvanta {

class SoundOut;

class Namco106Sound {
public:
    static constexpr int kChannels = 8;
    static constexpr int kTableLength = 128;

    // `mixer` supplies the phase steps at the output rate in use.
    explicit Namco106Sound(const SoundOut& mixer);

    // The data port ($4800): the byte at the current address; with bit 7 of
    // the address register set the address then advances, wrapping from $7F
    // to $00 and staying in auto-increment.
    void WritePort(uint8_t value);
    uint8_t ReadPort();
    // The address register ($F800).
    void SetAddress(uint8_t value) { soundAddress = value; }

    // Marks the channel tables stale (the mixer, once per half frame).
    void Tick() { waveDirty_ = 1; }
    // The eight channels' sum for one output sample, -960..840; advances the
    // phases of the sounding channels.
    int32_t Sample();

    // Saved with the board.
    std::array<uint8_t, 128> soundRam{};
    uint8_t soundAddress = 0;  // bits 0-6 address, bit 7 auto-increment

private:
    void Rebuild();
    void Advance();

    const SoundOut& mixer_;
    // Work fields, rebuilt from soundRam; only the phases run on.
    uint8_t waveDirty_ = 1;
    std::array<uint16_t, kChannels> phase_{};
    std::array<uint16_t, kChannels> rate_{};
    std::array<uint16_t, kChannels> volume_{};
    std::array<uint32_t, kChannels> frequency_{};  // 0 when the channel is silent
    std::array<std::array<int32_t, kTableLength>, kChannels> waveTable_{};
    std::array<uint32_t, kChannels> waveStep_{};
};

}  // namespace korvanta
