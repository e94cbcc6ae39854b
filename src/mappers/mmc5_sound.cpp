#include "mappers/mmc5_sound.h"

#include "apu/sound_out.h"
#include "core/machine.h"

namespace korvanta {
namespace {

constexpr double kPulseClock = 111861.0;  // the CPU clock / 16
constexpr uint16_t kFullVolume = 0x4000;
constexpr uint16_t kVolumeStep = 1092;  // per step of the constant volume
constexpr uint32_t kNoDecay = 0x10000;
constexpr uint32_t kLoopThreshold = 0x20000000;
constexpr int32_t kPcmScale = 3;

using Waveform = std::array<int32_t, 256>;

// Duty d is low for the first `lowLength` positions, at its own two levels.
constexpr std::array<Waveform, 4> kWaveforms = [] {
    struct Shape {
        int lowLength;
        int32_t low, high;
    };
    constexpr Shape shapes[4] = {{224, -8, 127}, {192, -32, 127}, {128, -64, 96}, {64, -96, 64}};
    std::array<Waveform, 4> w{};
    for (int d = 0; d < 4; ++d)
        for (int i = 0; i < 256; ++i) w[d][i] = i < shapes[d].lowLength ? shapes[d].low : shapes[d].high;
    return w;
}();

// Half frames a note lasts, by register 3 >> 3.
constexpr std::array<int32_t, 32> kLengths = {
    12, 317, 24, 2, 49, 4, 100, 7, 200, 9, 73, 12, 17, 14, 31, 16,
    15, 19, 30, 21, 60, 24, 120, 26, 240, 28, 89, 31, 19, 33, 38, 36,
};

bool ConstantVolume(uint8_t reg0) { return reg0 & 0x10; }
uint16_t ConstantLevel(uint8_t reg0) { return static_cast<uint16_t>((reg0 & 0x0F) * kVolumeStep); }

}  // namespace

Mmc5Sound::Mmc5Sound(const SoundOut& mixer, const Machine& machine) : mixer_(mixer), machine_(machine) {}

void Mmc5Sound::WritePulse(int channel, int reg, uint8_t value) {
    Mmc5Pulse& p = pulse[channel & 1];
    if (reg == 0) {
        p.reg0 = value;
        p.duty = value >> 6;
        if (ConstantVolume(value)) {
            p.volume = ConstantLevel(value);
            p.decay = kNoDecay;
        } else {
            p.volume = kFullVolume;
            p.decay = kMmc5DecayFactors[value & 0x0F];
        }
    } else if (reg == 2) {
        p.periodLow = value;
    } else if (reg == 3) {
        p.reg3 = value;
        if (p.state == kDisabled) return;
        p.state = kPlaying;
        p.length = kLengths[value >> 3];
        p.volume = ConstantVolume(p.reg0) ? ConstantLevel(p.reg0) : kFullVolume;
        p.period = ((uint32_t{value} << 8) & 0x7FF) | p.periodLow;
        p.phaseStep = mixer_.PhaseStep(static_cast<uint32_t>(kPulseClock / (p.period + 1)));
    }
}

void Mmc5Sound::WritePcm(uint8_t value) {
    // An entry later than now belongs to the previous frame. Checked before
    // the size, so a log left full by a frame that was never played cannot
    // refuse every later write.
    if (pcmCount != 0 && machine_.cycles < pcmLog[pcmCount - 1].cycle) pcmCount = 0;
    if (pcmCount >= kPcmLogSize) return;
    pcmLog[pcmCount++] = Mmc5PcmEntry{machine_.cycles, value, {}};
}

void Mmc5Sound::Tick() {
    for (Mmc5Pulse& p : pulse) {
        if (p.state == kDisabled) continue;
        // Bit 5 halts the length counter (and loops the envelope).
        if (!(p.reg0 & 0x20)) {
            if (p.length <= 0) {
                p.length = 0;
                p.period = 0;
                p.state = kStopped;
            } else {
                --p.length;
            }
        }
        if (p.state != kPlaying) continue;
        uint32_t product = p.decay * p.volume;
        p.volume = static_cast<uint16_t>(product >> 16);
        if (product < kLoopThreshold && (p.reg0 & 0x30) == 0x20) p.volume = kFullVolume;
    }
}

int32_t Mmc5Sound::PulseOutput(Mmc5Pulse& p) {
    if (p.state != kPlaying || p.period == 0) return 0;
    int32_t s = kWaveforms[p.duty & 3][p.phase >> 8];
    p.phase = static_cast<uint16_t>(p.phase + p.phaseStep);
    return (s * (p.volume / 64)) >> 8;
}

int32_t Mmc5Sound::PcmLevel(int index, int half) {
    if (pcmCount == 0) return 0;
    if (index == 0 && half == 0) pcmCursor_ = 0;
    uint32_t n = mixer_.samplesPerFrame;
    if (n == 0) return 0;
    uint32_t t = ((n / 2) * static_cast<uint32_t>(half) + static_cast<uint32_t>(index)) * machine_.frameCycleBudget / n;
    while (pcmCursor_ + 1 < pcmCount && t >= pcmLog[pcmCursor_ + 1].cycle) ++pcmCursor_;
    if (pcmCursor_ >= pcmCount - 1) {
        // The frame's last level carries on into the next frame as its
        // first entry, so the output holds it until the next write.
        pcmLog[0] = Mmc5PcmEntry{0, pcmLog[pcmCount - 1].value, {}};
        pcmCount = 1;
        pcmCursor_ = 0;
    }
    return kPcmScale * (static_cast<int32_t>(pcmLog[pcmCursor_].value) - 128);
}

int32_t Mmc5Sound::Sample(int index, int half) {
    int32_t total = 0;
    if (soundMask & 1) total += PulseOutput(pulse[0]);
    if (soundMask & 2) total += PulseOutput(pulse[1]);
    return total + PcmLevel(index, half);
}

void Mmc5Sound::AfterStateLoad() {
    if (pcmCount > kPcmLogSize) pcmCount = kPcmLogSize;
    pcmCursor_ = 0;
}

}  // namespace korvanta
