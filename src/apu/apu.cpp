#include "apu/apu.h"

#include <algorithm>

#include "apu/apu_tables.h"
#include "core/console.h"

namespace korvanta {

using namespace apu_tables;

namespace {

constexpr int kTriangle = 2;
constexpr int kNoise = 3;
constexpr uint32_t kFrameIrqInterval = 29828;
constexpr int32_t kMaxLevel = 4096;

uint32_t FixedOrFullVolume(uint8_t reg0) { return reg0 & 0x10 ? (reg0 & 15) * kFixedVolumeUnit : kFullVolume; }
int32_t TimerPeriod(const ApuChannel& c) { return (c.reg[3] & 7) << 8 | c.reg[2]; }
int32_t LinearFrom(uint8_t reg0) { return (reg0 & 0x7F) * 80 / 128; }

}  // namespace

Apu::Apu(Console& console) : console_(console) {
    BuildTables();
    Reset();
}

void Apu::BuildTables() {
    channelFields_ = {
        {kFieldWord, 4, &placeholder_, 0},
        Field(kFieldByte, channelMask, 0x3F),
        Field(kFieldByte, lastStatus, 0x3F),
    };
    for (ApuChannel& c : channels) {
        channelFields_.insert(channelFields_.end(), {
            Field(kFieldByte, c.kind),
            {kFieldByte, 4, &placeholder_, 0},
            Field(kFieldWord, c.phase),
            Field(kFieldWord, c.step),
            {kFieldWord, 4, &placeholder_, 0},
            Field(kFieldWord, c.volume),
            Field(kFieldWord, c.period),
            Field(kFieldWord, c.sweepDelta),
            {kFieldDword, 4, &placeholder_, 0},
            {kFieldDword, 4, &placeholder_, 0},
            Field(kFieldDword, c.decay),
            {kFieldDword, 4, &placeholder_, 0},
            Field(kFieldWord, c.state),
            Field(kFieldDword, c.length),
            Field(kFieldWord, c.sweepPeriod, kSweepOff),
            Field(kFieldWord, c.sweepCount),
            Field(kFieldQword, c.frequency),
            BlockField(c.reg.data(), 4),
        });
    }
    SampleChannel& s = dmc;
    sampleFields_ = {
        Field(kFieldDword, s.irqTime),
        Field(kFieldByte, s.playing),
        Field(kFieldByte, s.spare1),
        Field(kFieldByte, s.spare2),
        Field(kFieldByte, s.control),
        Field(kFieldByte, s.addressReg),
        Field(kFieldByte, s.lengthReg),
        Field(kFieldDword, s.nextBitTime),
        Field(kFieldDword, s.cyclesPerBit),
        Field(kFieldDword, s.start),
        Field(kFieldDword, s.end),
        Field(kFieldDword, s.address),
        Field(kFieldDword, s.bitIndex),
        Field(kFieldDword, s.level),
        Field(kFieldByte, s.active),
        Field(kFieldDword, s.endTime),
    };
    tables_ = {{kTagApuChannels, channelFields_}, {kTagApuSequencer, sampleFields_}};
}

void Apu::Reset() {
    for (const TaggedTable& t : tables_) ResetTable(t.table);
    lastStatus = 0;
    for (ApuChannel& c : channels) {
        c.linear = 0;
        c.sweepPeriod = kSweepOff;
    }
    levelLog.fill({0, 0});
    levelCount = 1;
    levelReadPos_ = 0;
    noiseHold_ = 0;
    noiseHeld_ = 0;
    noiseSequenceIndex_ = 0;
    noiseRandom_ = 1;
}

void Apu::AfterStateLoad() {
    for (int i = 0; i < 4; ++i) {
        ApuChannel& c = channels[i];
        // Both are stored in 16 bits and read back zero-extended; -1
        // (disabled) and downward sweeps need their sign.
        c.state = static_cast<int16_t>(c.state);
        c.sweepDelta = static_cast<int16_t>(c.sweepDelta);
        if (c.state != kChannelDisabled && c.state != kChannelSounding) c.state = kChannelSilent;
        if (c.kind > 4) c.kind &= 3;
        if (i == kNoise) c.period &= 15;
    }
    SampleChannel& s = dmc;
    // A bit time of 0 would never let the bit stream catch up with the mixer.
    if (s.cyclesPerBit < kSampleRate[15] / 8 || s.cyclesPerBit > kSampleRate[0] / 8)
        s.cyclesPerBit = kSampleRate[s.control & 15] / 8;
    s.bitIndex &= 7;
    s.level = std::clamp(s.level, -kMaxLevel, kMaxLevel);
    placeholder_ = 0;
}

void Apu::RecomputeTone(ApuChannel& c) {
    c.frequency = kToneClock / (c.period + 1);
    double rate = console_.soundOut.rate;
    // Above the output rate the step wraps in 16 bits, as it always has.
    c.step = static_cast<uint16_t>(static_cast<int64_t>(65536.0 / (rate / c.frequency)));
}

void Apu::WriteRegister(uint16_t address, uint8_t value) {
    uint32_t r = address & 0x1F;
    if (r >= 0x10) {
        switch (r) {
            case 0x10: dmc.control = value; break;
            case 0x11: LogLevel(value); break;
            case 0x12: dmc.addressReg = value; break;
            case 0x13: dmc.lengthReg = value; break;
            case 0x15: WriteStatus(value); break;
            default: break;
        }
        return;
    }
    int index = static_cast<int>(r >> 2);
    ApuChannel& c = channels[index];
    switch (r & 3) {
        case 0:
            if (index == kTriangle) {
                WriteTriangleControl(value);
                break;
            }
            c.reg[0] = value;
            c.kind = value >> 6;
            if (value & 0x10) {
                c.volume = static_cast<uint16_t>((value & 15) * kFixedVolumeUnit);
                c.decay = kHoldVolume;
            } else {
                c.volume = kFullVolume;
                c.decay = kDecayTable[value & 15];
            }
            break;
        case 1:
            if (index >= kTriangle) break;
            c.reg[1] = value;
            c.sweepCount = 0;
            if (value & 0x80) {
                c.sweepPeriod = ((value >> 4) & 7) + 1;
                c.sweepDelta = value & 8 ? -kSweepStep[value & 7] : kSweepStep[value & 7];
            } else {
                c.sweepPeriod = kSweepOff;
                c.sweepDelta = 0;
            }
            break;
        case 2:
            c.reg[2] = value;
            if (index == kNoise) {
                c.period = value & 15;
                break;
            }
            c.period = TimerPeriod(c) * (c.kind == 4 ? 2 : 1);
            RecomputeTone(c);
            break;
        case 3:
            c.reg[3] = value;
            StartNote(index);
            break;
    }
}

void Apu::WriteTriangleControl(uint8_t value) {
    ApuChannel& c = channels[kTriangle];
    c.reg[0] = value;
    c.volume = kFullVolume;
    c.decay = kHoldVolume;
    if ((value & 0x80) && (value & 0x7F)) {
        c.length = c.linear = 0xFFFF;
    } else {
        c.linear = LinearFrom(value);
    }
    if (c.linear == 0) {
        c.period = 0;
    } else if (c.state == kChannelSounding) {
        c.period = TimerPeriod(c) * 2;
        RecomputeTone(c);
    }
    c.kind = 4;
}

void Apu::StartNote(int index) {
    ApuChannel& c = channels[index];
    if (c.state == kChannelDisabled) return;
    c.state = kChannelSounding;
    if (index == kTriangle) {
        if (c.reg[0] & 0x80) {
            c.length = c.linear = 0xFFFF;
        } else {
            c.length = kLengthTable[c.reg[3] >> 3];
            c.linear = LinearFrom(c.reg[0]);
        }
    } else {
        c.length = kLengthTable[c.reg[3] >> 3];
        c.volume = static_cast<uint16_t>(FixedOrFullVolume(c.reg[0]));
    }
    if (index == kNoise) {
        c.period = c.reg[2] & 15;
    } else {
        c.period = TimerPeriod(c) * (index == kTriangle ? 2 : 1);
        RecomputeTone(c);
    }
    if (index == kTriangle && (c.reg[0] & 0x7F) == 0) c.period = 0;
}

void Apu::LogLevel(uint8_t value) {
    if (levelCount >= kLevelLogSize) return;
    uint8_t level = static_cast<uint8_t>(value << 1);
    if (levelCount == 1 && (value & 0x7F) == 0x7F) level = 0;
    levelLog[levelCount++] = {console_.machine.cycles, level};
}

void Apu::WriteStatus(uint8_t value) {
    for (int i = 0; i < 4; ++i) {
        ApuChannel& c = channels[i];
        if (!(value & (1 << i))) {
            c.state = kChannelDisabled;
        } else if (c.state == kChannelDisabled) {
            c.state = kChannelSilent;
        }
    }
    Machine& m = console_.machine;
    SampleChannel& s = dmc;
    bool enable = value & 0x10;
    if (enable && s.lengthReg != 0 && !(lastStatus & 0x10)) {
        s.cyclesPerBit = kSampleRate[s.control & 15] / 8;
        uint32_t bytes = s.lengthReg * 16u + 1;
        s.nextBitTime = m.cycles;
        s.endTime = s.nextBitTime + 8 * bytes * s.cyclesPerBit;
        s.irqTime = (s.control & 0xC0) == 0x80 ? s.endTime : 0;
        s.start = s.address = s.addressReg * 64u;
        s.end = s.start + s.lengthReg * 16u - 1;
        s.level = static_cast<int8_t>(levelLog[levelCount - 1].level);
        s.bitIndex = 0;
        s.playing = s.active = 1;
        m.dmcIrqTime = s.irqTime;
    } else if (!enable || s.lengthReg == 0) {
        s.irqTime = 0;
        s.playing = s.active = 0;
        m.dmcIrqTime = 0;
    } else if (m.dmcIrqTime != 0 && m.cycles >= m.dmcIrqTime) {
        // The sample goes on untouched. Its interrupt has already been raised,
        // and this write acknowledges it: re-arming the past time would raise
        // it again after every instruction.
        s.irqTime = 0;
        m.dmcIrqTime = 0;
    }
    m.dmcIrqFlag = 0;
    lastStatus = value;
}

uint8_t Apu::ReadStatus() {
    Machine& m = console_.machine;
    uint8_t v = 0;
    for (int i = 0; i < 4; ++i)
        if (channels[i].state == kChannelSounding) v |= 1 << i;
    if (dmc.active) v |= 0x10;
    if (m.apuFrameIrqFlag) v |= 0x40;
    if (m.dmcIrqFlag) v |= 0x80;
    m.apuFrameIrqFlag = 0;
    return v;
}

void Apu::WriteFrameCounter(uint8_t value) {
    Machine& m = console_.machine;
    if (((value ^ m.apuFrameMode) & 0xC0) != 0 && (value & 0xC0) == 0) m.apuFrameIrqTime = m.cycles + kFrameIrqInterval;
    m.apuFrameMode = value;
}

void Apu::ClockHalfFrame(int index) {
    ApuChannel& c = channels[index];
    if (c.state == kChannelDisabled) return;
    bool counting = index == kTriangle ? !(c.reg[0] & 0x80) : !(c.reg[0] & 0x20);
    if (counting) {
        if (c.length > 0) {
            --c.length;
        } else {
            c.length = 0;
            c.period = 0;
            c.state = kChannelSilent;
        }
        if (index == kTriangle) {
            if (c.linear > 0) {
                --c.linear;
            } else {
                c.linear = 0;
                c.period = 0;
            }
        }
    }
    if (c.state == kChannelSounding) {
        uint32_t v = static_cast<uint32_t>((static_cast<uint64_t>(c.volume) * c.decay) >> 16);
        if (v < 0x2000 && (c.reg[0] & 0x30) == 0x20) v = kFullVolume;
        c.volume = static_cast<uint16_t>(v);
    }
    if ((c.reg[1] & 0x80) && (c.reg[1] & 7) && ++c.sweepCount >= c.sweepPeriod) {
        c.sweepCount = 0;
        c.period += 2 * c.sweepDelta;
        if (c.period < 0) {
            c.period = 0;
            c.volume = 0;
        } else if (c.period > 2048) {
            c.period = 2048;
            c.volume = 0;
        }
        RecomputeTone(c);
    }
}

int32_t Apu::SampleTone(int index) {
    ApuChannel& c = channels[index];
    if (c.state <= kChannelSilent || c.period == 0) return 0;
    int32_t w = kWaveforms[c.kind][c.phase >> 8];
    c.phase = static_cast<uint16_t>(c.phase + c.step);
    return (w * (c.volume >> 6)) >> 8;
}

void Apu::AddTone(int index, int32_t* acc, uint32_t count) {
    ApuChannel& c = channels[index];
    if (c.state <= kChannelSilent || c.period == 0) return;
    const Waveform& wave = kWaveforms[c.kind];
    const int32_t volume = c.volume >> 6;
    const uint16_t step = c.step;
    uint16_t phase = c.phase;
    for (uint32_t i = 0; i < count; ++i) {
        acc[i] += (wave[phase >> 8] * volume) >> 8;
        phase = static_cast<uint16_t>(phase + step);
    }
    c.phase = phase;
}

void Apu::AddNoise(int32_t* acc, uint32_t count) {
    if (channels[kNoise].state <= kChannelSilent) return;
    for (uint32_t i = 0; i < count; ++i) acc[i] += SampleNoise();
}

void Apu::AddDmc(int32_t* acc, uint32_t count, uint32_t firstIndex, uint32_t half) {
    for (uint32_t i = 0; i < count; ++i) acc[i] += SampleDmc(firstIndex + i, half);
}

uint32_t Apu::NextRandom() {
    // A 32-bit linear congruential generator; its high bits are uniform enough
    // for noise and it belongs to this console alone.
    noiseRandom_ = noiseRandom_ * 1103515245u + 12345u;
    return (noiseRandom_ >> 16) & 0x7FFF;
}

int32_t Apu::SampleNoise() {
    ApuChannel& c = channels[kNoise];
    if (c.state <= kChannelSilent) return 0;
    if (noiseHold_-- <= 0) {
        uint32_t index = static_cast<uint32_t>(c.period) & 15;
        int32_t raw;
        if (c.reg[2] & 0x80) {
            if (++noiseSequenceIndex_ > 73) noiseSequenceIndex_ = 0;
            raw = kShortNoise[noiseSequenceIndex_];
        } else {
            raw = static_cast<int32_t>(NextRandom()) - 16383;
        }
        int32_t product = raw * kNoiseAmplitude28[index] / 28;
        if (product > 16383) product = 16383;
        if (product < -16384) product = -16383;
        noiseHeld_ = product / 128;
        double n = console_.soundOut.samplesPerFrame;
        noiseHold_ = static_cast<int32_t>(n * kNoiseHold[index] * 59.94) / 44100;
    }
    return (noiseHeld_ * (c.volume >> 6)) >> 8;
}

uint8_t Apu::SampleByte(uint32_t address) const {
    // A sample running past $FFFF continues at $8000, as on the console.
    uint32_t cpu = 0x8000 | ((0xC000 + address) & 0x7FFF);
    const uint8_t* window = console_.machine.prgWindow[(cpu >> 13) & 3];
    return window ? window[cpu & 0x1FFF] : 0;
}

int32_t Apu::SampleDmc(uint32_t sampleIndex, uint32_t half) {
    SampleChannel& s = dmc;
    uint32_t n = console_.soundOut.samplesPerFrame;
    if (n == 0) return 0;
    // N is at most one buffer (44100 samples), so the product fits 32 bits.
    uint32_t t = ((n / 2) * half + sampleIndex) * console_.machine.frameCycleBudget / n;
    if (s.playing) {
        while (s.playing && s.nextBitTime <= t) {
            uint8_t byte = SampleByte(s.address);
            s.level = std::clamp(s.level + ((byte >> s.bitIndex) & 1 ? 256 : -256), -kMaxLevel, kMaxLevel);
            if (++s.bitIndex == 8) {
                s.bitIndex = 0;
                if (++s.address > s.end) {
                    if (s.control & 0x40) {
                        s.address = s.start;
                    } else {
                        levelLog[levelCount - 1] = {0, 0};
                        levelReadPos_ = levelCount - 1;
                        s.playing = 0;
                    }
                }
            }
            s.nextBitTime += s.cyclesPerBit;
        }
        return s.level / 32;
    }
    if (levelCount == 1) {
        if (s.level == 0) return levelLog[0].level;
        if (s.level > -32 && s.level < 32) {
            s.level /= 2;
        } else {
            s.level += s.level > 0 ? -32 : 32;
        }
        return s.level / 32;
    }
    while (levelReadPos_ + 1 < levelCount && levelLog[levelReadPos_ + 1].cycle <= t) ++levelReadPos_;
    return levelLog[levelReadPos_].level;
}

void Apu::EndOfFrame() {
    SampleChannel& s = dmc;
    uint32_t f = console_.machine.frameCycleBudget;
    if (s.active) {
        if (s.endTime <= f) {
            s.endTime = 0;
            s.active = 0;
        } else {
            s.endTime -= f;
        }
    }
    if (s.playing) s.nextBitTime = s.nextBitTime > f ? s.nextBitTime - f : 0;
    if (levelCount > 1) {
        levelLog[0] = {0, levelLog[levelCount - 1].level};
        levelCount = 1;
    }
}

}  // namespace korvanta
