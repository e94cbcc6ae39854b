#include "input/paddle.h"

#include "input/input_system.h"

namespace korvanta {

uint8_t ArkanoidPaddle::KnobValue(int32_t mouseX) {
    int32_t p = mouseX - 12;
    // Past the right end the knob stops one short of 173, so the value never
    // wraps below 0.
    if (p > 173) p = 172;
    // A mouse far left of the picture (full screen) must not wrap either.
    int32_t value = 173 - p;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

uint8_t ArkanoidPaddle::Read4016() {
    if (strobe_.held) return 0;
    return static_cast<uint8_t>((input_.mouse.buttons & kMouseLeft) << 1);
}

uint8_t ArkanoidPaddle::Read4017() {
    if (strobe_.held) return 0;
    int position = strobe_.NextPosition();
    return static_cast<uint8_t>(((KnobValue(input_.mouse.x) >> (7 - position)) & 1) << 1);
}

}  // namespace korvanta
