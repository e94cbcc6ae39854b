// The picture unit's view of time. Nothing keeps a line counter: the line is
// a pure function of the frame's CPU cycle count.
#pragma once
#include <cstdint>

namespace korvanta {

// The picture line at a frame cycle: -21 at cycle 0, 0 for cycles 2276-2502,
// then one line per 29119/256 cycles, 241 at the vertical-blank point. The
// count is unsigned but the line before the picture is negative, so the
// arithmetic is signed and truncates toward zero.
constexpr int ScanlineOf(uint32_t cycles) {
    return static_cast<int>((256 * static_cast<int64_t>(cycles) - 611519) / 29119);
}

// True once the picture has begun drawing (register changes then wait for
// the lines already due to be drawn).
constexpr bool PictureStarted(uint32_t cycles) { return static_cast<int64_t>(cycles) - 2388 > 0; }

// The pixel the picture unit has reached within the current line, a multiple
// of 8 (0-248). A line is 113.75 = 455/4 cycles and 336 dots, the first 20
// dots of which fall before the visible pixels; the mask wraps those early
// dots to 232-248 and dots past the line's end to small values.
constexpr int PixelPositionOf(uint32_t cycles) {
    int64_t quarters = 4 * static_cast<int64_t>(cycles);
    int64_t intoLine = quarters % 455;  // (cycles - line * 113.75) * 4
    int64_t dot = intoLine * 336 / 455;
    return static_cast<int>((dot - 20) & 0xF8);
}

}  // namespace korvanta
