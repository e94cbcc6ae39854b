#include "mappers/vrc6_sound.h"

#include "apu/sound_out.h"

namespace korvanta {
namespace {

constexpr double kCpuClock = 1789772.7272;
constexpr double kPulseDivider = 1.0 / 16;
constexpr double kSawDivider = 0.07142857142857142;  // 1/14
constexpr uint16_t kFullVolume = 0x4000;
constexpr uint16_t kVolumeStep = 1092;  // per step of the 4-bit pulse volume
constexpr int32_t kPulseLevel = 127;
constexpr int32_t kDigitalScale = 16;

using WaveTable = std::array<int32_t, 256>;

// Table j is low for the first 16 x (j + 1) of its 256 positions.
constexpr std::array<WaveTable, 8> kPulseTables = [] {
    std::array<WaveTable, 8> tables{};
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 256; ++i) tables[j][i] = i < 16 * (j + 1) ? -kPulseLevel : kPulseLevel;
    return tables;
}();

}  // namespace

Vrc6Sound::Vrc6Sound(const SoundOut& mixer) : mixer_(mixer) {}

void Vrc6Sound::Write(int channel, int reg, uint8_t value) {
    Vrc6Channel& c = channels[channel];
    if (reg == 0) {
        c.reg0 = value;
        if (channel == kSaw) {
            c.tableNumber = 8;
            c.volume = kFullVolume;
            BuildSawTable();
        } else {
            c.tableNumber = (value >> 4) & 7;
            c.volume = static_cast<uint16_t>((value & 0x0F) * kVolumeStep);
        }
        return;
    }
    if (reg == 1)
        c.reg1 = value;
    else
        c.reg2 = value;
    Recompute(channel);
}

void Vrc6Sound::Recompute(int channel) {
    Vrc6Channel& c = channels[channel];
    if (!(c.reg2 & 0x80)) {
        c.state = 0;
        return;
    }
    bool saw = channel == kSaw;
    c.state = kPlaying;
    c.volume = saw ? kFullVolume : static_cast<uint16_t>((c.reg0 & 0x0F) * kVolumeStep);
    c.period = ((uint32_t{c.reg2} << 8) & 0xFFF) | c.reg1;
    double frequency = kCpuClock / (c.period + 1) * (saw ? kSawDivider : kPulseDivider);
    c.phaseStep = mixer_.PhaseStep(static_cast<uint32_t>(frequency));
}

void Vrc6Sound::BuildSawTable() {
    // Eight runs of 32 positions, each run one accumulator step higher.
    uint32_t rate = channels[kSaw].reg0 & 0x3F;
    for (uint32_t k = 0; k < 8; ++k) {
        int32_t level = static_cast<int32_t>((((k + 1) * rate) & 0xFF) & 0xFC);
        for (uint32_t i = 0; i < 32; ++i) sawTable_[32 * k + i] = level;
    }
}

int32_t Vrc6Sound::Output(Vrc6Channel& c, bool pulse) {
    if (c.state == 0 || c.period == 0) return 0;
    if (pulse && (c.reg0 & 0x80)) return c.reg0 * kDigitalScale;
    // The table number of a pulse comes from a snapshot too: kept in range.
    const WaveTable& table = pulse ? kPulseTables[c.tableNumber & 7] : sawTable_;
    int32_t s = table[c.phase >> 8];
    c.phase = static_cast<uint16_t>(c.phase + c.phaseStep);
    return (s * (c.volume / 64)) >> 8;
}

int32_t Vrc6Sound::Sample() {
    return Output(channels[0], true) + Output(channels[1], true) + Output(channels[kSaw], false);
}

void Vrc6Sound::AfterStateLoad() {
    BuildSawTable();
    for (int channel = 0; channel < 3; ++channel) Recompute(channel);
}

}  // namespace korvanta
