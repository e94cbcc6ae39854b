// The mixer's share of a frame at 44100 Hz: one frame of the sound test
// program (CPU run plus MixFrame) against MixFrame alone, with all five
// channels sounding. One benchmark iteration is one frame.
#include <benchmark/benchmark.h>

#include "core/console.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/wave_capture.h"
#include "../tests/test_support.h"

namespace korvanta {
namespace {

struct SoundingConsole {
    test::FlatConsole f;
    WaveCapture capture;

    explicit SoundingConsole(std::vector<uint8_t> prg) : f(std::move(prg)), capture(f.console, f.host, 44100) {
        f.console.SoftReset();
        // Past the end of the program's script: it idles in a loop.
        for (int i = 0; i < 250; ++i) Frame();
        const uint8_t writes[][2] = {
            {0x15, 0x0F}, {0x00, 0xBF}, {0x02, 0xFD}, {0x03, 0x00},  // square 1
            {0x04, 0x8F}, {0x05, 0xA1}, {0x06, 0x7C}, {0x07, 0x01},  // square 2, sweeping
            {0x08, 0xFF}, {0x0A, 0xC8}, {0x0B, 0x00},                // triangle
            {0x0C, 0x3F}, {0x0E, 0x04}, {0x0F, 0x08},                // noise
            {0x10, 0x4F}, {0x12, 0x00}, {0x13, 0x01}, {0x15, 0x1F},  // looping sample
        };
        for (const auto& w : writes) f.console.apu.WriteRegister(static_cast<uint16_t>(0x4000 + w[0]), w[1]);
    }
    void Frame() {
        capture.BeforeFrame();
        f.console.cpu.Run(RunMode::RunToFrameEnd);
        Mix();
    }
    // MixFrame, and the tick's submit after every third frame.
    void Mix() {
        f.console.soundOut.MixFrame();
        capture.AfterFrame();
        // The recording is not needed; keep its memory bounded.
        if (f.host.waveOutput->played.size() > (1u << 20)) f.host.waveOutput->played.clear();
    }
};

std::vector<uint8_t> SoundTestPrg() {
    std::vector<uint8_t> image = test::ReadFileBytes(test::BuildRom("sound_test.nes"));
    if (image.size() < 16 + 0x8000) return {};
    return {image.begin() + 16, image.begin() + 16 + 0x8000};
}

void BM_FrameWithMix(benchmark::State& state) {
    std::vector<uint8_t> prg = SoundTestPrg();
    if (prg.empty()) {
        state.SkipWithError("sound_test.nes was not assembled");
        return;
    }
    SoundingConsole c(prg);
    for (auto _ : state) c.Frame();
}
BENCHMARK(BM_FrameWithMix);

void BM_MixFrameOnly(benchmark::State& state) {
    std::vector<uint8_t> prg = SoundTestPrg();
    if (prg.empty()) {
        state.SkipWithError("sound_test.nes was not assembled");
        return;
    }
    SoundingConsole c(prg);
    for (auto _ : state) {
        c.capture.BeforeFrame();
        c.Mix();
    }
    benchmark::DoNotOptimize(c.capture.Device().played.size());
}
BENCHMARK(BM_MixFrameOnly);

}  // namespace
}  // namespace korvanta
