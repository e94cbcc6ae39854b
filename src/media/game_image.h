// What the program knows about the current game file besides its pages
// (which the Machine holds): the header in iNES form whatever the file's
// format, its path, its kind and the snapshot slot of quick save and load.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace korvanta {

enum FileKind : uint8_t {
    kFileOldKor = 0,  // also "no game loaded yet"
    kFileKor = 1,
    kFileNes = 100,
    kFileFds = 102,
};

using ImageHeader = std::array<uint8_t, 16>;

struct GameImage {
    ImageHeader header{};
    std::string path;
    FileKind kind = kFileOldKor;
    int snapshotSlot = 0;  // 0..9; 0 is shown as 10
    // The old KOR board type last read by a state load (0 when none), kept in
    // snapshot chunk 14.
    uint16_t oldKorBoardType = 0;
    // Set when a movie resets or loads the machine: `sram` then holds the
    // movie's RAM, not the player's, and no SAV file is written until a game
    // is opened again.
    bool savSuspended = false;
};

}  // namespace korvanta
