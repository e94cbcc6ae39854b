// Whole frames of real programs through the frame driver: every frame drawn
// (with the Display's present), and one frame in ten drawn. One iteration is
// one frame; the rate counter is frames per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/console.h"
#include "core/frame_driver.h"
#include "media/loader.h"
#include "platform/headless/headless_host.h"
#include "video/display.h"

namespace korvanta {
namespace {

std::string ProgramPath(int which) {
    switch (which) {
        case 0: return std::string(KORVANTA_BUILD_ROMS) + "/demo.nes";
        case 1: return std::string(KORVANTA_SHARED_ROMS) + "/programs/mappers.nes";
        default: return std::string(KORVANTA_SHARED_ROMS) + "/programs/hello_mmc3.nes";
    }
}

void BM_Frames(benchmark::State& state) {
    HeadlessHost host;
    auto console = std::make_unique<Console>(host);
    if (!OpenGame(*console, ProgramPath(static_cast<int>(state.range(0))), LoadOptions{})) {
        state.SkipWithError("program missing");
        return;
    }
    console->machine.RunState = 1;
    Display display;
    SpeedSettings speed;
    speed.fullSpeed = 0;
    speed.drawFrame = static_cast<int32_t>(state.range(1));
    FrameDriver driver(*console, nullptr, &display, speed);
    for (auto _ : state) driver.RunOneFrame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::string path = ProgramPath(static_cast<int>(state.range(0)));
    state.SetLabel(path.substr(path.rfind('/') + 1));
}
// Programs: 0 the demo (mapper 0), 1 mappers.nes (mapper 3), 2 hello_mmc3.nes
// (mapper 4); draw one frame in 1 or in 10.
BENCHMARK(BM_Frames)->ArgsProduct({{0, 1, 2}, {1, 10}})->ArgNames({"program", "draw1in"});

}  // namespace
}  // namespace korvanta
