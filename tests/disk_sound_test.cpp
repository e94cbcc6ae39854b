// The Disk System's sound channel: the pitch heard in the mixed output, the
// register effects, the envelope, the sweep and the modulation.
#include <gtest/gtest.h>

#include <cmath>

#include "disk_fixture.h"

namespace korvanta::test {
namespace {

struct Channel {
    HeadlessHost host;
    Console console{host};
    DiskSound sound{console.soundOut};
    void Write(uint16_t address, uint8_t value) { sound.Write(address, value); }
    void SetFrequency(int f) {
        Write(0x4082, static_cast<uint8_t>(f));
        Write(0x4083, static_cast<uint8_t>(f >> 8));
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) sound.Tick(128);
    }
};

// Counts rising crossings of the mid level in the mixed output of a square
// wave and compares the pitch with frequency x 27 / 64.
TEST(DiskSound, PitchOfASquareWaveInTheMixedOutput) {
    for (int frequency : {1043, 2427, 300}) {
        DiskConsole d;
        ASSERT_TRUE(d.Load(MakeDiskImage(1)));
        d.host.waveOutput = std::make_unique<HeadlessWaveOutput>();
        SoundSettings settings;
        settings.samplingRate = 44100;
        settings.bufferSize = 16;
        d.console.soundOut.SetSettings(settings);
        ASSERT_EQ(d.console.soundOut.Open(), 0);
        for (int i = 0; i < 64; ++i) d.Write(static_cast<uint16_t>(0x4040 + i), i < 32 ? 63 : 0);
        d.Write(0x4080, 0xBF);
        d.Write(0x4082, static_cast<uint8_t>(frequency));
        d.Write(0x4083, static_cast<uint8_t>(frequency >> 8));
        for (int frame = 0; frame < 120; ++frame) {
            d.host.clock += frame % 3 == 2 ? 16 : 17;
            d.console.soundOut.TickRunning(1);
            d.console.soundOut.MixFrame();
            d.console.soundOut.Submit();
        }
        const std::vector<uint8_t>& out = d.host.waveOutput->played;
        ASSERT_GT(out.size(), 80000u);
        auto [low, high] = std::minmax_element(out.begin(), out.end());
        EXPECT_GT(*high - *low, 50) << frequency;
        int mid = (*low + *high) / 2;
        int rises = 0;
        for (size_t i = 1; i < out.size(); ++i) rises += out[i - 1] < mid && out[i] >= mid;
        double heard = rises * 44100.0 / static_cast<double>(out.size());
        double expected = frequency * 27 / 64;
        EXPECT_NEAR(heard, expected, expected * 0.01 + 1) << frequency;
    }
}

TEST(DiskSound, DecayTable) {
    Channel c;
    const std::pair<int, uint32_t> expected[] = {{0, 52795}, {1, 58821}, {2, 60979}, {3, 62088}, {62, 65311}, {63, 65315}};
    for (auto [k, value] : expected) EXPECT_EQ(c.sound.decayTable[k], value) << k;
}

TEST(DiskSound, RegisterEffects) {
    Channel c;
    c.Write(0x4082, 0xFF);
    c.Write(0x4083, 0xFF);
    EXPECT_EQ(c.sound.frequency, 4095);
    EXPECT_EQ(c.sound.playingFrequency, 4095);
    EXPECT_EQ(c.sound.step, c.console.soundOut.PhaseStep(4095 * 27 / 64));

    c.Write(0x4080, 0xBF);
    EXPECT_EQ(c.sound.volume, 16380);
    c.Write(0x4080, 0x3F);  // bit 7 clear: the volume stays
    EXPECT_EQ(c.sound.volume, 16380);

    c.SetFrequency(100);
    c.Write(0x4085, 0x5F);
    EXPECT_EQ(c.sound.biasedFrequency, 100 + ((95 * 100) >> 5));
    c.Write(0x4085, 0x60);
    EXPECT_EQ(c.sound.biasedFrequency, 0);
    c.Write(0x4085, 0x7F);
    EXPECT_EQ(c.sound.biasedFrequency, 100 - (100 >> 5));

    c.Write(0x4086, 255);
    EXPECT_EQ(c.sound.modPeriod, 0u);
    c.Write(0x4086, 1);
    EXPECT_EQ(c.sound.modPeriod, 127u);
    c.Write(0x4086, 0);
    EXPECT_EQ(c.sound.modPeriod, 0u);

    for (int i = 0; i < 33; ++i) c.Write(0x4088, static_cast<uint8_t>(i == 32 ? 0x0D : i & 7));
    EXPECT_EQ(c.sound.modTable[0], -3);
    EXPECT_EQ(c.sound.modTable[3], 3);
    EXPECT_EQ(c.sound.modTable[4], -4);
    EXPECT_EQ(c.sound.modTable[7], -1);
    EXPECT_EQ(c.sound.modIndex, 1u);
    c.Write(0x4087, 0x80);
    EXPECT_EQ(c.sound.modIndex, 0u);

    c.Write(0x4084, 0xBF);
    EXPECT_EQ(c.sound.sweepPeriod, 10u);
    c.Write(0x4084, 0x81);
    EXPECT_EQ(c.sound.sweepPeriod, 630u);
    c.Write(0x4084, 0xC0);
    EXPECT_EQ(c.sound.sweepPeriod, 0u);

    c.Write(0x4047, 0xC5);
    EXPECT_EQ(c.sound.ReadWave(0x4047), 0xC5);
    c.Write(0x4089, 0x80);  // no write protection
    c.Write(0x4048, 0x12);
    EXPECT_EQ(c.sound.ReadWave(0x4048), 0x12);
}

TEST(DiskSound, EnvelopeActsOncePerHalfFrame) {
    Channel c;
    c.SetFrequency(500);
    c.Write(0x4080, 0x40);
    c.Write(0x408A, 0x80);
    c.Ticks(127);
    EXPECT_EQ(c.sound.volume, 0);
    c.Ticks(1);
    EXPECT_EQ(c.sound.volume, 0x4000);

    c.Write(0x4080, 0x80 | 5);  // level 5, then decay at rate 5
    c.Write(0x4080, 0x05);
    uint16_t v = c.sound.volume;
    c.Ticks(128);
    EXPECT_EQ(c.sound.volume, (v * c.sound.decayTable[5]) >> 16);

    // Without bit 7 of $408A the envelope stands still.
    c.Write(0x408A, 0x00);
    v = c.sound.volume;
    c.Ticks(256);
    EXPECT_EQ(c.sound.volume, v);
}

TEST(DiskSound, SweepAndModulation) {
    Channel c;
    c.SetFrequency(1000);
    c.Write(0x4085, 0x40);  // biased 3000
    // A jump towards the biased frequency, heard after the period.
    c.Write(0x4084, 0x80 | 63);
    EXPECT_EQ(c.sound.sweepTarget, 1000 + (2000 / 63) * 63);
    EXPECT_EQ(c.sound.playingFrequency, 1000);
    c.Ticks(9);
    EXPECT_EQ(c.sound.playingFrequency, 1000);
    c.Ticks(1);
    EXPECT_EQ(c.sound.playingFrequency, 2953);
    EXPECT_EQ(c.sound.sweepPeriod, 0u);

    // Down to half the biased frequency, one step per two ticks.
    c.Write(0x4084, 0x42);
    EXPECT_EQ(c.sound.sweepTarget, 1500);
    EXPECT_EQ(c.sound.sweepDirection, -1);
    c.Ticks(2 * (2953 - 1500));
    EXPECT_EQ(c.sound.playingFrequency, 1500);
    EXPECT_EQ(c.sound.sweepDirection, 0);

    // Upwards past 4095 the frequency wraps to 0, which silences the
    // channel and stops its updates.
    c.Write(0x4084, 0x80 | 63);  // current 2953 again
    c.Ticks(10);
    c.Write(0x4085, 0x00);
    c.Write(0x4084, 0x01);
    EXPECT_EQ(c.sound.sweepTarget, 1000);
    c.Ticks(4096 - 2953);
    EXPECT_EQ(c.sound.playingFrequency, 0);
    uint32_t counter = c.sound.sweepCounter;
    c.Ticks(50);
    EXPECT_EQ(c.sound.sweepCounter, counter);

    // Counted modulation steps the current frequency only.
    c.SetFrequency(2000);
    c.Write(0x4084, 0x00);  // the sweep ends: already at the frequency
    EXPECT_EQ(c.sound.sweepPeriod, 0u);
    for (int i = 0; i < 32; ++i) c.Write(0x4088, 0x07);  // -1 each
    c.Write(0x4086, 252);  // period 2
    c.Write(0x4087, 0x00);
    c.Ticks(6);
    EXPECT_EQ(c.sound.currentFrequency, 2000 - 3 * 4);
    EXPECT_EQ(c.sound.playingFrequency, 2000);
    // Bit 7 stops it; a nonzero rate field steps at every tick.
    c.Write(0x4087, 0x80);
    c.Ticks(6);
    EXPECT_EQ(c.sound.currentFrequency, 2000 - 3 * 4);
    c.Write(0x4087, 0x01);
    c.Ticks(5);
    EXPECT_EQ(c.sound.currentFrequency, 2000 - 8 * 4);
}

TEST(DiskSound, MutedChannelStandsStill) {
    Channel c;
    for (int i = 0; i < 64; ++i) c.Write(static_cast<uint16_t>(0x4040 + i), 63);
    c.Write(0x4080, 0xBF);
    int32_t acc = 0;
    c.sound.Mix(&acc);
    EXPECT_EQ(acc, 0);  // no frequency yet: silent
    c.SetFrequency(1000);
    c.sound.Mix(&acc);
    EXPECT_EQ(acc, (255 * (31 * 4)) >> 8);
    uint16_t phase = c.sound.phase;
    c.Write(0x4089, 0x80);
    acc = 0;
    c.sound.Mix(&acc);
    c.Write(0x408A, 0x80);
    c.Write(0x4080, 0x40);
    c.Ticks(300);
    EXPECT_EQ(acc, 0);
    EXPECT_EQ(c.sound.phase, phase);
    EXPECT_EQ(c.sound.volume, 16380);
    // The lowest wave step gives the most negative value.
    c.Write(0x4089, 0x00);
    for (int i = 0; i < 64; ++i) c.Write(static_cast<uint16_t>(0x4040 + i), 0x40);
    acc = 0;
    c.sound.Mix(&acc);
    EXPECT_EQ(acc, -128);
}

}  // namespace
}  // namespace korvanta::test
