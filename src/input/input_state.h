// The keyboard side of the pads: the per-frame poll of the two key sets,
// their autoshot, and the key-down table of the keyboard-like devices.
#pragma once
#include <array>
#include <cstdint>

#include "input/key_config.h"

namespace korvanta {

class Host;

// The autoshot rule shared by key sets and joysticks: while the phase is 0
// autoshot buttons are forced off; every application advances the counter
// and flips the phase when it wraps at the speed.
struct AutoshotClock {
    int32_t counter = 0;
    uint8_t phase = 0;

    bool Holds() const { return phase == 0; }
    void Advance(int32_t speed);
};

enum class KeyMessage { Down, Up };

struct InputState {
    std::array<AutoshotClock, 2> autoshot{};  // per key set, phase 0 first
    std::array<PadButtons, 2> raw{};          // the keys as last polled
    std::array<PadButtons, 2> afterAutoshot{};
    std::array<uint8_t, 256> keyDown{};  // by virtual-key code, from key messages

    // Once per frame before the devices update: every key of both sets,
    // whether or not the window has the focus.
    void PollKeySets(Host& host, const KeyConfig& config);
    // A key set's after-autoshot states from its raw states; advances the
    // set's clock, so a set shared by two pads advances twice a frame.
    const PadButtons& ApplyAutoshot(int keySet, const KeyConfig& config);
    // Every key-down and key-up message of the main window.
    void NoteKeyMessage(KeyMessage message, int32_t virtualKey);
};

}  // namespace korvanta
