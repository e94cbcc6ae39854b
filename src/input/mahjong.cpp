#include "input/mahjong.h"

#include "input/input_system.h"

namespace korvanta {

const std::array<std::array<uint8_t, 8>, 3> MahjongController::kKeys = {{
    {0, 0, 'N', 'M', 'L', 'K', 'J', 'I'},
    {'H', 'G', 'F', 'E', 'D', 'C', 'B', 'A'},
    {0, '7', '6', '5', '4', '3', '2', '1'},
}};

void MahjongController::Write4016(uint8_t value) {
    if (!(value & 1)) group_ = (value >> 1) & 3;
    strobe_.Write(value);
}

uint8_t MahjongController::Read4017() {
    if (strobe_.held || group_ == 0) return 0;
    uint8_t key = kKeys[group_ - 1][strobe_.NextPosition()];
    // Entry 0 of the key-down table is never set, so empty positions read 0.
    return static_cast<uint8_t>((input_.state.keyDown[key] & 1) << 1);
}

}  // namespace korvanta
