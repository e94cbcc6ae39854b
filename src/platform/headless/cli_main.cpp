// korvanta-cli: the headless emulator. Opens a game, runs it for a number of
// frames (or traces its first instructions) and writes what was asked for.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/frame_driver.h"
#include "debug/trace.h"
#include "media/loader.h"
#include "media/screenshot.h"
#include "platform/headless/cli_options.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/wave_capture.h"
#include "video/display.h"
#include "video/frame_inspect.h"

using namespace korvanta;

namespace {

// The nestest automation mode: N instructions, one trace line each.
void Trace(Console& console, const CliOptions& options) {
    Machine& m = console.machine;
    if (options.startPc) {
        m.pc = *options.startPc;
        m.p = 0x24;
        m.s = 0xFD;
    }
    // The reference log counts the reset sequence's 7 cycles.
    uint64_t total = 7;
    for (int i = 0; i < options.trace && m.RunState == 1; ++i) {
        std::printf("%s\n", TraceLine(console, total).c_str());
        uint32_t before = m.cycles;
        console.cpu.Run(RunMode::SingleStep);
        // A frame start in between restarted the count at 0.
        total += m.cycles >= before ? m.cycles - before : m.cycles;
    }
}

void PrintHash(const Ppu& ppu) { std::printf("%016llx\n", static_cast<unsigned long long>(FrameBufferHash(ppu))); }

void Dump(const Console& console, const CliOptions::Dump& dump) {
    for (uint32_t offset = 0; offset < dump.length; offset += 16) {
        uint32_t address = (dump.address + offset) & 0xFFFF;
        std::printf("%04X:", address);
        for (uint32_t i = offset; i < dump.length && i < offset + 16; ++i)
            std::printf(" %02x", console.PeekByte(static_cast<uint16_t>(dump.address + i)));
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    auto parsed = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) {
        std::fprintf(stderr, "korvanta-cli: %s\n%s", error.c_str(), CliUsage());
        return 2;
    }
    const CliOptions& options = *parsed;
    if (options.help) {
        std::printf("%s", CliUsage());
        return 0;
    }

    HeadlessHost host;
    host.echoToStderr = true;
    auto console = std::make_unique<Console>(host);
    if (!OpenGame(*console, options.game, LoadOptions{})) return 1;
    Machine& m = console->machine;
    m.RunState = 1;

    if (options.trace > 0) {
        Trace(*console, options);
        return m.RunState == 1 ? 0 : 1;
    }

    std::unique_ptr<WaveCapture> capture;
    if (!options.wav.empty()) capture = std::make_unique<WaveCapture>(*console, host, options.rate);
    Display display;
    SpeedSettings speed;
    speed.drawFrame = options.skip;
    speed.fullSpeed = 0;
    FrameDriver driver(*console, nullptr, &display, speed);

    auto start = std::chrono::steady_clock::now();
    int framesRun = 0;
    for (int frame = 0; frame < options.frames && m.RunState == 1; ++frame) {
        if (capture) capture->BeforeFrame();
        driver.RunOneFrame();
        if (capture) capture->AfterFrame();
        ++framesRun;
        if (options.hashEvery) PrintHash(console->ppu);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int status = m.RunState == 1 ? 0 : 1;
    if (options.hash && !options.hashEvery) PrintHash(console->ppu);
    for (const auto& dump : options.dumps) Dump(*console, dump);
    if (options.nameTables) std::printf("%s", DumpNameTables(console->ppu).c_str());
    if (!options.screenshot.empty() && !SaveScreenshot(host, display, console->ppu, options.screenshot)) status = 1;
    if (capture && !capture->Finish(options.wav)) {
        std::fprintf(stderr, "korvanta-cli: cannot write %s\n", options.wav.c_str());
        status = 1;
    }
    if (options.bench)
        std::printf("frames: %d  seconds: %.3f  fps: %.1f\n", framesRun, seconds, seconds > 0 ? framesRun / seconds : 0.0);
    return status;
}
