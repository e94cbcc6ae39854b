// Scripted pad input for the command-line runner (--input FILE). A plain
// text file, one entry per line:
//
//   # comment
//   FRAME  PAD1  [PAD2]
//   FIRST-LAST  PAD1  [PAD2]
//
// Frames count from 0 (the first frame run). A pad is "." for no button or
// button names joined by "+": A B Select Start Up Down Left Right (any
// case). Frames no line names have no buttons; when lines overlap the later
// line wins.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "input/input_system.h"

namespace korvanta {

struct InputScriptLine {
    int64_t first = 0;
    int64_t last = 0;
    uint8_t pads[2] = {0, 0};  // packed as in movie frame records
};

struct InputScript {
    std::vector<InputScriptLine> lines;
    // The packed buttons of a pad (0 or 1) at a frame.
    uint8_t Buttons(int64_t frame, int pad) const;
};

// False with a message naming the line when the text is not a script.
bool ParseInputScript(const std::string& text, InputScript& script, std::string& error);

// The pads' hook that applies the script, then hands the buttons to the
// next hook (the movie layer, which records or replaces them).
class ScriptedPads final : public PadMovieHook {
public:
    explicit ScriptedPads(const InputScript& script) : script_(script) {}
    void PadFrame(int padIndex, PadButtons& buttons) override;
    int64_t frame = 0;
    PadMovieHook* next = nullptr;

private:
    const InputScript& script_;
};

}  // namespace korvanta
