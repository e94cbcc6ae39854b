// The Hyper Shot controller pair: two Run/Jump button pairs on $4017, taken
// from the A and B states of standard pads 1 and 2 (which keep answering
// bit 0 themselves).
#pragma once
#include "input/input_device.h"

namespace korvanta {

class InputSystem;

class HyperShot : public InputDevice {
public:
    explicit HyperShot(InputSystem& input) : InputDevice(kDeviceHyperShot), input_(input) {}

    // Bits 1, 2: pad 1's A, B; bits 3, 4: pad 2's A, B.
    uint8_t Read4017() override;

private:
    InputSystem& input_;
};

}  // namespace korvanta
