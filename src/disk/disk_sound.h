// The RAM adapter's sound channel: a 64-step wavetable voice with an
// exponential volume envelope, a frequency sweep that walks one step at a
// time towards a target, and a modulation table added to that frequency.
// All arithmetic is integer. The Disk System board forwards its registers
// ($4040-$407F, $4080-$408A) and the mixer's hooks here.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "media/state.h"

namespace korvanta {

class SoundOut;

class DiskSound {
public:
    // `out` turns tones into phase steps at the current output rate.
    explicit DiskSound(const SoundOut& out);

    // $4040-$407F and $4080-$408A; other addresses do nothing.
    void Write(uint16_t address, uint8_t value);
    // $4040-$407F: the wave memory as written.
    uint8_t ReadWave(uint16_t address) const { return waveMemory[address & 63]; }
    // One output sample added to the accumulator (MixSample).
    void Mix(int32_t* accumulator);
    // One of the mixer's `ticksPerHalfFrame` state updates per half frame.
    void Tick(uint32_t ticksPerHalfFrame);

    // The saved fields, wave memory first, in stored order (part of the
    // board's chunk 22).
    std::vector<StateField> Fields();
    // The signed fields pass through 16-bit staging cells around a chunk.
    void BeforeSave();
    void AfterLoad();

    std::array<uint8_t, 64> waveMemory{};
    int32_t frequency = 0;
    int32_t biasedFrequency = 0;
    int32_t currentFrequency = 0;
    int32_t playingFrequency = 0;
    int32_t sweepDirection = 0;
    int32_t sweepTarget = 0;
    uint32_t sweepPeriod = 0;
    uint32_t sweepCounter = 0;
    uint16_t phase = 0;
    uint16_t step = 0;
    uint16_t volume = 0;
    uint8_t volumeControl = 0;
    uint8_t sweepControl = 0;
    uint8_t biasControl = 0;
    uint8_t modRate = 0;
    uint8_t modControl = 0;
    uint8_t waveControl = 0;
    uint8_t envelopeControl = 0;
    std::array<int32_t, 32> modTable{};
    uint32_t modIndex = 0;
    uint32_t modCounter = 0;
    uint32_t modPeriod = 0;
    std::array<uint32_t, 64> decayTable{};
    uint32_t tickCounter = 0;

private:
    void ApplyFrequency();
    void SetBias(uint8_t value);
    void SetUpSweep(uint8_t value);
    void Retune();

    const SoundOut& out_;
    std::array<int16_t, 32> modStage_{};
    int16_t sweepDirectionStage_ = 0;
};

}  // namespace korvanta
