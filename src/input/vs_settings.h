// The VS Unisystem cabinet settings of a board: the colour palette of the
// cabinet's picture chip and its eight DIP switches, with dialog 156 that
// changes them. The DIP byte itself stays with the board (its
// `vsDipSwitches`), where the Bus reads it into $4016/$4017.
#pragma once
#include <array>
#include <cstdint>

#include "video/master_palette.h"

namespace korvanta {

class Display;
class Host;

inline constexpr int kVsPaletteCount = 8;

// Palette p maps each colour number to a base colour number: 0 is the
// identity, the others are the cabinets' chips (numbers outside 0-7 give 0).
const std::array<uint8_t, 64>& VsPaletteMapping(int number);

// Dialog boxes (bit i: the box labelled i + 1) to the DIP byte and back.
// The boxes are grouped 1-2-3, 4-5, 6-7-8, and box 6 is bit 3 while boxes 4
// and 5 are bits 4 and 5.
uint8_t VsDipByteFromBoxes(uint8_t boxes);
uint8_t VsBoxesFromDipByte(uint8_t dip);

class VsSettings {
public:
    // Sets the palette number and rewrites the Display's master palette as
    // the base table through that palette. A number outside 0-7 is ignored.
    void ApplyVsPalette(Display& display, int number);
    // Dialog 156, modal, opened on the current palette and `dipSwitches`:
    // OK applies the chosen palette and stores the boxes' DIP byte; Cancel
    // changes nothing. True on OK.
    bool ShowVsDialog(Host& host, Display& display, uint8_t& dipSwitches);

    int PaletteNumber() const { return paletteNumber_; }

private:
    int paletteNumber_ = 0;
};

}  // namespace korvanta
