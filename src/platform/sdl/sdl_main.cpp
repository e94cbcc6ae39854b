// korvanta: the Linux desktop program. One window shows the game; the keys,
// dropped files and the tick timer are handled on this one thread.
#include <SDL.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/shell.h"
#include "input/ext_devices.h"
#include "media/png_writer.h"
#include "platform/sdl/sdl_host.h"
#include "platform/sdl/sdl_keys.h"

using namespace korvanta;
namespace fs = std::filesystem;

namespace {

struct Arguments {
    std::string game;
    int scale = 2;
    long quitAfterFrames = -1;  // for tests under a virtual display
    std::string windowShot;     // PNG of the window when quitting
    std::string ini;            // a settings file of its own
    std::string movie;          // a movie to replay after the game opened
    long device = 0;            // the expansion-port device
    Movie::RecordRequest record;
};

constexpr const char* kUsage =
    "usage: korvanta [--scale 1-3] [--ini FILE] [--device 0-10] [--record FILE.kmv [--record-from-state] [--record-pad2]\n"
    "                [--title TEXT] [--protect]] [--replay FILE.kmv] [--quit-after-frames N]\n"
    "                [--window-shot FILE.png] [GAME [MOVIE.kmv]]\n";

bool ParseArguments(int argc, char** argv, Arguments& out) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto number = [&](long& target) {
            if (i + 1 >= argc) return false;
            std::string v = argv[++i];
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), target);
            return ec == std::errc() && end == v.data() + v.size();
        };
        long value = 0;
        if (arg == "--scale" && number(value) && value >= 1 && value <= 3) {
            out.scale = static_cast<int>(value);
        } else if (arg == "--quit-after-frames" && number(out.quitAfterFrames)) {
        } else if (arg == "--device" && number(out.device) && out.device >= 0 && out.device < kExtDeviceSelections) {
        } else if (arg == "--window-shot" && i + 1 < argc) {
            out.windowShot = argv[++i];
        } else if (arg == "--ini" && i + 1 < argc) {
            out.ini = argv[++i];
        } else if (arg == "--record" && i + 1 < argc) {
            out.record.path = argv[++i];
        } else if (arg == "--record-from-state") {
            out.record.fromSnapshot = true;
        } else if (arg == "--record-pad2") {
            out.record.recordPad2 = true;
        } else if (arg == "--title" && i + 1 < argc) {
            out.record.title = argv[++i];
        } else if (arg == "--protect") {
            out.record.protectOnStop = true;
        } else if (arg == "--replay" && i + 1 < argc) {
            out.movie = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && out.game.empty()) {
            out.game = arg;
        } else if (!arg.empty() && arg[0] != '-' && out.movie.empty()) {
            out.movie = arg;
        } else {
            std::fputs(kUsage, stderr);
            return false;
        }
    }
    if (!out.record.path.empty() && !out.movie.empty()) {
        std::fputs("korvanta: a movie is either recorded or replayed\n", stderr);
        return false;
    }
    return true;
}

fs::path ProgramFolder() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

SettingsCandidates Candidates(const fs::path& programFolder) {
    SettingsCandidates candidates;
    candidates.programFile = programFolder / kSettingsFileName;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    fs::path config = xdg && *xdg ? fs::path(xdg) : home ? fs::path(home) / ".config" : fs::path();
    if (!config.empty()) candidates.userFile = config / "korvanta" / kSettingsFileName;
    return candidates;
}

// The bundled demo beside the program, or in its build folder.
std::string DemoPath(const fs::path& programFolder) {
    for (const fs::path& candidate : {programFolder / "demo.nes", programFolder / "roms" / "demo.nes"})
        if (fs::exists(candidate)) return candidate.string();
    return (programFolder / "roms" / "demo.nes").string();
}

std::string FullPath(const std::string& path) {
    std::error_code error;
    fs::path full = fs::canonical(path, error);
    return error ? path : full.string();
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!ParseArguments(argc, argv, args)) return 2;
    fs::path programFolder = ProgramFolder();

    SdlHost host;
    if (!host.CreateWindow(args.scale)) {
        std::fprintf(stderr, "korvanta: %s\n", SDL_GetError());
        return 0;
    }
    host.OpenControllers();
    SettingsCandidates candidates;
    if (args.ini.empty()) {
        candidates = Candidates(programFolder);
    } else {
        candidates.programFile = args.ini;
    }
    Shell shell(host, candidates, programFolder.string());
    if (!shell.Start()) return 0;
    shell.input.RebuildDevices(static_cast<int>(args.device));
    bool opened = shell.OpenGameFile(FullPath(args.game.empty() ? DemoPath(programFolder) : args.game));
    // A movie file goes through the loader like any opened file, which hands
    // it to the movie layer; an unreadable one is ignored without a message.
    if (opened && !args.movie.empty() && !shell.OpenGameFile(FullPath(args.movie)))
        std::fprintf(stderr, "korvanta: cannot replay %s\n", args.movie.c_str());
    if (opened && !args.record.path.empty() && !shell.movie->StartRecording(args.record))
        std::fprintf(stderr, "korvanta: cannot record %s\n", args.record.path.c_str());

    bool running = true;
    while (running) {
        SDL_Event event;
        int wait = host.MillisecondsToTick();
        if (SDL_WaitEventTimeout(&event, wait < 0 ? 100 : wait)) {
            do {
                switch (event.type) {
                    case SDL_QUIT: running = false; break;
                    case SDL_KEYDOWN: {
                        int key = VirtualKeyFromSdl(event.key.keysym);
                        bool alt = event.key.keysym.mod & KMOD_ALT;
                        if (alt && key == 0x0D) {
                            host.ToggleFullScreen();
                        } else if (alt && key >= '0' && key <= '9') {
                            shell.AltDigit(key - '0');
                        } else if (event.key.keysym.mod & KMOD_CTRL && key >= '1' && key <= '3') {
                            host.SetScale(key - '0');
                        } else if (!alt) {
                            host.NoteKey(key, true);
                            shell.KeyDown(key);
                        }
                        break;
                    }
                    case SDL_KEYUP: {
                        int key = VirtualKeyFromSdl(event.key.keysym);
                        host.NoteKey(key, false);
                        shell.KeyUp(key);
                        break;
                    }
                    // The renderer's logical size turns window positions
                    // into picture positions.
                    case SDL_MOUSEMOTION: NoteMouseMove(shell.input, event.motion.x, event.motion.y); break;
                    case SDL_MOUSEBUTTONDOWN:
                    case SDL_MOUSEBUTTONUP:
                        if (event.button.button == SDL_BUTTON_LEFT || event.button.button == SDL_BUTTON_RIGHT)
                            NoteMouseButton(shell.input,
                                            event.button.button == SDL_BUTTON_LEFT ? MouseButton::Left
                                                                                   : MouseButton::Right,
                                            event.type == SDL_MOUSEBUTTONDOWN, event.button.x, event.button.y);
                        break;
                    case SDL_DROPFILE:
                        shell.OpenGameFile(event.drop.file);
                        SDL_free(event.drop.file);
                        break;
                    case SDL_CONTROLLERDEVICEADDED:
                    case SDL_CONTROLLERDEVICEREMOVED: host.OpenControllers(); break;
                    case SDL_WINDOWEVENT:
                        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) host.Redraw();
                        break;
                    default: break;
                }
            } while (SDL_PollEvent(&event));
        }
        if (host.MillisecondsToTick() == 0) shell.Tick(host.TakeTick());
        if (args.quitAfterFrames >= 0 && static_cast<long>(shell.driver.stats.framesRun) >= args.quitAfterFrames)
            running = false;
    }

    if (!args.windowShot.empty()) {
        std::vector<uint32_t> pixels;
        int width = 0, height = 0;
        if (!host.ReadWindowPixels(pixels, width, height) || !WritePngFile(args.windowShot, width, height, pixels)) {
            std::fprintf(stderr, "korvanta: cannot write %s\n", args.windowShot.c_str());
            return 1;
        }
    }
    shell.Close();
    return 0;
}
