// Quick save and quick load of the current snapshot slot, and Save As: the
// Save and Load menu items and the SAVE and UNDO shortcuts.
#pragma once
#include <cstdint>
#include <string>

#include "media/loader.h"

namespace korvanta {

class Console;
struct SaveSettings;

struct SaveOptions {
    LoadOptions load;  // companion names, the movie layer, device rebuilding
    uint8_t saveType = 0;  // 0 the opened file's type, 1 always iNES, 2 always KOR
    bool savTerminate = false;
};

// The companion and save fields of the "Save" settings.
SaveOptions SaveOptionsFrom(const SaveSettings& settings);

// Saves the current slot as the SaveType and FileKind ask (a KOR file, or a
// KRT file with the SAV file beside an iNES or Disk System image). An
// old-format KOR file is overwritten only after the player agreed. False
// when nothing (or not everything) was saved.
bool QuickSave(Console& console, const SaveOptions& options);
// Loads the current slot back (the undo).
bool QuickLoad(Console& console, const SaveOptions& options);
// Saves the game as a KOR image at `path`, which becomes the current file.
bool SaveAs(Console& console, const std::string& path, const SaveOptions& options);

}  // namespace korvanta
