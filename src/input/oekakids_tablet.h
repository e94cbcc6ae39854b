// The Oekakids drawing tablet on the mouse. The game clocks out 19 bits on
// $4017 bit 3 with rising edges of bit 1 of its $4016 writes: a start bit,
// X and Y (eight bits each, most significant first, inverted), touch and
// the pen button.
#pragma once
#include "input/input_device.h"

namespace korvanta {

class InputSystem;

enum OekakidsMode { kOekakidsFaithful = 0, kOekakidsEasy = 1 };

class OekakidsTablet : public InputDevice {
public:
    // Reads "OekakidsTablet" / "Mode" (easy when absent).
    explicit OekakidsTablet(InputSystem& input);
    // Writes the mode back when the settings dialog was confirmed.
    ~OekakidsTablet() override;

    void Write4016(uint8_t value) override;
    uint8_t Read4017() override;
    // Dialog 148 through the main window; true even when it is cancelled.
    bool ShowSettings(Host& host) override;

    int Mode() const { return mode_; }

private:
    uint8_t SerialBit() const;

    InputSystem& input_;
    uint8_t latch_ = 0;
    int counter_ = 0;  // 0 to 18
    int mode_ = kOekakidsEasy;
    bool confirmed_ = false;
};

}  // namespace korvanta
