// The sound unit's constant tables. The model is frequency-based, so these are
// its own values rather than the console's published ones. They are built at
// compile time: nothing about them depends on whether a sound device exists,
// so a machine without sound counts lengths and envelopes identically.
#pragma once
#include <array>
#include <cstdint>

namespace korvanta::apu_tables {

inline constexpr double kToneClock = 111861.0;  // Hz for timer period 0

// Waveforms by kind: 0-3 the square duties, 4 the triangle; 256 steps each,
// indexed by the high byte of the phase accumulator.
using Waveform = std::array<int16_t, 256>;
constexpr std::array<Waveform, 5> MakeWaveforms() {
    std::array<Waveform, 5> w{};
    for (int i = 0; i < 256; ++i) {
        w[0][i] = i < 224 ? -8 : 127;
        w[1][i] = i < 192 ? -32 : 127;
        w[2][i] = i < 128 ? -64 : 96;
        w[3][i] = i < 64 ? -96 : 64;
        w[4][i] = static_cast<int16_t>(i < 64 ? 2 * i : i < 192 ? 255 - 2 * i : 2 * i - 511);
    }
    return w;
}
inline constexpr std::array<Waveform, 5> kWaveforms = MakeWaveforms();

// Length in half-frames by reg[3] >> 3. From index 3 on, each odd entry is
// the integer part of k x 2.4 for index 2k + 1.
constexpr std::array<int32_t, 32> MakeLengthTable() {
    std::array<int32_t, 32> t = {12, 317, 24, 0, 49, 0, 100, 0, 200, 0, 73, 0, 17, 0, 31, 0,
                                 15, 0,   30, 0, 60, 0, 120, 0, 240, 0, 89, 0, 19, 0, 38, 0};
    for (int k = 1; k <= 15; ++k) t[2 * k + 1] = k * 24 / 10;
    return t;
}
inline constexpr std::array<int32_t, 32> kLengthTable = MakeLengthTable();

// Envelope multiplier per half-frame in 1/65536: 65536 x 0.0390625^(1/(30(j+1))).
inline constexpr std::array<uint32_t, 16> kDecayTable = {58821, 62088, 63216, 63788, 64134, 64365, 64531, 64656,
                                                         64753, 64831, 64895, 64948, 64993, 65031, 65065, 65094};

inline constexpr uint32_t kFixedVolumeUnit = 1092;  // volume of fixed level 1
inline constexpr uint32_t kFullVolume = 0x4000;
inline constexpr uint32_t kHoldVolume = 65536;      // decay that keeps the volume

// Period change per sweep step by shift 0-7 (shift 0 never sweeps).
inline constexpr std::array<int32_t, 8> kSweepStep = {64, 28, 12, 5, 4, 3, 2, 1};
inline constexpr uint32_t kSweepOff = 0x7FFF;

// Noise amplitude by period index, in 28ths (the values are fourteenths with
// one half-step among them).
inline constexpr std::array<int32_t, 16> kNoiseAmplitude28 = {4,  7,  12, 14, 16, 18, 20, 22,
                                                              24, 26, 28, 30, 32, 34, 36, 38};
// Samples (at 44100 Hz) a noise value is held, by period index.
inline constexpr std::array<double, 16> kNoiseHold = {8.5 / 74, 17.0 / 74, 0.5,   1,      2,     3,     4,  5,
                                                      6.25,     8,         11.75, 15.875, 23.75, 31.75, 64, 93.75};

// The short-mode noise sequence.
inline constexpr std::array<int16_t, 74> kShortNoise = {
    -31826, -24089, 7743,   27758,  30192,  29588,  30625,  9024,   -18407, 3442,   26566,  27210,  31767,
    17340,  2209,   16189,  -2702,  -27798, -29506, -6260,  25199,  16008,  -15035, -2239,  24919,  14551,
    -19956, -23236, -4782,  -16334, -7139,  -9512,  -14518, -3567,  -23250, -22087, 10690,  26775,  1120,
    -25709, -31008, -29255, -836,   27081,  11012,  -19131, -32406, -18351, 12788,  4481,   9714,   13900,
    -20524, -24536, -4157,  -16649, -28108, 2777,   12363,  2629,   20762,  28324,  29657,  10520,  4168,
    24141,  27647,  29330,  23509,  -8413,  -29029, -31316, -31454, -29776};

// CPU cycles per sample byte by control bits 0-3.
inline constexpr std::array<uint32_t, 16> kSampleRate = {3424, 3040, 2720, 2560, 2288, 2032, 1808, 1712,
                                                         1520, 1280, 1136, 1024, 848,  680,  576,  432};

}  // namespace korvanta::apu_tables
