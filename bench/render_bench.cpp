// The renderer's cost per shown frame: a whole frame in one batch with the
// background and 64 sprites, the same frame broken into a batch every 8 lines
// by mid-frame scroll writes, and the Display's marking and RGB conversion.
// One benchmark iteration is one frame.
#include <benchmark/benchmark.h>

#include "../tests/ppu_fixture.h"
#include "video/display.h"

namespace korvanta {
namespace {

struct RenderScene {
    test::PpuRig rig;
    RenderScene() {
        rig.FillNameTables(1);
        rig.Write(0x2000, 0x08);
        rig.Write(0x2001, 0x1E);
        rig.Write(0x2003, 0);
        for (int i = 0; i < 64; ++i) {
            uint8_t bytes[4] = {static_cast<uint8_t>(i * 3 + 10), static_cast<uint8_t>(i * 5),
                                static_cast<uint8_t>((i & 3) | (i & 0x30) << 2), static_cast<uint8_t>(i * 37)};
            for (uint8_t b : bytes) rig.Write(0x2004, b);
        }
    }
};

void BM_FrameOneBatch(benchmark::State& state) {
    RenderScene scene;
    for (auto _ : state) {
        scene.rig.DrawFrame();
        benchmark::DoNotOptimize(scene.rig.ppu().frameBuffer.data());
    }
}
BENCHMARK(BM_FrameOneBatch);

void BM_FrameSplitEvery8Lines(benchmark::State& state) {
    RenderScene scene;
    test::PpuRig& rig = scene.rig;
    for (auto _ : state) {
        rig.m().cycles = 0;
        rig.ppu().BeginDrawnFrame();
        for (int line = 8; line < 240; line += 8) {
            rig.AtLine(line);
            rig.Write(0x2005, static_cast<uint8_t>(line));
            rig.Write(0x2005, 0);
        }
        rig.m().cycles = kFrameCycleBudget;
        rig.ppu().EndDrawnFrame();
        benchmark::DoNotOptimize(rig.ppu().frameBuffer.data());
    }
}
BENCHMARK(BM_FrameSplitEvery8Lines);

void BM_PresentAndConvert(benchmark::State& state) {
    RenderScene scene;
    scene.rig.DrawFrame();
    scene.rig.ppu().paletteSetCount = 1;
    scene.rig.ppu().paletteSetStart[1] = test::CycleOfLine(120);
    Display display;
    std::vector<uint32_t> rgb(256 * 224);
    for (auto _ : state) {
        display.Present(scene.rig.ppu());
        display.ConvertPicture(scene.rig.ppu(), rgb.data());
        benchmark::DoNotOptimize(rgb.data());
    }
}
BENCHMARK(BM_PresentAndConvert);

}  // namespace
}  // namespace korvanta
