// korvanta-cli: the headless emulator. Opens a game, runs it for a number of
// frames (or traces its first instructions) and writes what was asked for.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "core/console.h"
#include "core/frame_driver.h"
#include "debug/trace.h"
#include "input/input_system.h"
#include "media/battery.h"
#include "media/create_nes.h"
#include "media/loader.h"
#include "media/screenshot.h"
#include "media/snapshot.h"
#include "movie/movie.h"
#include "platform/headless/cli_options.h"
#include "platform/headless/headless_host.h"
#include "platform/headless/input_script.h"
#include "platform/headless/wave_capture.h"
#include "video/display.h"
#include "video/frame_views.h"

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

// The folder of this program, where the Disk System BIOS is looked for by
// default.
std::string ProgramFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = std::filesystem::absolute(argv0, error);
    return self.parent_path().string();
}

// The save settings of the run: from --ini, with --sav-dir and --bios-dir
// over them.
SaveOptions RunSaveOptions(const CliOptions& options, const std::string& programFolder) {
    SaveSettings save;
    if (!options.ini.empty()) save.Read(ProfileFile(options.ini));
    SaveOptions media = SaveOptionsFrom(save);
    if (!options.savDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.savDir, error);
        CompanionSettings& c = media.load.companions;
        c.savFolderUse = c.krtFolderUse = true;
        c.savFolder = c.krtFolder = options.savDir;
    }
    media.load.programFolder = programFolder;
    if (!options.biosDir.empty()) {
        media.load.diskBiosFolderUse = true;
        media.load.diskBiosFolder = options.biosDir;
    }
    return media;
}

bool ReadScript(const std::string& path, InputScript& script) {
    FileStream file(path, "rb");
    if (!file.IsOpen()) {
        std::fprintf(stderr, "korvanta-cli: cannot read %s\n", path.c_str());
        return false;
    }
    std::string text(static_cast<size_t>(std::max<int64_t>(file.Size(), 0)), '\0');
    text.resize(file.Read(text.data(), text.size()));
    std::string error;
    if (!ParseInputScript(text, script, error)) {
        std::fprintf(stderr, "korvanta-cli: %s\n", error.c_str());
        return false;
    }
    return true;
}

// The Create-NES tool's figures for the two dumps, as its dialog shows them.
void PrintDumpChecksums(const CreateNesValues& values) {
    const std::pair<const char*, const std::string*> files[] = {{"PRG", &values.prgPath}, {"CHR", &values.chrPath}};
    for (const auto& [name, path] : files) {
        FileChecksum c = ChecksumFile(*path);
        std::printf("%s %u KB  SUM %08X  CRC %08X\n", name, c.kilobytes, c.sum, c.crc);
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
    SaveOptions media = RunSaveOptions(options, ProgramFolder(argv[0]));
    Movie movie(*console, media.load);
    media.load.movie = &movie;
    InputScript script;
    if (!options.input.empty() && !ReadScript(options.input, script)) return 2;
    // Pads exist only when input drives or is recorded, so other runs stay
    // as they were.
    bool usesPads = !options.input.empty() || !options.record.empty() || !options.replay.empty();
    KeyConfig keys;
    std::unique_ptr<InputSystem> input;
    ScriptedPads pads(script);
    pads.next = &movie;
    if (usesPads) {
        input = std::make_unique<InputSystem>(*console, keys);
        input->RebuildDevices(0);
        input->movie = &pads;
        media.load.rebuildDevices = [&input](int selection) { input->RebuildDevices(selection); };
    }
    if (options.createNes) {
        PrintDumpChecksums(options.create);
        host.answerYes = options.overwrite;
        CreateNesResult created = CreateNes(*console, options.create, media.load);
        host.answerYes = false;
        if (created != CreateNesResult::Opened) return 1;
    } else if (!OpenGame(*console, options.game, media.load)) {
        return 1;
    }
    Machine& m = console->machine;
    m.RunState = 1;
    if (options.loadSlot) {
        console->game.snapshotSlot = *options.loadSlot;
        if (!QuickLoad(*console, media)) {
            std::fprintf(stderr, "korvanta-cli: cannot load slot %d\n", *options.loadSlot);
            return 1;
        }
    }
    if (!options.record.empty() &&
        !movie.StartRecording({options.record, "", options.recordFromState, true, true, false})) {
        std::fprintf(stderr, "korvanta-cli: cannot record %s\n", options.record.c_str());
        return 1;
    }
    if (!options.replay.empty() && !movie.StartReplay(options.replay)) {
        std::fprintf(stderr, "korvanta-cli: cannot replay %s\n", options.replay.c_str());
        return 1;
    }

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
    FrameDriver driver(*console, input.get(), &display, speed);
    driver.movie = &movie;
    auto saveAfter = [&](int frames) {
        for (const auto& save : options.saveAt) {
            if (save.frame != frames) continue;
            console->game.snapshotSlot = save.slot;
            if (!QuickSave(*console, media)) std::fprintf(stderr, "korvanta-cli: cannot save slot %d\n", save.slot);
        }
    };
    saveAfter(0);

    auto start = std::chrono::steady_clock::now();
    int framesRun = 0;
    for (int frame = 0; frame < options.frames && m.RunState == 1; ++frame) {
        if (capture) capture->BeforeFrame();
        pads.frame = frame;
        driver.RunOneFrame();
        if (capture) capture->AfterFrame();
        ++framesRun;
        if (options.hashEvery) PrintHash(console->ppu);
        saveAfter(framesRun);
    }
    movie.Stop();
    ExitTimeBatterySave(*console, media.load.companions, media.saveType, media.savTerminate);
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
