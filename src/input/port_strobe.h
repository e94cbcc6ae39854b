// The strobe handling several expansion devices share: a $4016 write with
// bit 0 set holds the strobe; the first write with bit 0 clear releases it
// and rewinds the read position. Reads answer 0 while the strobe is held.
#pragma once
#include <cstdint>

namespace korvanta {

struct PortStrobe {
    bool held = false;
    int position = 0;

    // True when the write released the strobe.
    bool Write(uint8_t value) {
        if (value & 1) {
            held = true;
            return false;
        }
        if (!held) return false;
        held = false;
        position = 0;
        return true;
    }
    // The position of the next serial read, wrapping after eight; advances.
    int NextPosition() {
        if (position >= 8) position = 0;
        return position++;
    }
};

}  // namespace korvanta
