// The on-screen message: a short status text drawn over the picture for a
// number of emulated frames ("SAVE-%d", "LOAD-%d", "DISK SET", ...).
#pragma once
#include <string>

namespace korvanta {

struct ScreenMessage {
    std::string text;  // at most 255 characters
    int x = 0;         // FrameBuffer coordinates of the first cell
    int y = 0;
    int lifetime = 0;  // emulated frames left

    bool Active() const { return lifetime > 0 && !text.empty(); }
};

}  // namespace korvanta
