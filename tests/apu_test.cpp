// The sound unit driven directly: tables, register writes, the half-frame
// clock, the per-sample channel outputs and the saved state.
#include <gtest/gtest.h>

#include <cmath>

#include "apu/apu_tables.h"
#include "test_support.h"

namespace korvanta {
namespace {

using test::FlatConsole;

struct ApuFixture {
    // PRG: $8000-$BFFF filled with $FF, $C000-$FFFF with $00 unless a test
    // places sample bytes there.
    FlatConsole f{MakePrg()};
    Console& c = f.console;
    Apu& apu = f.console.apu;

    static std::vector<uint8_t> MakePrg() {
        std::vector<uint8_t> prg(0x8000, 0);
        std::fill(prg.begin(), prg.begin() + 0x4000, 0xFF);
        return prg;
    }
    void W(uint16_t address, uint8_t value) { apu.WriteRegister(address, value); }
    uint8_t* Rom(uint16_t address) { return &f.m().prgWindow[(address >> 13) & 3][address & 0x1FFF]; }
    void ClockAll() {
        for (int i = 0; i < 4; ++i) apu.ClockHalfFrame(i);
    }
};

TEST(ApuTables, LengthDecayWaveformsAndRates) {
    using namespace apu_tables;
    const int32_t lengths[32] = {12, 317, 24, 2,  49, 4,  100, 7,  200, 9,  73, 12, 17, 14, 31, 16,
                                 15, 19,  30, 21, 60, 24, 120, 26, 240, 28, 89, 31, 19, 33, 38, 36};
    for (int i = 0; i < 32; ++i) EXPECT_EQ(kLengthTable[i], lengths[i]) << i;
    for (int j = 0; j < 16; ++j)
        EXPECT_EQ(kDecayTable[j], static_cast<uint32_t>(65536 * std::pow(0.0390625, 1.0 / (30 * (j + 1))))) << j;
    EXPECT_EQ(kWaveforms[0][223], -8);
    EXPECT_EQ(kWaveforms[0][224], 127);
    EXPECT_EQ(kWaveforms[3][63], -96);
    EXPECT_EQ(kWaveforms[3][64], 64);
    EXPECT_EQ(kWaveforms[4][0], 0);
    EXPECT_EQ(kWaveforms[4][63], 126);
    EXPECT_EQ(kWaveforms[4][64], 127);
    EXPECT_EQ(kWaveforms[4][191], -127);
    EXPECT_EQ(kWaveforms[4][192], -127);
    EXPECT_EQ(kWaveforms[4][255], -1);
    EXPECT_EQ(kSampleRate[13] / 8, 85u);
}

TEST(Apu, ChannelRegisterWrites) {
    struct Case {
        uint16_t address;
        uint8_t value;
        uint8_t kind;
        uint16_t volume;
        uint32_t decay;
        uint32_t sweepPeriod;
        int32_t sweepDelta;
    };
    const Case cases[] = {
        {0x4000, 0xBF, 2, 15 * 1092, 65536, 0x7FFF, 0},      // fixed volume 15, duty 2
        {0x4004, 0x05, 0, 16384, 64365, 0x7FFF, 0},          // envelope, decay index 5
        {0x400C, 0xD3, 3, 3 * 1092, 65536, 0x7FFF, 0},       // noise keeps the duty bits
        {0x4001, 0xA1, 0, 0, 0, 3, 28},                      // sweep period 3, shift 1, up
        {0x4005, 0xF9, 0, 0, 0, 8, -28},                     // down
        {0x4001, 0x88, 0, 0, 0, 1, -64},                     // shift 0 stores 64
        {0x4001, 0x77, 0, 0, 0, 0x7FFF, 0},                  // bit 7 clear: off
    };
    for (const Case& k : cases) {
        ApuFixture a;
        a.W(k.address, k.value);
        const ApuChannel& ch = a.apu.channels[(k.address >> 2) & 3];
        SCOPED_TRACE(testing::Message() << std::hex << k.address << "=" << int(k.value));
        EXPECT_EQ(ch.kind, k.kind);
        EXPECT_EQ(ch.volume, k.volume);
        EXPECT_EQ(ch.decay, k.decay);
        EXPECT_EQ(ch.sweepPeriod, k.sweepPeriod);
        EXPECT_EQ(ch.sweepDelta, k.sweepDelta);
        EXPECT_EQ(ch.sweepCount, 0u);
    }
}

TEST(Apu, NoteStartsOnlyOnEnabledChannels) {
    ApuFixture a;
    a.W(0x4015, 0x0E);  // square 1 disabled
    a.W(0x4000, 0xBF);
    a.W(0x4002, 0xFD);
    a.W(0x4003, 0x08);
    EXPECT_EQ(a.apu.channels[0].reg[3], 0x08);
    EXPECT_EQ(a.apu.channels[0].state, kChannelDisabled);
    EXPECT_EQ(a.apu.ReadStatus() & 0x0F, 0);

    a.W(0x4015, 0x0F);
    EXPECT_EQ(a.apu.channels[0].state, kChannelSilent);
    a.W(0x4003, 0x08);  // length index 1
    const ApuChannel& ch = a.apu.channels[0];
    EXPECT_EQ(ch.state, kChannelSounding);
    EXPECT_EQ(ch.length, 317);
    EXPECT_EQ(ch.period, 0xFD);
    EXPECT_DOUBLE_EQ(ch.frequency, 111861.0 / 254);
    EXPECT_EQ(ch.step, static_cast<uint16_t>(65536.0 / (44100.0 / (111861.0 / 254))));
    EXPECT_EQ(a.apu.ReadStatus() & 0x0F, 1);

    // Square output: duty 2 at fixed volume 15 is -64 then +95.
    std::vector<int32_t> out;
    for (int i = 0; i < 200; ++i) out.push_back(a.apu.SampleTone(0));
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), -64);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 95);
    EXPECT_EQ(a.apu.SampleTone(1), 0);  // never started
}

TEST(Apu, LengthCounterSilencesAtTheClockThatFindsZero) {
    for (uint8_t index : {0, 3, 9}) {
        ApuFixture a;
        a.W(0x4015, 0x0F);
        a.W(0x4004, 0x9F);  // counting (bit 5 clear), fixed volume
        a.W(0x4006, 0x80);
        a.W(0x4007, static_cast<uint8_t>(index << 3));
        int32_t length = apu_tables::kLengthTable[index];
        for (int clock = 1; clock <= length; ++clock) {
            a.apu.ClockHalfFrame(1);
            ASSERT_EQ(a.apu.channels[1].state, kChannelSounding) << int(index) << " clock " << clock;
        }
        a.apu.ClockHalfFrame(1);
        EXPECT_EQ(a.apu.channels[1].state, kChannelSilent) << int(index);
        EXPECT_EQ(a.apu.channels[1].period, 0);
        EXPECT_EQ(a.apu.SampleTone(1), 0);
    }
    // Halted (bit 5 set): the length stays.
    ApuFixture a;
    a.W(0x4015, 0x01);
    a.W(0x4000, 0xBF);
    a.W(0x4003, 0x00);
    for (int i = 0; i < 40; ++i) a.apu.ClockHalfFrame(0);
    EXPECT_EQ(a.apu.channels[0].state, kChannelSounding);
    EXPECT_EQ(a.apu.channels[0].length, 12);
}

TEST(Apu, LoopingEnvelopeFallsAndJumpsBack) {
    ApuFixture a;
    a.W(0x4015, 0x01);
    a.W(0x4000, 0x20);  // loop, envelope, decay index 0
    a.W(0x4002, 0x40);
    a.W(0x4003, 0x00);
    uint32_t previous = a.apu.channels[0].volume;
    EXPECT_EQ(previous, 16384u);
    int jumps = 0;
    for (int i = 0; i < 30; ++i) {
        a.apu.ClockHalfFrame(0);
        uint32_t v = a.apu.channels[0].volume;
        if (v == 16384) {
            ++jumps;
            EXPECT_LT(previous * 58821 >> 16, 8192u);
        } else {
            EXPECT_EQ(v, previous * 58821 >> 16);
            EXPECT_GE(v, 8192u);
        }
        previous = v;
    }
    EXPECT_GE(jumps, 3);
    // Without the loop bit (the length then counts) it decays toward zero.
    a.W(0x4000, 0x00);
    a.W(0x4003, 0x08);
    for (int i = 0; i < 100; ++i) a.apu.ClockHalfFrame(0);
    EXPECT_LT(a.apu.channels[0].volume, 16u);
}

TEST(Apu, SweepStepsThePeriodAndMutesAtTheLimits) {
    ApuFixture a;
    a.W(0x4015, 0x03);
    a.W(0x4000, 0xBF);
    a.W(0x4001, 0xA1);  // every 3 half-frames, +2 x 28
    a.W(0x4002, 100);
    a.W(0x4003, 0x00);
    std::vector<int32_t> periods;
    for (int i = 0; i < 9; ++i) {
        a.apu.ClockHalfFrame(0);
        periods.push_back(a.apu.channels[0].period);
    }
    EXPECT_EQ(periods, (std::vector<int32_t>{100, 100, 156, 156, 156, 212, 212, 212, 268}));
    EXPECT_DOUBLE_EQ(a.apu.channels[0].frequency, 111861.0 / 269);

    a.W(0x4005, 0x89);  // every half-frame, -2 x 28
    a.W(0x4006, 30);
    a.W(0x4007, 0x00);
    a.apu.ClockHalfFrame(1);
    EXPECT_EQ(a.apu.channels[1].period, 0);
    EXPECT_EQ(a.apu.channels[1].volume, 0);

    a.W(0x4001, 0x81);
    a.W(0x4002, 0xF0);
    a.W(0x4003, 0x07);  // period 2032
    a.apu.ClockHalfFrame(0);
    EXPECT_EQ(a.apu.channels[0].period, 2048);
    EXPECT_EQ(a.apu.channels[0].volume, 0);
}

TEST(Apu, TriangleControlAndLinearCounter) {
    struct Case {
        uint8_t control;
        bool sounds;
        int32_t length;
        int32_t linear;
    };
    const Case cases[] = {
        {0x80, false, 0xFFFF, 0xFFFF},  // control set, no linear count: silent
        {0xFF, true, 0xFFFF, 0xFFFF},
        {0x00, false, 12, 0},           // linear 0: silent
        {0x40, true, 12, 40},           // 64 x 80 / 128
    };
    for (const Case& k : cases) {
        ApuFixture a;
        a.W(0x4015, 0x04);
        a.W(0x4008, k.control);
        a.W(0x400A, 0x20);
        a.W(0x400B, 0x00);
        const ApuChannel& t = a.apu.channels[2];
        SCOPED_TRACE(int(k.control));
        EXPECT_EQ(t.kind, 4);
        EXPECT_EQ(t.length, k.length);
        EXPECT_EQ(t.linear, k.linear);
        EXPECT_EQ(t.period != 0, k.sounds);
        if (k.sounds) {
            EXPECT_EQ(t.period, 0x40);  // doubled
        }
        int32_t peak = 0;
        for (int i = 0; i < 400; ++i) peak = std::max(peak, std::abs(a.apu.SampleTone(2)));
        EXPECT_EQ(peak > 0, k.sounds);
    }
    // The linear counter runs out before the length counter.
    ApuFixture a;
    a.W(0x4015, 0x04);
    a.W(0x4008, 0x04);  // linear 2
    a.W(0x400A, 0x20);
    a.W(0x400B, 0x08);  // length 317
    EXPECT_EQ(a.apu.channels[2].linear, 2);
    a.apu.ClockHalfFrame(2);
    a.apu.ClockHalfFrame(2);
    EXPECT_NE(a.apu.channels[2].period, 0);
    a.apu.ClockHalfFrame(2);
    EXPECT_EQ(a.apu.channels[2].period, 0);
    EXPECT_EQ(a.apu.channels[2].state, kChannelSounding);
}

TEST(Apu, StatusAndFrameCounter) {
    ApuFixture a;
    Machine& m = a.f.m();
    m.apuFrameIrqFlag = 1;
    m.dmcIrqFlag = 1;
    EXPECT_EQ(a.apu.ReadStatus(), 0xC0);
    EXPECT_EQ(a.apu.ReadStatus(), 0x80);  // the frame flag is cleared by the read

    struct Case {
        uint8_t modeBefore, value;
        bool arms;
    };
    const Case cases[] = {{0xFF, 0x00, true}, {0x40, 0x00, true}, {0x00, 0x00, false},
                          {0xFF, 0x40, false}, {0x80, 0x3F, true}, {0xC0, 0x80, false}};
    for (const Case& k : cases) {
        m.apuFrameMode = k.modeBefore;
        m.apuFrameIrqTime = 7;
        m.cycles = 1000;
        a.apu.WriteFrameCounter(k.value);
        EXPECT_EQ(m.apuFrameIrqTime, k.arms ? 1000u + 29828 : 7u) << int(k.modeBefore) << " " << int(k.value);
        EXPECT_EQ(m.apuFrameMode, k.value);
    }
}

TEST(Apu, LevelLog) {
    ApuFixture a;
    Machine& m = a.f.m();
    m.cycles = 100;
    a.W(0x4011, 0x7F);
    m.cycles = 200;
    a.W(0x4011, 0x7F);
    ASSERT_EQ(a.apu.levelCount, 3u);
    EXPECT_EQ(a.apu.levelLog[1].level, 0);
    EXPECT_EQ(a.apu.levelLog[1].cycle, 100u);
    EXPECT_EQ(a.apu.levelLog[2].level, 0xFE);

    // Read in time order within the frame.
    a.f.console.soundOut.samplesPerFrame = 600;
    a.apu.RewindLevelLog();
    EXPECT_EQ(a.apu.SampleDmc(0, 0), 0);
    EXPECT_EQ(a.apu.SampleDmc(3, 0), 0);     // cycle 149
    EXPECT_EQ(a.apu.SampleDmc(5, 0), 0xFE);  // cycle 248

    a.apu.EndOfFrame();
    EXPECT_EQ(a.apu.levelCount, 1u);
    EXPECT_EQ(a.apu.levelLog[0].level, 0xFE);
    EXPECT_EQ(a.apu.levelLog[0].cycle, 0u);
    EXPECT_EQ(a.apu.SampleDmc(0, 0), 0xFE);  // a quiet frame holds the level

    for (int i = 0; i < 600; ++i) a.W(0x4011, static_cast<uint8_t>(i));
    EXPECT_EQ(a.apu.levelCount, kLevelLogSize);
    EXPECT_EQ(a.apu.levelLog[511].level, static_cast<uint8_t>(510 << 1));
}

TEST(Apu, SampleStartConditionsAndInterruptTime) {
    ApuFixture a;
    Machine& m = a.f.m();
    a.W(0x4010, 0x8F);  // interrupt, no loop, 54 cycles per bit
    a.W(0x4012, 0x00);
    a.W(0x4013, 0x00);
    a.W(0x4015, 0x10);
    EXPECT_EQ(a.apu.dmc.playing, 0);  // length 0 never starts
    EXPECT_EQ(a.apu.ReadStatus() & 0x10, 0);

    a.W(0x4015, 0x00);
    a.W(0x4013, 0x01);
    m.cycles = 1000;
    a.W(0x4015, 0x10);
    const SampleChannel& s = a.apu.dmc;
    EXPECT_EQ(s.playing, 1);
    EXPECT_EQ(s.cyclesPerBit, 54u);
    EXPECT_EQ(s.start, 0u);
    EXPECT_EQ(s.end, 15u);
    EXPECT_EQ(s.endTime, 1000u + 8 * 17 * 54);
    EXPECT_EQ(m.dmcIrqTime, 1000u + 8 * 17 * 54);
    EXPECT_EQ(a.apu.ReadStatus() & 0x10, 0x10);

    // Setting bit 4 again changes nothing, and a pending interrupt stays.
    m.cycles = 2000;
    a.W(0x4015, 0x1F);
    EXPECT_EQ(s.nextBitTime, 1000u);
    EXPECT_EQ(m.dmcIrqTime, 1000u + 8 * 17 * 54);

    // Once raised, such a write acknowledges it instead of re-arming the
    // past time (which would raise it after every instruction).
    m.cycles = 9000;
    m.dmcIrqFlag = 1;
    a.W(0x4015, 0x1F);
    EXPECT_EQ(m.dmcIrqTime, 0u);
    EXPECT_EQ(m.dmcIrqFlag, 0);
    EXPECT_EQ(s.playing, 1);

    // Looping samples raise none; clearing bit 4 stops and disarms.
    a.W(0x4015, 0x00);
    a.W(0x4010, 0xCF);
    a.W(0x4015, 0x10);
    EXPECT_EQ(m.dmcIrqTime, 0u);
    a.W(0x4010, 0x8F);
    a.W(0x4015, 0x00);
    a.W(0x4015, 0x10);
    EXPECT_NE(m.dmcIrqTime, 0u);
    a.W(0x4015, 0x00);
    EXPECT_EQ(m.dmcIrqTime, 0u);
    EXPECT_EQ(s.playing, 0);
    EXPECT_EQ(s.active, 0);
}

TEST(Apu, SampleBitStreamLoopsStopsAndDecays) {
    ApuFixture a;
    for (int i = 0; i < 16; ++i) *a.Rom(0xC040 + i) = 0xFF;
    a.f.console.soundOut.samplesPerFrame = 735;
    a.W(0x4010, 0x0F);  // no loop
    a.W(0x4012, 0x01);  // $C040
    a.W(0x4013, 0x01);  // 16 bytes
    a.W(0x4015, 0x10);
    a.apu.RewindLevelLog();
    std::vector<int32_t> out;
    for (uint32_t half = 0; half < 2; ++half)
        for (uint32_t j = 0; j < 367; ++j) out.push_back(a.apu.SampleDmc(j, half));
    // Each bit is +256 until the 4096 limit; bits are due every 54 cycles.
    for (uint32_t j = 0; j < 100; ++j) {
        uint32_t t = j * 29859 / 735;
        int32_t level = std::min<int32_t>(4096, 256 * static_cast<int32_t>(t / 54 + 1));
        ASSERT_EQ(out[j], level / 32) << j;
    }
    // The 128th bit (cycle 127 x 54) ends the sample; the level then falls
    // 32 a sample, and halves below 32, to the logged level 0.
    EXPECT_EQ(a.apu.dmc.playing, 0);
    size_t stop = 0;
    while (stop * 29859 / 735 < 127 * 54) ++stop;
    EXPECT_EQ(out[stop], 4096 / 32);
    EXPECT_EQ(out[stop + 1], 4064 / 32);
    EXPECT_EQ(out[stop + 2], 4032 / 32);
    EXPECT_EQ(out.back(), 0);

    // Looping: the bit stream goes on past the end.
    ApuFixture b;
    for (int i = 0; i < 16; ++i) *b.Rom(0xC000 + i) = i & 1 ? 0x00 : 0xFF;
    b.f.console.soundOut.samplesPerFrame = 735;
    b.W(0x4010, 0x4F);
    b.W(0x4013, 0x01);
    b.W(0x4015, 0x10);
    for (uint32_t j = 0; j < 367; ++j) b.apu.SampleDmc(j, 0);
    EXPECT_EQ(b.apu.dmc.playing, 1);
    EXPECT_GT(b.apu.dmc.nextBitTime, 14000u);
    // $4015 bit 4 follows the 17-byte time (7344 cycles), not the loop.
    b.apu.EndOfFrame();
    EXPECT_EQ(b.apu.dmc.active, 0);
    EXPECT_EQ(b.apu.dmc.playing, 1);
}

TEST(Apu, SampleBytesPastFFFFWrapToTheFirstWindow) {
    ApuFixture a;
    a.f.console.soundOut.samplesPerFrame = 735;
    a.W(0x4010, 0x0F);
    a.W(0x4012, 0xFF);  // $FFC0, 64 bytes of $00 before the end of the space
    a.W(0x4013, 0x08);  // 128 bytes: the second half comes from $8000 ($FF)
    a.W(0x4015, 0x10);
    int32_t lowest = 0, last = 0;
    for (uint32_t half = 0; half < 2; ++half)
        for (uint32_t j = 0; j < 367; ++j) {
            last = a.apu.SampleDmc(j, half);
            lowest = std::min(lowest, last);
        }
    a.apu.EndOfFrame();
    for (uint32_t j = 0; j < 367; ++j) last = a.apu.SampleDmc(j, 0);
    EXPECT_EQ(lowest, -4096 / 32);
    EXPECT_EQ(last, 4096 / 32);
    for (uint32_t j = 0; j < 367; ++j) a.apu.SampleDmc(j, 1);
    EXPECT_EQ(a.apu.dmc.playing, 0);
    EXPECT_EQ(a.apu.dmc.address, 0x3FC0u + 128);
}

TEST(Apu, NoiseShortSequenceRepeatsAndHolds) {
    ApuFixture a;
    a.f.console.soundOut.samplesPerFrame = 735;
    a.W(0x4015, 0x08);
    a.W(0x400C, 0x3F);
    a.W(0x400E, 0x84);  // short mode, index 4: a value every 2 samples
    a.W(0x400F, 0x08);
    std::vector<int32_t> out;
    for (int i = 0; i < 600; ++i) out.push_back(a.apu.SampleNoise());
    for (int i = 0; i + 148 < 600; ++i) ASSERT_EQ(out[i], out[i + 148]) << i;
    for (int i = 0; i + 1 < 600; i += 2) ASSERT_EQ(out[i], out[i + 1]) << i;
    // Sequence entry 1 at amplitude 8/14, fixed volume 15.
    EXPECT_EQ(out[0], ((-24089 * 16 / 28) / 128 * 255) >> 8);

    a.W(0x400E, 0x0F);  // long mode, index 15: held about 93 samples
    a.apu.SampleNoise();
    std::vector<int32_t> longOut;
    for (int i = 0; i < 2000; ++i) longOut.push_back(a.apu.SampleNoise());
    int changes = 0;
    for (size_t i = 1; i < longOut.size(); ++i) changes += longOut[i] != longOut[i - 1];
    EXPECT_LE(changes, 2000 / 93 + 1);
    EXPECT_GE(changes, 10);
    for (int32_t v : longOut) EXPECT_LE(std::abs(v), 128);

    a.W(0x4015, 0x00);
    EXPECT_EQ(a.apu.SampleNoise(), 0);
}

TEST(ApuState, RoundTripKeepsSignsAndRepairsBadFields) {
    ApuFixture a;
    a.W(0x4015, 0x0E);          // square 1 disabled (-1)
    a.W(0x4005, 0x89);          // sweep down (-28)
    a.W(0x4004, 0x9F);
    a.W(0x4007, 0x10);
    a.apu.channelMask = 0x15;
    a.apu.dmc.level = -300;
    MemoryStream out;
    for (const TaggedTable& t : a.apu.StateTables()) ASSERT_EQ(WriteChunk(out, t.table, t.tag), 0);
    ASSERT_EQ(WriteEndChunk(out), 0);
    EXPECT_EQ(PayloadSize(a.apu.StateTables()[0].table), 4u + 4 * 52);
    EXPECT_EQ(PayloadSize(a.apu.StateTables()[1].table), 43u);

    ApuFixture b;
    MemoryStream in(out.Data());
    b.apu.Reset();
    ASSERT_TRUE(ReadTables(in, 0, b.apu.StateTables()));
    b.apu.AfterStateLoad();
    EXPECT_EQ(b.apu.channels[0].state, kChannelDisabled);
    EXPECT_EQ(b.apu.channels[1].sweepDelta, -28);
    EXPECT_EQ(b.apu.channels[1].state, kChannelSounding);
    EXPECT_EQ(b.apu.channels[1].length, 24);
    EXPECT_EQ(b.apu.channelMask, 0x15);
    EXPECT_EQ(b.apu.lastStatus, 0x0E);
    EXPECT_EQ(b.apu.dmc.level, -300);

    // Fields a broken or hostile file can hold.
    ApuFixture bad;
    bad.apu.channels[0].kind = 0xC7;
    bad.apu.channels[3].period = 0x1234;
    bad.apu.dmc.playing = 1;
    bad.apu.dmc.cyclesPerBit = 0;
    bad.apu.dmc.control = 0x4F;
    bad.apu.dmc.bitIndex = 99;
    MemoryStream badOut;
    for (const TaggedTable& t : bad.apu.StateTables()) ASSERT_EQ(WriteChunk(badOut, t.table, t.tag), 0);
    ASSERT_EQ(WriteEndChunk(badOut), 0);
    ApuFixture c;
    MemoryStream badIn(badOut.Data());
    ASSERT_TRUE(ReadTables(badIn, 0, c.apu.StateTables()));
    c.apu.AfterStateLoad();
    EXPECT_LE(c.apu.channels[0].kind, 4);
    EXPECT_LT(c.apu.channels[3].period, 16);
    EXPECT_EQ(c.apu.dmc.cyclesPerBit, 54u);
    EXPECT_LT(c.apu.dmc.bitIndex, 8u);
    c.f.console.soundOut.samplesPerFrame = 735;
    for (uint32_t j = 0; j < 367; ++j) c.apu.SampleDmc(j, 1);  // finishes: bits advance
    EXPECT_GT(c.apu.dmc.nextBitTime, 29000u);
    c.W(0x4015, 0x0F);
    c.W(0x400C, 0x30);
    c.W(0x400F, 0x00);
    c.apu.channels[3].period = 0x1234;
    c.apu.AfterStateLoad();
    c.apu.SampleNoise();  // indexes its tables by the repaired period

    // Reset: tables to defaults, then silence.
    c.apu.Reset();
    EXPECT_EQ(c.apu.channelMask, 0x3F);
    EXPECT_EQ(c.apu.lastStatus, 0);
    EXPECT_EQ(c.apu.channels[0].sweepPeriod, 0x7FFFu);
    EXPECT_EQ(c.apu.channels[3].state, kChannelSilent);
    EXPECT_EQ(c.apu.levelCount, 1u);
}

}  // namespace
}  // namespace korvanta
