// The mouse as the pointing devices see it: the position in picture
// coordinates (the Display maps the window's client position onto the
// 256-pixel-wide picture) and the held buttons.
#pragma once
#include <cstdint>

namespace korvanta {

inline constexpr uint8_t kMouseLeft = 1;
inline constexpr uint8_t kMouseRight = 2;

struct MouseState {
    int32_t x = 0, y = 0;
    uint8_t buttons = 0;  // kMouseLeft | kMouseRight

    // A button message of the main window.
    void SetButton(uint8_t button, bool down) {
        buttons = static_cast<uint8_t>(down ? buttons | button : buttons & ~button);
    }
};

}  // namespace korvanta
