// The sound unit: the state of the five channels, the register map at
// $4000-$4017, the half-frame clock of lengths, envelopes and sweeps, and one
// value per channel for each output sample the mixer asks for.
//
// The model is frequency-based: a period write becomes a frequency and a phase
// step per output sample. Only the sample channel and the direct-level writes
// to $4011 are placed in time by CPU cycle within the frame.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "media/state.h"

namespace korvanta {

class Console;

// Square 1, square 2, triangle or noise.
struct ApuChannel {
    uint8_t kind = 0;        // 0-3 square duty (noise keeps it unused); 4 the triangle
    uint16_t phase = 0;      // high byte indexes the waveform
    uint16_t step = 0;       // phase increment per output sample
    uint16_t volume = 0;     // 0x4000 is full
    int32_t period = 0;      // timer period (doubled for the triangle) or noise index; 0 silences
    int32_t sweepDelta = 0;  // half the period change per sweep step
    uint32_t decay = 0;      // envelope multiplier per half-frame in 1/65536
    int32_t length = 0;      // half-frames; 0xFFFF when the triangle's control holds it
    int32_t linear = 0;      // triangle linear counter (not saved)
    uint32_t sweepPeriod = 0;
    uint32_t sweepCount = 0;
    double frequency = 0;
    std::array<uint8_t, 4> reg{};
    int32_t state = 0;  // -1 disabled through $4015, 0 silent, 2 sounding
};

inline constexpr int32_t kChannelDisabled = -1;
inline constexpr int32_t kChannelSilent = 0;
inline constexpr int32_t kChannelSounding = 2;

struct SampleChannel {
    uint8_t control = 0;  // $4010: bits 0-3 rate, bit 6 loop, bit 7 interrupt
    uint8_t addressReg = 0;
    uint8_t lengthReg = 0;
    uint8_t playing = 0;  // the bit stream is being read
    uint8_t active = 0;   // $4015 bit 4, until the end time has passed
    uint8_t spare1 = 0, spare2 = 0;
    uint32_t nextBitTime = 0;
    uint32_t cyclesPerBit = 0;
    uint32_t start = 0, end = 0, address = 0;  // byte offsets from $C000
    uint32_t bitIndex = 0;
    int32_t level = 0;  // -4096..4096
    uint32_t endTime = 0;
    uint32_t irqTime = 0;  // 0 when none
};

// The $4011 writes of the current frame, in cycle order. Entry 0 carries the
// level the previous frame ended with.
struct LevelEntry {
    uint32_t cycle;
    uint8_t level;
};
inline constexpr uint32_t kLevelLogSize = 512;

class Apu {
public:
    explicit Apu(Console& console);
    Apu(const Apu&) = delete;
    Apu& operator=(const Apu&) = delete;

    // The Bus: $4000-$4013 and $4015 (not $4014).
    void WriteRegister(uint16_t address, uint8_t value);
    // $4015 read: bits 0-3 channels sounding, 4 sample active, 6 frame
    // interrupt (cleared by the read), 7 sample interrupt.
    uint8_t ReadStatus();
    // $4017 write: arms the frame interrupt that the Cpu raises.
    void WriteFrameCounter(uint8_t value);
    // Machine reset and before every state load: the saved fields to their
    // defaults (channel mask 0x3F), then every channel silent.
    void Reset();
    // After tags 13 and 27 were read: `state` and `sweepDelta`, kept in 16
    // bits, are sign-extended; `kind`, the noise period index, the sample
    // bit time and bit index are brought into the ranges the code indexes
    // with (a bit time of 0 would never let the bit stream catch up).
    void AfterStateLoad();

    // The mixer's side. Channels 0-3 are square 1, square 2, triangle, noise.
    void ClockHalfFrame(int channel);
    int32_t SampleTone(int channel);  // squares and triangle
    int32_t SampleNoise();
    int32_t SampleDmc(uint32_t sampleIndex, uint32_t half);
    // The same values for `count` successive samples, added into `acc`; the
    // sample channel's run starts at `firstIndex` of the half.
    void AddTone(int channel, int32_t* acc, uint32_t count);
    void AddNoise(int32_t* acc, uint32_t count);
    void AddDmc(int32_t* acc, uint32_t count, uint32_t firstIndex, uint32_t half);
    // Before a frame's samples: the level log is read from its start.
    void RewindLevelLog() { levelReadPos_ = 0; }
    void EndOfFrame();

    // Tags 13 (channels) and 27 (sample channel).
    std::span<const TaggedTable> StateTables() const { return tables_; }

    std::array<ApuChannel, 4> channels;
    SampleChannel dmc;
    uint8_t lastStatus = 0;
    uint8_t channelMask = 0x3F;  // the mixer's enables, saved with the channels
    std::array<LevelEntry, kLevelLogSize> levelLog{};
    uint32_t levelCount = 1;

private:
    void StartNote(int channel);
    void WriteStatus(uint8_t value);
    void WriteTriangleControl(uint8_t value);
    void LogLevel(uint8_t value);
    void RecomputeTone(ApuChannel& c);
    uint8_t SampleByte(uint32_t address) const;
    uint32_t NextRandom();
    void BuildTables();

    Console& console_;
    uint32_t levelReadPos_ = 0;
    // Noise output state (one set, not saved).
    int32_t noiseHold_ = 0;
    int32_t noiseHeld_ = 0;
    uint32_t noiseSequenceIndex_ = 0;
    uint32_t noiseRandom_ = 1;

    uint32_t placeholder_ = 0;
    std::vector<StateField> channelFields_, sampleFields_;
    std::vector<TaggedTable> tables_;
};

}  // namespace korvanta
