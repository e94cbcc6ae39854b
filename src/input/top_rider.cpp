#include "input/top_rider.h"

#include "input/input_system.h"

namespace korvanta {

uint8_t TopRiderHandle::Read4017() {
    if (strobe_.held) return 0;
    static constexpr char kLetters[8] = {'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I'};
    int position = strobe_.NextPosition();
    const auto& keyDown = input_.state.keyDown;
    return static_cast<uint8_t>(((keyDown['1' + position] & 1) << 4) | ((keyDown[kLetters[position]] & 1) << 3));
}

}  // namespace korvanta
