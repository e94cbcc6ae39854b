// The Arkanoid paddle on the mouse: the knob's position (from the mouse's
// picture X) as an 8-bit value shifted out on $4017 bit 1, most significant
// bit first, and the fire button (left mouse button) on $4016 bit 1.
#pragma once
#include "input/input_device.h"
#include "input/port_strobe.h"

namespace korvanta {

class InputSystem;

class ArkanoidPaddle : public InputDevice {
public:
    explicit ArkanoidPaddle(InputSystem& input) : InputDevice(kDeviceArkanoidPaddle), input_(input) {}

    void Write4016(uint8_t value) override { strobe_.Write(value); }
    uint8_t Read4016() override;
    uint8_t Read4017() override;

    // The value sent for a mouse X: 173 at X 12, falling to the right.
    static uint8_t KnobValue(int32_t mouseX);

private:
    InputSystem& input_;
    PortStrobe strobe_;
};

}  // namespace korvanta
