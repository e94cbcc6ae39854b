// What boards with peripherals reach beyond the Console: the on-screen
// message, the program folder, the expansion-connector rebuild and the
// karaoke settings dialog, filled in by the shell that owns them; and the
// mapper-186 tape, which outlives its board and so belongs to the console.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/stream.h"

namespace korvanta {

class Display;

// The study cartridge's tape deck: its file, the command being shifted in
// and the handshake countdowns. A new mapper-186 board reopens the file but
// keeps the rest, as the cartridge's deck keeps running between games.
struct TapeDeck {
    std::unique_ptr<FileStream> file;
    uint8_t command = 0;
    int32_t bits = 0;
    int32_t ackCountdown = 0;
    int32_t dataCountdown = 0;
    uint8_t last4201 = 0xDF;
    uint8_t status4202 = 0x77;
    uint8_t lastByte = 0xC5;
    uint32_t bytesRead = 0;
};

// The karaoke settings as dialog 146 shows them: the pack entries (string
// ids, entry 0 "No Karaoke Pack"), the chosen entry and who sings.
struct KaraokeSettings {
    std::vector<uint32_t> packNames;
    uint32_t packSelection = 0;
    bool autoSing = true;
};

struct BoardLinks {
    Display* display = nullptr;  // none: on-screen messages are dropped
    std::string programFolder;   // empty: the current folder
    // Rebuilds the controller-port devices for an expansion selection.
    // Empty: the selection is only stored in the Machine.
    std::function<void(int selection)> rebuildDevices;
    // Dialog 146: the new settings on OK, nothing on Cancel or without a dialog.
    std::function<std::optional<KaraokeSettings>(const KaraokeSettings&)> editKaraoke;
    TapeDeck tape;
};

}  // namespace korvanta
