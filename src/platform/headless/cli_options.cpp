#include "platform/headless/cli_options.h"

#include <charconv>
#include <functional>
#include <map>

namespace korvanta {
namespace {

bool ParseNumber(const std::string& text, int base, uint64_t max, uint64_t& out) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return ec == std::errc() && end == text.data() + text.size() && out <= max;
}

}  // namespace

const char* CliUsage() {
    return "usage: korvanta-cli [options] GAME\n"
           "  -f, --frames N        frames to run (default 600)\n"
           "      --skip N          draw one frame in N (default 1, every frame)\n"
           "  -o, --screenshot FILE the last shown frame as .bmp or .png\n"
           "      --hash            print a 64-bit hash of the last frame\n"
           "      --hash-every      print the hash of every frame\n"
           "      --dump ADDR:LEN   (hex) print CPU memory after the run\n"
           "      --nametables      print the four name tables after the run\n"
           "      --bench           print frames, seconds and frames per second\n"
           "  -w, --wav FILE        write the sound of the run as 8-bit mono WAV\n"
           "      --rate HZ         sound sample rate (default 44100)\n"
           "      --trace N         print the first N instructions in nestest.log's layout\n"
           "      --pc ADDR         (hex) start at ADDR with P=$24, SP=$FD\n"
           "      --input FILE      scripted pad input (see README)\n"
           "      --save-at K:FRAME quick-save slot K (0-9) after FRAME frames (repeatable)\n"
           "      --load-slot K     quick-load slot K before the first frame\n"
           "      --record FILE     record a movie of the run from power-on\n"
           "      --record-from-state  record it from the state after loading instead\n"
           "      --replay FILE     replay a movie (also: a .kmv file named after the game)\n"
           "      --sav-dir DIR     write SAV and KRT files into DIR\n"
           "      --ini FILE        read the save settings from FILE\n"
           "      --bios-dir DIR    read the Disk System BIOS (disksys.rom) from DIR\n"
           "      --create-nes OUT.nes --prg FILE [--chr FILE] --mapper N\n"
           "                        build OUT.nes from dumps (prints their KB, sum, CRC-32),\n"
           "                        then run it; header flags: --vertical --battery --trainer\n"
           "                        --four-screen; --overwrite replaces an existing OUT.nes\n"
           "  -h, --help            this text\n";
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error) {
    CliOptions options;
    using Handler = std::function<bool(const std::string&)>;
    auto count = [&](int& target, uint64_t min) {
        return [&target, min](const std::string& v) {
            uint64_t n;
            if (!ParseNumber(v, 10, 100000000, n) || n < min) return false;
            target = static_cast<int>(n);
            return true;
        };
    };
    auto text = [](std::string& target) {
        return [&target](const std::string& v) {
            target = v;
            return !v.empty();
        };
    };
    const std::map<std::string, Handler> withValue = {
        {"--frames", count(options.frames, 0)},
        {"--skip", count(options.skip, 1)},
        {"--screenshot", text(options.screenshot)},
        {"--wav", text(options.wav)},
        {"--rate", count(options.rate, 1)},
        {"--trace", count(options.trace, 1)},
        {"--pc",
         [&](const std::string& v) {
             uint64_t n;
             if (!ParseNumber(v, 16, 0xFFFF, n)) return false;
             options.startPc = static_cast<uint16_t>(n);
             return true;
         }},
        {"--input", text(options.input)},
        {"--record", text(options.record)},
        {"--replay", text(options.replay)},
        {"--sav-dir", text(options.savDir)},
        {"--ini", text(options.ini)},
        {"--bios-dir", text(options.biosDir)},
        {"--create-nes",
         [&](const std::string& v) {
             options.createNes = true;
             options.create.outputPath = v;
             return !v.empty();
         }},
        {"--prg", text(options.create.prgPath)},
        {"--chr", text(options.create.chrPath)},
        {"--mapper", text(options.create.mapperText)},
        {"--load-slot",
         [&](const std::string& v) {
             uint64_t n;
             if (!ParseNumber(v, 10, 9, n)) return false;
             options.loadSlot = static_cast<int>(n);
             return true;
         }},
        {"--save-at",
         [&](const std::string& v) {
             auto colon = v.find(':');
             uint64_t slot, frame;
             if (colon == std::string::npos || !ParseNumber(v.substr(0, colon), 10, 9, slot) ||
                 !ParseNumber(v.substr(colon + 1), 10, 100000000, frame))
                 return false;
             options.saveAt.push_back({static_cast<int>(slot), static_cast<int>(frame)});
             return true;
         }},
        {"--dump",
         [&](const std::string& v) {
             auto colon = v.find(':');
             uint64_t address, length;
             if (colon == std::string::npos || !ParseNumber(v.substr(0, colon), 16, 0xFFFF, address) ||
                 !ParseNumber(v.substr(colon + 1), 16, 0x10000, length))
                 return false;
             options.dumps.push_back({static_cast<uint16_t>(address), static_cast<uint32_t>(length)});
             return true;
         }},
    };
    const std::map<std::string, bool*> flags = {
        {"--hash", &options.hash},           {"--hash-every", &options.hashEvery}, {"--nametables", &options.nameTables},
        {"--bench", &options.bench},         {"--help", &options.help},
        {"--record-from-state", &options.recordFromState},
        {"--vertical", &options.create.verticalMirroring},
        {"--battery", &options.create.batteryBackup},
        {"--trainer", &options.create.trainer},
        {"--four-screen", &options.create.fourScreen},
        {"--overwrite", &options.overwrite},
    };
    const std::map<std::string, std::string> shortForms = {
        {"-f", "--frames"}, {"-o", "--screenshot"}, {"-w", "--wav"}, {"-h", "--help"}};

    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inlineValue = false;
        if (auto it = shortForms.find(arg); it != shortForms.end()) arg = it->second;
        if (arg.rfind("--", 0) == 0) {
            if (auto eq = arg.find('='); eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
        }
        if (auto it = flags.find(arg); it != flags.end()) {
            *it->second = true;
            continue;
        }
        if (auto it = withValue.find(arg); it != withValue.end()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = arg + " needs a value";
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (!it->second(value)) {
                error = "bad value for " + arg + ": " + value;
                return std::nullopt;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        // A movie named after the game is replayed on it.
        if (!options.game.empty() && options.replay.empty() && arg.size() > 4 &&
            arg.compare(arg.size() - 4, 4, ".kmv") == 0) {
            options.replay = arg;
            continue;
        }
        if (!options.game.empty()) {
            error = "more than one game named";
            return std::nullopt;
        }
        options.game = arg;
    }
    const CreateNesValues& create = options.create;
    bool createValues = !create.prgPath.empty() || !create.chrPath.empty() || !create.mapperText.empty() ||
                        create.verticalMirroring || create.batteryBackup || create.trainer || create.fourScreen ||
                        options.overwrite;
    if (createValues && !options.createNes) {
        error = "--prg, --chr, --mapper, the header flags and --overwrite need --create-nes";
        return std::nullopt;
    }
    if (options.createNes) {
        if (!options.game.empty()) {
            error = "more than one game named";
            return std::nullopt;
        }
        options.game = create.outputPath;
    }
    if (options.game.empty() && !options.help) {
        error = "no game named";
        return std::nullopt;
    }
    if (!options.record.empty() && !options.replay.empty()) {
        error = "--record and --replay exclude each other";
        return std::nullopt;
    }
    if (options.recordFromState && options.record.empty()) {
        error = "--record-from-state needs --record";
        return std::nullopt;
    }
    return options;
}

}  // namespace korvanta
