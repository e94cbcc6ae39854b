// The mixer and the wave output: samples per frame from the clock, the
// output bytes, the filter, the board hooks, the buffer ring and the device
// faults it must survive.
#include <gtest/gtest.h>

#include "test_support.h"

namespace korvanta {
namespace {

using test::FlatConsole;
using test::ProgramAt8000;

// A board with sound that adds a constant and counts its calls.
struct SoundBoard : Mapper {
    SoundBoard(Console& console, int32_t value, uint32_t ticks) : Mapper(console, MapperConfig{}), value(value) {
        hasExpansionSound = 1;
        soundTicksPerHalfFrame = ticks;
    }
    bool MixSample(int32_t* acc, int, int) override {
        ++mixes;
        *acc += value;
        return true;
    }
    void SoundTick() override { ++ticks; }
    int32_t value;
    int mixes = 0, ticks = 0;
};

struct MixerFixture {
    FlatConsole f{ProgramAt8000({})};
    HeadlessHost& host = f.host;
    Console& c = f.console;
    SoundOut& sound = f.console.soundOut;

    explicit MixerFixture(int32_t rate = 44100, int32_t bufferSize = 16, bool withDevice = true) {
        if (withDevice) host.waveOutput = std::make_unique<HeadlessWaveOutput>();
        SoundSettings s;
        s.samplingRate = rate;
        s.bufferSize = bufferSize;
        sound.SetSettings(s);
    }
    HeadlessWaveOutput& device() { return *host.waveOutput; }
    // One tick of `frames` frames, `ms` after the last; returns the bytes played.
    std::vector<uint8_t> Tick(uint32_t ms, int frames = 1) {
        size_t before = host.waveOutput ? device().played.size() : 0;
        host.clock += ms;
        sound.TickRunning(frames);
        for (int i = 0; i < frames; ++i) sound.MixFrame();
        sound.Submit();
        if (!host.waveOutput) return {};
        return {device().played.begin() + static_cast<std::ptrdiff_t>(before), device().played.end()};
    }
};

TEST(Mixer, OpenFormatVolumeAndClose) {
    MixerFixture x;
    x.device().volume = 0x12345678;
    SoundSettings s = x.sound.Settings();
    s.mmVolume = 0x40;
    x.sound.SetSettings(s);
    ASSERT_EQ(x.sound.Open(), 0);
    EXPECT_EQ(x.sound.Open(), 0);  // already open
    EXPECT_EQ(x.device().openCount, 1);
    EXPECT_EQ(x.device().format.rate, 44100u);
    EXPECT_EQ(x.device().format.channels, 1);
    EXPECT_EQ(x.device().format.bitsPerSample, 8);
    EXPECT_EQ(x.device().volume, 0x40004000u);
    EXPECT_EQ(x.device().prepared, kWaveBufferCount);
    x.sound.Close();
    EXPECT_FALSE(x.sound.IsOpen());
    EXPECT_FALSE(x.device().isOpen);
    EXPECT_EQ(x.device().prepared, 0);
    EXPECT_EQ(x.device().volume, 0x12345678u);

    MixerFixture none(44100, 16, false);
    EXPECT_EQ(none.sound.Open(), -1);
    MixerFixture refused;
    refused.device().refuseOpen = true;
    EXPECT_EQ(refused.sound.Open(), -1);
    EXPECT_FALSE(refused.sound.IsOpen());
}

TEST(Mixer, SamplesPerFrameFollowTheClock) {
    struct Case {
        int32_t rate, bufferSize;
        uint32_t ms;
        int frames;
        uint32_t n;
        size_t written;
    };
    const Case cases[] = {
        {22050, 16, 16, 1, 352, 352},
        {22050, 16, 17, 1, 374, 374},
        {44100, 16, 50, 3, 735, 3 * 734},   // odd N writes N - 1 per frame
        {44100, 16, 500, 1, 7056, 7056},    // capped at one buffer
        {44100, 16, 200, 4, 1764, 4 * 1764},
        {8000, 1, 1000, 2, 40, 80},
    };
    for (const Case& k : cases) {
        MixerFixture x(k.rate, k.bufferSize);
        ASSERT_EQ(x.sound.Open(), 0);
        auto played = x.Tick(k.ms, k.frames);
        EXPECT_EQ(x.sound.samplesPerFrame, k.n) << k.rate << " " << k.ms;
        EXPECT_EQ(played.size(), k.written) << k.rate << " " << k.ms;
    }
    // Stopped: N from the frame count, and nothing is played.
    MixerFixture x(44100, 16);
    ASSERT_EQ(x.sound.Open(), 0);
    x.sound.TickStopped(3);
    EXPECT_EQ(x.sound.samplesPerFrame, 3u * 44100 / 60);
    x.sound.TickStopped(12);  // 8820 would exceed the 7056-byte buffer
    EXPECT_EQ(x.sound.samplesPerFrame, 7056u / 12);
}

TEST(Mixer, SettingsOutsideTheDialogRangesAreClamped) {
    struct Case {
        int32_t rate, bufferSize, volume;
        uint32_t usedRate, bufferBytes;
        uint32_t volumeWord;
    };
    const Case cases[] = {
        {0, 0, -5, 8000, 80, 0},
        {1000000, 1000, 999, 44100, 44100, 255 * 256},
        {11025, 16, 127, 11025, 1764, 127 * 256},
    };
    for (const Case& k : cases) {
        MixerFixture x;
        SoundSettings s;
        s.samplingRate = k.rate;
        s.bufferSize = k.bufferSize;
        s.mmVolume = k.volume;
        x.sound.SetSettings(s);
        ASSERT_EQ(x.sound.Open(), 0);
        EXPECT_EQ(x.sound.rate, k.usedRate);
        EXPECT_EQ(x.device().volume, k.volumeWord | k.volumeWord << 16);
        x.Tick(5000);
        EXPECT_EQ(x.sound.samplesPerFrame, k.bufferBytes);
        EXPECT_EQ(x.sound.PhaseStep(440), static_cast<uint16_t>((440u << 16) / k.usedRate));
    }
    MixerFixture x;
    EXPECT_EQ(x.sound.PhaseStep(0), 0);
    x.sound.TickRunning(0);  // no division by a zero frame count
    x.sound.TickStopped(0);
}

TEST(Mixer, OutputBytesOfASquareAndTheMask) {
    MixerFixture x;
    ASSERT_EQ(x.sound.Open(), 0);
    Apu& apu = x.c.apu;
    apu.WriteRegister(0x4015, 0x01);
    apu.WriteRegister(0x4000, 0xBF);
    apu.WriteRegister(0x4002, 0xFD);
    apu.WriteRegister(0x4003, 0x00);
    auto played = x.Tick(50, 3);
    ASSERT_EQ(played.size(), 3u * 734);
    // -64 and +95 through out / 4 + 128.
    EXPECT_EQ(*std::min_element(played.begin(), played.end()), 128 - 16);
    EXPECT_EQ(*std::max_element(played.begin(), played.end()), 128 + 23);

    apu.channelMask = 0x3E;  // square 1 off in the dialog
    played = x.Tick(50, 3);
    EXPECT_TRUE(std::all_of(played.begin(), played.end(), [](uint8_t b) { return b == 128; }));
    apu.channelMask = 0x3F;
    apu.WriteRegister(0x4015, 0x00);  // and off through $4015
    played = x.Tick(50, 3);
    EXPECT_TRUE(std::all_of(played.begin(), played.end(), [](uint8_t b) { return b == 128; }));
}

TEST(Mixer, FilterConvergesAndOutputIsLimited) {
    struct Case {
        uint8_t noReverb;
        int32_t value;
        uint8_t first, settled;
    };
    const Case cases[] = {
        {1, 200, 178, 178},
        {0, 200, 144, 177},   // 200 / 3 = 66 -> 144; converges to about 200
        {1, 1000, 255, 255},
        {1, -1000, 0, 0},
    };
    for (const Case& k : cases) {
        MixerFixture x;
        SoundSettings s = x.sound.Settings();
        s.noReverb = k.noReverb;
        x.sound.SetSettings(s);
        auto* board = new SoundBoard(x.c, k.value, 0);
        x.c.mapper.reset(board);
        ASSERT_EQ(x.sound.Open(), 0);
        auto played = x.Tick(50, 3);
        EXPECT_EQ(played.front(), k.first) << k.value;
        EXPECT_NEAR(played.back(), k.settled, 1) << k.value;
    }
}

TEST(Mixer, BoardTicksAtTheSameRateWhateverTheMask) {
    for (uint8_t mask : {0x3F, 0x1F}) {
        for (bool device : {true, false}) {
            MixerFixture x(44100, 16, device);
            auto* board = new SoundBoard(x.c, 10, 7);
            x.c.mapper.reset(board);
            x.c.apu.channelMask = mask;
            if (device) {
                ASSERT_EQ(x.sound.Open(), 0);
            }
            x.Tick(50, 3);
            EXPECT_EQ(board->ticks, 3 * 2 * 7) << int(mask) << device;
            EXPECT_EQ(board->mixes, device && (mask & 0x20) ? 3 * 734 : 0) << int(mask) << device;
        }
    }
    // Even a frame with no samples gives the board its ticks.
    MixerFixture x;
    auto* board = new SoundBoard(x.c, 10, 5);
    x.c.mapper.reset(board);
    ASSERT_EQ(x.sound.Open(), 0);
    x.Tick(0, 1);
    EXPECT_EQ(board->ticks, 10);
}

TEST(Mixer, ADrainedRingAsksForMoreSamples) {
    // The headless device plays at once, so after every submit all twelve
    // buffers are free: each next tick covers N / 2 more milliseconds.
    MixerFixture x(44100, 16);
    ASSERT_EQ(x.sound.Open(), 0);
    x.Tick(2, 1);
    EXPECT_EQ(x.sound.samplesPerFrame, 88u);
    x.Tick(2, 1);
    EXPECT_EQ(x.sound.samplesPerFrame, (2u + 88 / 2) * 44100 / 1000);

    // With a buffer still queued there is no correction (the first submit
    // finds the ring all free).
    MixerFixture held(44100, 16);
    ASSERT_EQ(held.sound.Open(), 0);
    held.device().holdBuffers = true;
    held.Tick(2, 1);
    held.Tick(2, 1);
    EXPECT_EQ(held.sound.samplesPerFrame, 2028u);
    held.Tick(2, 1);
    EXPECT_EQ(held.sound.samplesPerFrame, 88u);
}

TEST(Mixer, DeviceFaultsDoNotStallTheFrame) {
    // Refused writes: the buffers stay free, so mixing never waits for them.
    MixerFixture refused;
    ASSERT_EQ(refused.sound.Open(), 0);
    refused.device().refuseWrites = true;
    for (int i = 0; i < 30; ++i) refused.Tick(16, 1);
    EXPECT_EQ(refused.host.clock, 30u * 16);

    // A device that never returns its buffers: once the ring is used up the
    // wait is bounded, the device is reset, and mixing goes on.
    MixerFixture stalled;
    ASSERT_EQ(stalled.sound.Open(), 0);
    stalled.device().holdBuffers = true;
    for (int i = 0; i < kWaveBufferCount; ++i) stalled.Tick(16, 1);
    uint32_t before = stalled.host.clock;
    size_t playedBefore = stalled.device().played.size();
    stalled.Tick(16, 1);
    uint32_t waited = stalled.host.clock - before - 16;
    EXPECT_GE(waited, 1000u);
    EXPECT_LE(waited, 1001u);
    EXPECT_GT(stalled.device().played.size(), playedBefore);

    // Mixing more frames than the tick planned stays inside the buffer.
    MixerFixture extra;
    ASSERT_EQ(extra.sound.Open(), 0);
    extra.host.clock += 50;
    extra.sound.TickRunning(1);
    for (int i = 0; i < 20; ++i) extra.sound.MixFrame();
    extra.sound.Submit();
    EXPECT_EQ(extra.device().played.size(), 7056u);
}

TEST(Mixer, WithoutADeviceTheUnitIsClockedTheSame) {
    auto run = [](bool device) {
        MixerFixture x(44100, 16, device);
        if (device) {
            EXPECT_EQ(x.sound.Open(), 0);
        }
        Apu& apu = x.c.apu;
        apu.WriteRegister(0x4015, 0x0F);
        apu.WriteRegister(0x4000, 0x1F);  // counting, fixed volume
        apu.WriteRegister(0x4003, 0x18);  // length index 3: 2 half-frames
        apu.WriteRegister(0x4004, 0x05);  // envelope decays
        apu.WriteRegister(0x4005, 0xA1);
        apu.WriteRegister(0x4006, 0x80);
        apu.WriteRegister(0x4007, 0x08);
        apu.WriteRegister(0x4011, 0x40);
        std::vector<uint32_t> trace;
        for (int frame = 0; frame < 8; ++frame) {
            x.Tick(50, 3);
            for (const ApuChannel& c : apu.channels) {
                trace.push_back(static_cast<uint32_t>(c.state));
                trace.push_back(c.volume);
                trace.push_back(static_cast<uint32_t>(c.period));
                trace.push_back(static_cast<uint32_t>(c.length));
            }
            trace.push_back(apu.ReadStatus());
            trace.push_back(apu.levelLog[0].level);
        }
        return trace;
    };
    EXPECT_EQ(run(true), run(false));
}

}  // namespace
}  // namespace korvanta
