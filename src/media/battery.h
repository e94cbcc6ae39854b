// Battery saves: the board's 8 KB cartridge RAM as a SAV file beside the
// game (or in the SAV folder), written with quick saves and, when the
// settings ask for it, when the program closes.
#pragma once
#include <cstdint>

#include "media/companion.h"

namespace korvanta {

class Console;

// A SAV file may be written: a board with a battery, and no movie has put
// its own RAM into `sram` since the game was opened.
bool BatterySaveAllowed(const Console& console);

// Writes the SAV companion of the current game when allowed; true when it
// was written or there was nothing to write.
bool WriteBatterySave(Console& console, const CompanionSettings& companions);

// The write when the main window closes: with SAVTerminate set, for iNES
// games under SaveType 0 and for every game under SaveType 1.
bool ExitTimeBatterySave(Console& console, const CompanionSettings& companions, uint8_t saveType, bool savTerminate);

}  // namespace korvanta
