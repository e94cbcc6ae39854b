// Quick save and quick load of one snapshot slot of an ordinary game (the
// MMC3 test program, 256 KB): the whole file write with its temporary name
// and replace, and the whole state load. One iteration is one save or load.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "media/loader.h"
#include "media/snapshot.h"
#include "platform/headless/headless_host.h"
#include "../tests/test_support.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;

struct SavedGame {
    HeadlessHost host;
    Console console{host};
    fs::path folder = fs::temp_directory_path() / "korvanta-snapshot-bench";
    SaveOptions options;

    SavedGame() {
        fs::create_directories(folder);
        fs::path game = folder / "game.nes";
        fs::copy_file(test::SharedRom("programs/hello_mmc3.nes"), game, fs::copy_options::overwrite_existing);
        OpenGame(console, game.string(), options.load);
        console.machine.RunState = 1;
        for (int i = 0; i < 60; ++i) console.cpu.Run(RunMode::RunToFrameEnd);
        console.game.snapshotSlot = 3;
    }
    ~SavedGame() {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

void BM_QuickSave(benchmark::State& state) {
    SavedGame g;
    for (auto _ : state) benchmark::DoNotOptimize(QuickSave(g.console, g.options));
}
BENCHMARK(BM_QuickSave)->Unit(benchmark::kMillisecond);

void BM_QuickLoad(benchmark::State& state) {
    SavedGame g;
    QuickSave(g.console, g.options);
    for (auto _ : state) benchmark::DoNotOptimize(QuickLoad(g.console, g.options));
}
BENCHMARK(BM_QuickLoad)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvanta
