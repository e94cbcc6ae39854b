// The mah-jong controller: 21 keys in three groups of eight positions; the
// game selects a group with bits 1-2 of its $4016 write and reads the
// group's keys one per $4017 read on bit 1.
#pragma once
#include <array>

#include "input/input_device.h"
#include "input/port_strobe.h"

namespace korvanta {

class InputSystem;

class MahjongController : public InputDevice {
public:
    explicit MahjongController(InputSystem& input) : InputDevice(kDeviceMahjongController), input_(input) {}

    void Write4016(uint8_t value) override;
    uint8_t Read4017() override;

    // Virtual keys by group and position; 0 is an empty position.
    static const std::array<std::array<uint8_t, 8>, 3> kKeys;

private:
    InputSystem& input_;
    PortStrobe strobe_;
    int group_ = 0;  // 0 selects nothing
};

}  // namespace korvanta
