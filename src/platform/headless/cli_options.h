// Options of the command-line runner.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/create_nes.h"

namespace korvanta {

struct CliOptions {
    std::string game;
    int frames = 600;
    int skip = 1;  // draw one frame in `skip`
    std::string screenshot;
    bool hash = false;
    bool hashEvery = false;
    struct Dump {
        uint16_t address;
        uint32_t length;
    };
    std::vector<Dump> dumps;
    bool nameTables = false;
    bool bench = false;
    std::string wav;
    int rate = 44100;
    int trace = 0;  // instructions to trace; 0 = run frames
    std::optional<uint16_t> startPc;
    bool help = false;
    // Saves, snapshots and movies.
    std::string input;  // scripted pad input
    struct SaveAt {
        int slot;
        int frame;  // after this many frames
    };
    std::vector<SaveAt> saveAt;
    std::optional<int> loadSlot;
    std::string record;
    bool recordFromState = false;
    std::string replay;
    std::string savDir;  // SAV and KRT files go here
    std::string biosDir;  // the Disk System BIOS folder, over the settings
    std::string ini;     // the "Save" settings are read from this file
    // The game is first built from dumps (--create-nes names it).
    bool createNes = false;
    CreateNesValues create;
    bool overwrite = false;  // an existing file of that name is replaced
};

// Parses argv; on a usage error returns nullopt and sets `error`.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
const char* CliUsage();

}  // namespace korvanta
