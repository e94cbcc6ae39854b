// The standard pad (pads 1 to 4): eight buttons shifted out one bit per
// read, A first, after a strobe.
#pragma once
#include "input/input_device.h"
#include "input/key_config.h"

namespace korvanta {

class InputSystem;
class JoystickReader;

class StandardPad : public InputDevice {
public:
    // Pad index 0 to 3; construction binds the pad like Rebind.
    StandardPad(InputSystem& input, int index);

    // Clears the buttons and takes the joystick the pad's assignment names.
    void Rebind() override;
    // Joystick, then the key set with its autoshot, then the movie layer.
    void FrameUpdate() override;
    // Pads 1 and 3 answer on $4016 (bits 0 and 1), pads 2 and 4 on $4017.
    uint8_t Read4016() override;
    uint8_t Read4017() override;
    // Bit 0 set holds the strobe; the falling write rewinds to A.
    void Write4016(uint8_t value) override;
    bool IsPad2StartDown() const override { return index_ == 1 && buttons_[kPadStart] != 0; }

    int Index() const { return index_; }
    const PadButtons& Buttons() const { return buttons_; }

private:
    uint8_t SerialBit();

    InputSystem& input_;
    int index_;
    PadButtons buttons_{};
    bool strobe_ = false;
    int position_ = 0;
    JoystickReader* joystick_ = nullptr;
};

}  // namespace korvanta
