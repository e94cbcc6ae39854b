// The Top Rider handle: two rows of eight keys read one position per $4017
// read, the digit keys 1-8 on bit 4 and Q, W, E, R, T, Y, U, I on bit 3.
#pragma once
#include "input/input_device.h"
#include "input/port_strobe.h"

namespace korvanta {

class InputSystem;

class TopRiderHandle : public InputDevice {
public:
    explicit TopRiderHandle(InputSystem& input) : InputDevice(kDeviceTopRiderHandle), input_(input) {}

    void Write4016(uint8_t value) override { strobe_.Write(value); }
    uint8_t Read4017() override;

private:
    InputSystem& input_;
    PortStrobe strobe_;
};

}  // namespace korvanta
