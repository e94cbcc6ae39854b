// The light gun on the mouse: the left button is the trigger at the mouse's
// position, the right button a shot away from the screen. Bit 4 of $4017 is
// 1 while the trigger is up; bit 3 is 0 when the gun sees a white pixel.
#pragma once
#include "input/input_device.h"

namespace korvanta {

class InputSystem;

inline constexpr uint8_t kGunNoLight = 0x08;
inline constexpr uint8_t kGunTriggerUp = 0x10;

class OpticalGun : public InputDevice {
public:
    explicit OpticalGun(InputSystem& input) : InputDevice(kDeviceOpticalGun), input_(input) {}

    // Senses once a frame.
    void FrameUpdate() override { Sense(); }
    // Senses again once the picture has reached the gun's line.
    uint8_t Read4017() override;
    // Code 1: a button event at a client position (-1, -1: off the screen).
    bool PointerEvent(int code, const PointerInfo& event) override;

    // FrameBuffer coordinates aimed at; negative when off the picture.
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }

private:
    void Sense();
    // True when the pixel at the gun's position would be white with the
    // picture unit's current state.
    bool SeesWhite() const;

    InputSystem& input_;
    uint8_t trigger_ = 0;
    int32_t x_ = -1, y_ = -1;
    uint8_t answer_ = kGunNoLight | kGunTriggerUp;
};

}  // namespace korvanta
