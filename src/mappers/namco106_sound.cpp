#include "mappers/namco106_sound.h"

#include "apu/sound_out.h"

namespace korvanta {
namespace {

constexpr uint32_t kChannelBase = 0x40;
// A frequency register of 15467 (with the doubling bit) plays at 440 Hz.
constexpr uint32_t kReferenceHz = 440;
constexpr uint32_t kReferenceRegister = 15467;

}  // namespace

Namco106Sound::Namco106Sound(const SoundOut& mixer) : mixer_(mixer) {}

void Namco106Sound::Advance() {
    if (soundAddress & 0x80) soundAddress = static_cast<uint8_t>((soundAddress + 1) | 0x80);
}

void Namco106Sound::WritePort(uint8_t value) {
    soundRam[soundAddress & 0x7F] = value;
    Advance();
}

uint8_t Namco106Sound::ReadPort() {
    uint8_t value = soundRam[soundAddress & 0x7F];
    Advance();
    return value;
}

void Namco106Sound::Rebuild() {
    for (int i = 0; i < kChannels; ++i) {
        const uint8_t* r = &soundRam[kChannelBase + 8 * i];
        uint32_t frequency = (r[4] & 3u) << 16 | uint32_t{r[2]} << 8 | r[0];
        // Bits 4-7 of r[4] all clear silence the channel; bit 4 also doubles it.
        if ((r[4] & 0xF0) == 0) frequency = 0;
        frequency_[i] = frequency;
        waveStep_[i] = 2 * (8 - ((r[4] >> 2) & 3u));
        // The waveform's 16, 14, 12 or 10 samples stretched over the table. A
        // waveform starting near the end of the RAM wraps to its start.
        uint32_t p = r[6];
        uint32_t f = 0;
        for (int n = 0; n < kTableLength; ++n) {
            uint8_t b = soundRam[(p >> 1) & 0x7F];
            int32_t sample = (p & 1) ? b >> 4 : b & 0x0F;
            waveTable_[i][n] = sample - 8;
            f += waveStep_[i];
            if (f >= kTableLength) {
                f -= kTableLength;
                ++p;
            }
        }
        volume_[i] = r[7] & 0x0F;
        uint32_t divider = (r[4] & 0x10) ? 1 : 2;
        rate_[i] = mixer_.PhaseStep(frequency * kReferenceHz / kReferenceRegister / divider);
    }
}

int32_t Namco106Sound::Sample() {
    if (waveDirty_) {
        waveDirty_ = 0;
        Rebuild();
    }
    int32_t sum = 0;
    for (int i = 0; i < kChannels; ++i) {
        if (frequency_[i] == 0) continue;
        sum += waveTable_[i][phase_[i] >> 9] * volume_[i];
        phase_[i] = static_cast<uint16_t>(phase_[i] + rate_[i]);
    }
    return sum;
}

}  // namespace korvanta
