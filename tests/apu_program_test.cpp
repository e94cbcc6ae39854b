// The sound test program (asm/sound_test.s) run on the CPU: its recording
// analysed for pitch, length and the sample loop; the frame interrupt timed;
// and a run without a sound device compared with one with it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>

#include "platform/headless/wave_capture.h"
#include "test_support.h"

namespace korvanta {
namespace {

constexpr uint32_t kSamplesPerFrame = 734;  // N = 735 at 44100 Hz: 2 x 367 written
constexpr uint32_t kHalf = 367;
constexpr uint16_t kStepAddress = 0x300;
constexpr uint16_t kIrqCountAddress = 0x301;

std::vector<uint8_t> ProgramPrg() {
    std::vector<uint8_t> image = test::ReadFileBytes(test::BuildRom("sound_test.nes"));
    if (image.size() < 16 + 0x8000) return {};
    return {image.begin() + 16, image.begin() + 16 + 0x8000};
}

struct ProgramRun {
    test::FlatConsole f;
    std::unique_ptr<WaveCapture> capture;
    std::vector<uint8_t> stepOfFrame;  // the program's step at the end of each frame

    ProgramRun(std::vector<uint8_t> prg, bool withSound) : f(std::move(prg)) {
        if (withSound) capture = std::make_unique<WaveCapture>(f.console, f.host, 44100);
        f.console.SoftReset();
    }
    // What the frame driver does after the CPU's frame.
    void EndFrame() {
        f.console.soundOut.MixFrame();
        if (capture) capture->AfterFrame();
        stepOfFrame.push_back(f.m().ram[kStepAddress]);
    }
    void RunFrame() {
        if (capture) capture->BeforeFrame();
        f.console.cpu.Run(RunMode::RunToFrameEnd);
        EndFrame();
    }
    const std::vector<uint8_t>& Played() const { return capture->Device().played; }
    // First frame and frame count of a step.
    std::pair<size_t, size_t> Frames(uint8_t step) const {
        size_t first = 0;
        while (first < stepOfFrame.size() && stepOfFrame[first] != step) ++first;
        size_t last = first;
        while (last < stepOfFrame.size() && stepOfFrame[last] == step) ++last;
        return {first, last - first};
    }
};

// Rising crossings of the middle level with a little hysteresis; the tone's
// frequency from the first to the last one.
double MeasureHz(const std::vector<uint8_t>& s, size_t begin, size_t end) {
    std::vector<size_t> rises;
    bool high = s[begin] > 128;
    for (size_t i = begin; i < end; ++i) {
        if (!high && s[i] > 129) {
            high = true;
            rises.push_back(i);
        } else if (high && s[i] < 127) {
            high = false;
        }
    }
    if (rises.size() < 3) return 0;
    return 44100.0 * static_cast<double>(rises.size() - 1) / static_cast<double>(rises.back() - rises.front());
}

class SoundProgram : public testing::Test {
protected:
    void SetUp() override {
        prg_ = ProgramPrg();
        if (prg_.empty()) GTEST_SKIP() << "sound_test.nes was not assembled";
    }
    std::vector<uint8_t> prg_;
};

// The sample interrupt acknowledged from its handler. Writing $1F again
// leaves the sample alone and must not re-arm the past interrupt time (an
// interrupt after every instruction); stopping and restarting re-arms it.
// Each sample end is taken twice: the request latch is set again by the
// instruction before the acknowledging write.
TEST(SampleInterrupt, HandlerWritesDoNotRaiseItAgain) {
    struct Case {
        std::vector<uint8_t> acknowledge;
        int minCount, maxCount;
    };
    const Case cases[] = {
        {{0xA9, 0x1F, 0x8D, 0x15, 0x40}, 2, 2},                                // LDA #$1F; STA $4015
        {{0xA9, 0x0F, 0x8D, 0x15, 0x40, 0xA9, 0x1F, 0x8D, 0x15, 0x40}, 22, 26},  // stop, then restart
    };
    for (const Case& k : cases) {
        std::vector<uint8_t> prg = test::ProgramAt8000({
            0xA9, 0x8F, 0x8D, 0x10, 0x40,  // interrupt, no loop, 54 cycles a bit
            0xA9, 0x01, 0x8D, 0x13, 0x40,  // 17 bytes: 7344 cycles
            0xA9, 0x1F, 0x8D, 0x15, 0x40,
            0x58,                          // CLI
            0x4C, 0x10, 0x80,              // JMP *
        });
        std::vector<uint8_t> handler = {0xE6, 0x10, 0xD0, 0x02, 0xE6, 0x11};  // a 16-bit count at $10
        handler.reserve(handler.size() + k.acknowledge.size() + 1);
        handler.insert(handler.end(), k.acknowledge.begin(), k.acknowledge.end());
        handler.push_back(0x40);  // RTI
        std::copy(handler.begin(), handler.end(), prg.begin() + 0x100);
        prg[0x7FFE] = 0x00;
        prg[0x7FFF] = 0x81;
        test::FlatConsole f(prg);
        f.console.SoftReset();
        for (int frame = 0; frame < 3; ++frame) {
            f.console.cpu.Run(RunMode::RunToFrameEnd);
            f.console.soundOut.MixFrame();
        }
        int count = f.m().ram[0x10] | f.m().ram[0x11] << 8;
        EXPECT_GE(count, k.minCount) << k.acknowledge.size();
        EXPECT_LE(count, k.maxCount) << k.acknowledge.size();
    }
}

TEST_F(SoundProgram, TonesSampleSweepAndLengthsInTheRecording) {
    ProgramRun run(prg_, true);
    ASSERT_TRUE(run.capture->IsOpen());
    for (int i = 0; i < 260; ++i) run.RunFrame();
    std::string path = testing::TempDir() + "sound_test.wav";
    ASSERT_TRUE(run.capture->Finish(path));
    const std::vector<uint8_t>& s = run.Played();
    ASSERT_EQ(s.size(), run.stepOfFrame.size() * kSamplesPerFrame);

    // The recording as the runner writes it.
    std::vector<uint8_t> wav = test::ReadFileBytes(path);
    std::remove(path.c_str());
    ASSERT_EQ(wav.size(), 44 + s.size() + (s.size() & 1));
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(wav[24] | wav[25] << 8 | wav[26] << 16, 44100);
    EXPECT_EQ(wav[34], 8);
    EXPECT_TRUE(std::equal(s.begin(), s.end(), wav.begin() + 44));

    // Steady tones: 111861 / (P + 1) Hz, the triangle's period doubled.
    struct Tone {
        uint8_t step;
        double hz;
    };
    const Tone tones[] = {
        {1, 111861.0 / 254},                        // square 1, P = 253
        {2, 111861.0 / 381},                        // square 2, P = 380
        {3, 111861.0 / 401},                        // triangle, P = 200
        {6, 60.0 * 29859 / 1728},  // sample: 4 bytes of 8 bits at 54 cycles, 29859 a frame
    };
    for (const Tone& t : tones) {
        auto [first, count] = run.Frames(t.step);
        ASSERT_GE(count, 20u) << int(t.step);
        double hz = MeasureHz(s, (first + 2) * kSamplesPerFrame, (first + count - 1) * kSamplesPerFrame);
        EXPECT_NEAR(hz, t.hz, t.hz * 0.01) << "step " << int(t.step);
    }

    // Noise: sounding; the short mode repeats every 74 values of 2 samples.
    {
        auto [first, count] = run.Frames(4);
        size_t begin = (first + 1) * kSamplesPerFrame, end = (first + count) * kSamplesPerFrame;
        size_t loud = std::count_if(s.begin() + begin, s.begin() + end, [](uint8_t v) { return v != 128; });
        EXPECT_GT(loud, (end - begin) / 2);
        std::tie(first, count) = run.Frames(5);
        begin = (first + 1) * kSamplesPerFrame;
        for (size_t i = begin; i < begin + 2000; ++i) ASSERT_EQ(s[i], s[i + 148]) << i;
    }

    // Sweep: the period grows by 56 every third half-frame, from 100.
    {
        auto [first, count] = run.Frames(7);
        for (int k = 0; k < 5; ++k) {
            size_t begin = first * kSamplesPerFrame + 3 * k * kHalf;
            double expected = 111861.0 / (100 + 56 * k + 1);
            EXPECT_NEAR(MeasureHz(s, begin, begin + 3 * kHalf), expected, expected * 0.01) << k;
        }
    }

    // Length counters: the note sounds from the step's first sample for
    // length + 1 half-frames, then stops.
    for (auto [step, length] : {std::pair<uint8_t, uint32_t>{8, 12}, {9, 9}}) {
        auto [first, count] = run.Frames(step);
        size_t begin = first * kSamplesPerFrame;
        size_t sounding = 0;
        while (s[begin + sounding] != 128) ++sounding;
        EXPECT_EQ(sounding, (length + 1) * kHalf) << int(step);
        size_t end = (first + count) * kSamplesPerFrame;
        EXPECT_TRUE(std::all_of(s.begin() + begin + sounding, s.begin() + end, [](uint8_t v) { return v == 128; }));
    }

    // About one frame interrupt per frame while step 10 runs, none after.
    auto [first10, count10] = run.Frames(10);
    EXPECT_EQ(count10, 20u);
    uint8_t irqs = run.f.m().ram[kIrqCountAddress];
    EXPECT_GE(irqs, 19);
    EXPECT_LE(irqs, 21);
}

TEST_F(SoundProgram, FrameInterruptEvery29828Cycles) {
    ProgramRun run(prg_, false);
    Machine& m = run.f.m();
    uint16_t handler = static_cast<uint16_t>(prg_[0x7FFE] | prg_[0x7FFF] << 8);
    std::vector<uint64_t> entries;
    std::map<uint8_t, int> entriesInStep;
    uint64_t frameBase = 0;
    while (run.stepOfFrame.size() < 250) {
        uint16_t before = m.pc;
        run.f.console.cpu.Run(RunMode::SingleStep);
        if (m.pc == handler && before != handler) {
            entries.push_back(frameBase + m.cycles);
            ++entriesInStep[m.ram[kStepAddress]];
        }
        if (m.frameStartPending) {
            frameBase += m.frameCycleBudget;
            run.EndFrame();
        }
    }
    ASSERT_GE(entries.size(), 19u);
    EXPECT_EQ(entriesInStep.size(), 1u);
    EXPECT_EQ(entriesInStep.begin()->first, 10);
    for (size_t i = 1; i < entries.size(); ++i) {
        uint64_t interval = entries[i] - entries[i - 1];
        // Raised after the instruction that reaches the time, and timed again
        // from there.
        EXPECT_GE(interval, 29828u) << i;
        EXPECT_LE(interval, 29828u + 7) << i;
    }
    EXPECT_EQ(m.ram[kIrqCountAddress], entries.size());
}

TEST_F(SoundProgram, RunsIdenticallyWithoutASoundDevice) {
    ProgramRun with(prg_, true), without(prg_, false);
    ASSERT_TRUE(with.capture->IsOpen());
    for (int frame = 0; frame < 250; ++frame) {
        with.RunFrame();
        without.RunFrame();
        const Machine& a = with.f.m();
        const Machine& b = without.f.m();
        ASSERT_EQ(a.ram, b.ram) << frame;
        ASSERT_EQ(a.pc, b.pc) << frame;
        ASSERT_EQ(a.cycles, b.cycles) << frame;
        ASSERT_EQ(a.apuFrameIrqTime, b.apuFrameIrqTime) << frame;
        ASSERT_EQ(a.dmcIrqTime, b.dmcIrqTime) << frame;
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(with.f.console.apu.channels[i].state, without.f.console.apu.channels[i].state) << frame;
            ASSERT_EQ(with.f.console.apu.channels[i].length, without.f.console.apu.channels[i].length) << frame;
            ASSERT_EQ(with.f.console.apu.channels[i].volume, without.f.console.apu.channels[i].volume) << frame;
        }
        ASSERT_EQ(with.f.console.apu.dmc.active, without.f.console.apu.dmc.active) << frame;
    }
}

}  // namespace
}  // namespace korvanta
