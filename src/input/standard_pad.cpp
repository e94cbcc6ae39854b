#include "input/standard_pad.h"

#include "input/input_system.h"
#include "input/joystick_reader.h"

namespace korvanta {

StandardPad::StandardPad(InputSystem& input, int index)
    : InputDevice(kDeviceStandardPad), input_(input), index_(index) {
    Rebind();
}

void StandardPad::Rebind() {
    buttons_.fill(0);
    joystick_ = nullptr;
    int32_t number = input_.config.padJoy[index_];
    if (number != 0 && number != 1) return;
    JoystickReader* reader = input_.joysticks[number].get();
    if (!reader) return;
    reader->ReadCaps();
    joystick_ = reader;
}

void StandardPad::FrameUpdate() {
    const KeyConfig& config = input_.config;
    if (joystick_) {
        joystick_->Poll(config);
        joystick_->MapButtons(config, buttons_);
    } else {
        buttons_.fill(0);
    }
    int32_t keySet = config.padKey[index_];
    if (keySet == 0 || keySet == 1) {
        const PadButtons& keys = input_.state.ApplyAutoshot(keySet, config);
        for (int b = 0; b < kPadButtons; ++b) buttons_[b] |= keys[b];
    }
    if (input_.movie) input_.movie->PadFrame(index_, buttons_);
}

uint8_t StandardPad::SerialBit() {
    if (strobe_) return buttons_[kPadA] & 1;
    // After the eighth read the shift register is empty and the line reads 1.
    if (position_ >= kPadButtons) return 1;
    return buttons_[position_++] & 1;
}

uint8_t StandardPad::Read4016() {
    if (index_ & 1) return 0;
    return static_cast<uint8_t>(SerialBit() << (index_ / 2));
}

uint8_t StandardPad::Read4017() {
    if (!(index_ & 1)) return 0;
    return static_cast<uint8_t>(SerialBit() << (index_ / 2));
}

void StandardPad::Write4016(uint8_t value) {
    if (value & 1) {
        strobe_ = true;
    } else if (strobe_) {
        position_ = 0;
        strobe_ = false;
    }
}

}  // namespace korvanta
